#include "base/AppPaths.h"

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

std::string ConfigFolder() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.config";
  } else {
    base = "/tmp";
  }
  return base + "/procforge";
}
}  // namespace

std::string ProgramFolder() {
  if (!Override().empty()) return Override();
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return fs::current_path().string();
  return exe.parent_path().string();
}

std::string WritableFolder() {
  std::string folder = ProgramFolder();
  if (access(folder.c_str(), W_OK) == 0) return folder;
  folder = ConfigFolder();
  std::error_code ec;
  fs::create_directories(folder, ec);
  return folder;
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
