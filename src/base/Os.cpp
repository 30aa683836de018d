#include "base/Os.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <limits>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <aclapi.h>

#include <atomic>
#else
#include <fcntl.h>
#include <glob.h>
#include <signal.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>
#endif

namespace pf::Os {

std::filesystem::path Path(std::string_view utf8) {
  // The char8_t form is read as UTF-8 on every system; a plain char string would be read in
  // Windows' ANSI code page.
  return std::filesystem::path(std::u8string_view(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string Utf8(const std::filesystem::path& path) {
  // The generic form: "/" between the parts, as the program writes paths everywhere.
  const std::u8string s = path.generic_u8string();
  return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

#ifdef _WIN32

namespace {

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}

std::string Narrow(std::wstring_view w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

// errno for the Windows error of the last call, so that callers report it like a POSIX one.
void SetErrno(DWORD err = GetLastError()) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      errno = ENOENT;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      errno = EACCES;
      break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      errno = EEXIST;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      errno = ENOSPC;
      break;
    case ERROR_NOT_SAME_DEVICE:
      errno = EXDEV;
      break;
    default:
      errno = EIO;
  }
}

bool InfoOfHandle(HANDLE h, Info& info) {
  info = {};
  switch (GetFileType(h)) {
    case FILE_TYPE_CHAR:
      info.Type = Kind::Device;
      return true;
    case FILE_TYPE_PIPE:
      info.Type = Kind::Fifo;
      return true;
    case FILE_TYPE_DISK:
      break;
    default:
      info.Type = Kind::Other;
      return true;
  }
  BY_HANDLE_FILE_INFORMATION fi;
  if (!GetFileInformationByHandle(h, &fi)) {
    SetErrno();
    return false;
  }
  info.Type = (fi.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::Folder : Kind::Regular;
  info.Volume = fi.dwVolumeSerialNumber;
  info.Index = (std::uint64_t(fi.nFileIndexHigh) << 32) | fi.nFileIndexLow;
  info.Size = (std::uint64_t(fi.nFileSizeHigh) << 32) | fi.nFileSizeLow;
  // FILETIME counts 100 ns steps from 1601; the epoch is 11644473600 s later.
  const std::int64_t ticks = static_cast<std::int64_t>((std::uint64_t(fi.ftLastWriteTime.dwHighDateTime) << 32) |
                                                       fi.ftLastWriteTime.dwLowDateTime);
  info.ModifiedNs = (ticks - 116444736000000000LL) * 100;
  info.Mode = (fi.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  return true;
}

// A handle as a C runtime descriptor in binary mode; the handle is closed on failure.
int Descriptor(HANDLE h, int flags) {
  if (h == INVALID_HANDLE_VALUE) {
    SetErrno();
    return -1;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), flags | _O_BINARY);
  if (fd < 0) CloseHandle(h);
  return fd;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

bool Stat(const std::string& path, Info& info) {
  // Backup semantics open folders too; no access right is asked for, only attributes.
  const HANDLE h = CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    SetErrno();
    return false;
  }
  const bool ok = InfoOfHandle(h, info);
  CloseHandle(h);
  return ok;
}

bool StatFd(int fd, Info& info) {
  const auto h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (h == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return false;
  }
  return InfoOfHandle(h, info);
}

int OpenRead(const std::string& path) {
  return Descriptor(CreateFileW(Wide(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr),
                    _O_RDONLY);
}

int OpenAppend(const std::string& path) {
  return Descriptor(CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
                    _O_WRONLY | _O_APPEND);
}

int CreateNew(const std::string& path, unsigned) {
  return Descriptor(CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr),
                    _O_RDWR);
}

int CreateTemp(std::string& path) {
  static std::atomic<unsigned> counter{0};
  const size_t at = path.size() >= 6 ? path.size() - 6 : path.size();
  static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::uint64_t seed = (std::uint64_t(GetCurrentProcessId()) << 32) ^ GetTickCount64() ^
                         (std::uint64_t(counter.fetch_add(1)) * 0x9E3779B97F4A7C15ULL);
    for (size_t i = at; i < path.size(); ++i, seed /= 36) path[i] = kDigits[seed % 36];
    const int fd = CreateNew(path, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

long long Read(int fd, void* buf, std::size_t size) { return _read(fd, buf, static_cast<unsigned>(size)); }
long long Write(int fd, const void* data, std::size_t size) { return _write(fd, data, static_cast<unsigned>(size)); }
bool Sync(int fd) { return _commit(fd) == 0; }
bool Close(int fd) { return _close(fd) == 0; }
bool SetMode(int, unsigned) { return true; }
unsigned NewFileMode() { return 0666; }

bool Replace(const std::string& from, const std::string& to) {
  // rename() refuses an existing target on Windows; this move replaces it, and returns only
  // once the move is on the disk.
  if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  SetErrno();
  return false;
}

bool LinkNew(const std::string& from, const std::string& to) {
  if (CreateHardLinkW(Wide(to).c_str(), Wide(from).c_str(), nullptr)) return true;
  SetErrno();
  return false;
}

bool MakeOwnerOnly(const std::string&) { return true; }

bool Remove(const char* path) {
  if (DeleteFileW(Wide(path).c_str())) return true;
  SetErrno();
  return false;
}

bool Writable(const std::string& path) {
  Info info;
  if (!Stat(path, info)) return false;
  if (info.Type == Kind::Folder) {
    // A folder's read-only attribute says nothing: whether a file can be made there does.
    std::string probe = path + "\\.pf-write-XXXXXX";
    const int fd = CreateTemp(probe);
    if (fd < 0) return false;
    _close(fd);
    DeleteFileW(Wide(probe).c_str());
    return true;
  }
  const HANDLE h =
      CreateFileW(Wide(path).c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    SetErrno();
    return false;
  }
  CloseHandle(h);
  return true;
}

bool MakePrivate(const std::string&) { return false; }

bool FileMatches(const std::string& pattern) {
  WIN32_FIND_DATAW found;
  const HANDLE h = FindFirstFileW(Wide(pattern).c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool file = false;
  do file = !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  while (!file && FindNextFileW(h, &found));
  FindClose(h);
  return file;
}

unsigned long ProcessId() { return GetCurrentProcessId(); }

bool ProcessEnded(unsigned long pid) {
  // OpenProcess fails with ERROR_INVALID_PARAMETER when no process has the id (and for the
  // idle process, id 0); another user's process gives ERROR_ACCESS_DENIED and counts as
  // running. A process that ended while a handle keeps its object still opens: its exit code
  // tells. One that ended with code 259 (STILL_ACTIVE) reads as running, which only keeps a
  // file. (OpenProcess and GetExitCodeProcess, Microsoft's Win32 API reference.)
  if (pid == 0) return false;
  const HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (!h) return GetLastError() == ERROR_INVALID_PARAMETER;
  DWORD code = STILL_ACTIVE;
  const bool ended = GetExitCodeProcess(h, &code) && code != STILL_ACTIVE;
  CloseHandle(h);
  return ended;
}

namespace {

// Whether `sid` is the user of this process's token or the owner the token gives new objects.
bool IsOwnSid(PSID sid) {
  HANDLE token = nullptr;
  if (!sid || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  bool own = false;
  for (const TOKEN_INFORMATION_CLASS what : {TokenUser, TokenOwner}) {
    alignas(TOKEN_USER) unsigned char buf[256];
    DWORD n = 0;
    if (!GetTokenInformation(token, what, buf, sizeof buf, &n)) continue;
    const PSID mine =
        what == TokenUser ? reinterpret_cast<TOKEN_USER*>(buf)->User.Sid : reinterpret_cast<TOKEN_OWNER*>(buf)->Owner;
    own = own || EqualSid(sid, mine);
  }
  CloseHandle(token);
  return own;
}

}  // namespace

bool OwnRegularFile(const std::string& path) {
  // The entry itself: a symbolic link or junction is opened as such, never followed.
  const HANDLE h = CreateFileW(Wide(path).c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool own = false;
  BY_HANDLE_FILE_INFORMATION fi;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &fi) &&
      !(fi.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
      GetSecurityInfo(h, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr, &sd) ==
          ERROR_SUCCESS) {
    own = IsOwnSid(owner);
    LocalFree(sd);
  }
  CloseHandle(h);
  return own;
}

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

// msvcrt's own reader of the wide command line (what it gives wmain).
extern "C" int __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** env, int expandWildcards, int* startInfo);

std::vector<std::string> StartProgram(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
  int wargc = 0, startInfo = 0;
  wchar_t **wargv = nullptr, **wenv = nullptr;
  std::vector<std::string> args;
  if (__wgetmainargs(&wargc, &wargv, &wenv, 0, &startInfo) == 0 && wargv) {
    for (int i = 0; i < wargc; ++i) args.push_back(Narrow(wargv[i]));
  } else {
    args.assign(argv, argv + argc);
  }
  return args;
}

void UseUtcTime() {
  _putenv_s("TZ", "UTC0");
  _tzset();
}

std::string ComputerName() {
  wchar_t buf[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD n = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(buf, &n)) return "?";
  return Narrow(std::wstring_view(buf, n));
}

bool LogError(const std::string& appName, const std::string& text) {
  const HANDLE source = RegisterEventSourceW(nullptr, Wide(appName).c_str());
  if (!source) return false;
  const std::wstring message = Wide(text);
  const wchar_t* strings[] = {message.c_str()};
  const bool ok = ReportEventW(source, EVENTLOG_ERROR_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
  DeregisterEventSource(source);
  return ok;
}

#else

namespace {

bool InfoOfStat(const struct stat& st, Info& info) {
  info = {};
  if (S_ISREG(st.st_mode))
    info.Type = Kind::Regular;
  else if (S_ISDIR(st.st_mode))
    info.Type = Kind::Folder;
  else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
    info.Type = Kind::Device;
  else if (S_ISFIFO(st.st_mode))
    info.Type = Kind::Fifo;
  else
    info.Type = Kind::Other;
  info.Volume = st.st_dev;
  info.Index = st.st_ino;
  info.Size = static_cast<std::uint64_t>(st.st_size);
  info.ModifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  info.Mode = st.st_mode & 07777;
  return true;
}

}  // namespace

bool Stat(const std::string& path, Info& info) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && InfoOfStat(st, info);
}

bool StatFd(int fd, Info& info) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && InfoOfStat(st, info);
}

int OpenRead(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }

int OpenAppend(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
}

int CreateNew(const std::string& path, unsigned Mode) {
  return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(Mode));
}

int CreateTemp(std::string& path) { return ::mkostemp(path.data(), O_CLOEXEC); }

long long Read(int fd, void* buf, std::size_t size) { return ::read(fd, buf, size); }
long long Write(int fd, const void* data, std::size_t size) { return ::write(fd, data, size); }
bool Sync(int fd) { return ::fsync(fd) == 0; }
bool Close(int fd) { return ::close(fd) == 0; }
bool SetMode(int fd, unsigned Mode) { return ::fchmod(fd, static_cast<mode_t>(Mode)) == 0; }

unsigned NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

bool Replace(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

bool Remove(const char* path) { return ::unlink(path) == 0; }

bool LinkNew(const std::string& from, const std::string& to) { return ::link(from.c_str(), to.c_str()) == 0; }

bool MakeOwnerOnly(const std::string& path) { return ::chmod(path.c_str(), 0600) == 0; }

bool Writable(const std::string& path) { return ::access(path.c_str(), W_OK) == 0; }

bool MakePrivate(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 077) == 0) return false;
  return ::chmod(path.c_str(), st.st_mode & 07700) == 0;
}

bool FileMatches(const std::string& pattern) {
  auto isFile = [](const char* path) {
    struct stat st {};
    return ::stat(path, &st) == 0 && !S_ISDIR(st.st_mode);
  };
  if (pattern.find_first_of("*?") == std::string::npos) return isFile(pattern.c_str());
  glob_t g{};
  bool found = false;
  if (::glob(pattern.c_str(), GLOB_NOSORT | GLOB_NOESCAPE, nullptr, &g) == 0) {
    for (size_t i = 0; i < g.gl_pathc && !found; ++i) found = isFile(g.gl_pathv[i]);
  }
  ::globfree(&g);
  return found;
}

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

bool ProcessEnded(unsigned long pid) {
  // Signal 0 only asks: ESRCH is "no such process"; EPERM is another user's, running.
  if (pid == 0 || pid > static_cast<unsigned long>(std::numeric_limits<pid_t>::max())) return false;
  return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

bool OwnRegularFile(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
}

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

std::vector<std::string> StartProgram(int argc, char** argv) { return {argv, argv + argc}; }

void UseUtcTime() {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
}

std::string ComputerName() {
  char buf[256] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0) return "?";
  return buf;
}

bool LogError(const std::string& appName, const std::string& text) {
  ::openlog(appName.c_str(), LOG_PID, LOG_USER);
  ::syslog(LOG_ERR, "%s", text.c_str());
  ::closelog();
  return true;
}

#endif

}  // namespace pf::Os
