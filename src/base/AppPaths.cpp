#include "base/AppPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace pf::AppPaths {

namespace fs = std::filesystem;

namespace {
std::string& Override() {
  static std::string folder;
  return folder;
}

// The user's home folder: HOME, else the account's entry. Never a shared folder such as
// /tmp, where another user could have made the folder first.
std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir) return pw->pw_dir;
  return "/nonexistent";
}

// $VARIABLE/procforge, else ~/FALLBACK/procforge. Only absolute values count, as the
// base directory rules ask.
std::string UserFolder(const char* variable, const char* fallback) {
  if (const char* xdg = std::getenv(variable); xdg && *xdg == '/') return std::string(xdg) + "/procforge";
  return HomeFolder() + "/" + fallback + "/procforge";
}

std::string ConfigFolder() { return UserFolder("XDG_CONFIG_HOME", ".config"); }
}  // namespace

std::string ProgramFolder() {
  if (!Override().empty()) return Override();
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return fs::current_path().string();
  return exe.parent_path().string();
}

bool Installed() { return DataFolder({"CodeLib.cls", "CodeLib.dat"}) != ProgramFolder(); }

bool MayWriteBeside(const std::string& folder) { return !Installed() && ::access(folder.c_str(), W_OK) == 0; }

std::string WritableFolder() {
  std::string folder = ProgramFolder();
  if (MayWriteBeside(folder)) return folder;
  folder = ConfigFolder();
  std::error_code ec;
  fs::create_directories(folder, ec);
  return folder;
}

std::string CacheFolder() {
  const std::string folder = UserFolder("XDG_CACHE_HOME", ".cache");
  std::error_code ec;
  fs::create_directories(folder, ec);
  return fs::is_directory(folder, ec) ? folder : std::string();
}

std::string DataFolder(std::initializer_list<const char*> names) {
  const std::string own = ProgramFolder();
  auto holds = [&](const fs::path& folder) {
    std::error_code ec;
    for (const char* name : names)
      if (fs::is_regular_file(folder / name, ec)) return true;
    return false;
  };
  if (holds(own)) return own;
  const fs::path installed = (fs::path(own).parent_path() / "share" / "procforge").lexically_normal();
  if (holds(installed)) return installed.string();
  return own;
}

std::string SamplesFolder() {
  const fs::path own = ProgramFolder();
  std::error_code ec;
  for (const fs::path& folder : {own / "samples", own.parent_path() / "share" / "procforge" / "samples"})
    if (fs::is_directory(folder, ec)) return folder.lexically_normal().string();
  return {};
}

void SetProgramFolder(const std::string& folder) { Override() = folder; }

bool HasFolder(const std::string& name) { return name.find_first_of("\\/") != std::string::npos; }

std::string Normalize(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

std::string BesideProgram(const std::string& name) {
  if (HasFolder(name)) return Normalize(name);
  return WritableFolder() + "/" + name;
}

}  // namespace pf::AppPaths
