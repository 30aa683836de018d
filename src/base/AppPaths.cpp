#include "base/AppPaths.h"

#include <cstdlib>
#include <filesystem>

#include "base/Os.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

namespace pf::AppPaths {

namespace fs = std::filesystem;

namespace {
std::string& Override() {
  static std::string folder;
  return folder;
}

#ifdef _WIN32
// %VARIABLE%\Procforge: APPDATA (roaming) for settings, LOCALAPPDATA for caches.
std::string UserFolder(const wchar_t* variable) {
  const wchar_t* base = _wgetenv(variable);
  if (!base || !*base) return Os::Utf8(fs::temp_directory_path() / "Procforge");
  return Os::Utf8(fs::path(base) / "Procforge");
}

std::string ConfigFolder() { return UserFolder(L"APPDATA"); }
std::string UserCacheFolder() { return UserFolder(L"LOCALAPPDATA"); }

std::string ExecutablePath() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) return Os::Utf8(fs::path(buf.substr(0, n)));
    buf.resize(buf.size() * 2);
  }
}
#else
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
std::string UserCacheFolder() { return UserFolder("XDG_CACHE_HOME", ".cache"); }

std::string ExecutablePath() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.string();
}
#endif
}  // namespace

std::string ProgramFolder() {
  if (!Override().empty()) return Override();
  const std::string exe = ExecutablePath();
  if (exe.empty()) return Os::Utf8(fs::current_path());
  return Os::Utf8(Os::Path(exe).parent_path());
}

bool Installed() { return DataFolder({"CodeLib.cls", "CodeLib.dat"}) != ProgramFolder(); }

bool MayWriteBeside(const std::string& folder) { return !Installed() && Os::Writable(folder); }

std::string WritableFolder() {
  std::string folder = ProgramFolder();
  if (MayWriteBeside(folder)) return folder;
  folder = ConfigFolder();
  std::error_code ec;
  fs::create_directories(Os::Path(folder), ec);
  return folder;
}

std::string CacheFolder() {
  const std::string folder = UserCacheFolder();
  std::error_code ec;
  fs::create_directories(Os::Path(folder), ec);
  return fs::is_directory(Os::Path(folder), ec) ? folder : std::string();
}

std::string DataFolder(std::initializer_list<const char*> names) {
  const std::string own = ProgramFolder();
  auto holds = [&](const fs::path& folder) {
    std::error_code ec;
    for (const char* name : names)
      if (fs::is_regular_file(folder / name, ec)) return true;
    return false;
  };
  if (holds(Os::Path(own))) return own;
  const fs::path installed = (Os::Path(own).parent_path() / "share" / "procforge").lexically_normal();
  if (holds(installed)) return Os::Utf8(installed);
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
