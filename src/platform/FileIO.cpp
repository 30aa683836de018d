#include "platform/FileIO.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <charconv>
#include <chrono>
#include <thread>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/Os.h"
#include "errors/AppError.h"

namespace pf::FileIO {

namespace {

// Converts through ToAppError so file errors get the same numbers everywhere.
[[noreturn]] void Fail(const char* what, const std::string& path, int err) {
  throw ToAppError(std::make_exception_ptr(std::system_error(err, std::generic_category(), what + ("'" + path + "'"))));
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) Os::Close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

[[noreturn]] void FailKind(const std::string& path, FileKind kind) {
  throw AppError(ERR_USER_CHECK, "FileIO", path + " is " + KindText(kind) + ", not a file.");
}

FileKind KindOfInfo(const Os::Info& info) {
  switch (info.Type) {
    case Os::Kind::Regular:
      return FileKind::Regular;
    case Os::Kind::Folder:
      return FileKind::Folder;
    case Os::Kind::Device:
      return FileKind::Device;
    case Os::Kind::Fifo:
      return FileKind::Fifo;
    default:
      return FileKind::Other;
  }
}

// The file a write replaces: through a symbolic link the file it points to.
std::string WriteTarget(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path p = Os::Path(path);
  if (std::filesystem::is_symlink(p, ec)) {
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(p, ec);
    if (!ec) return Os::Utf8(resolved);
  }
  return path;
}

// The temporary file of a write to `target`: "<target>.tmp-<process id>-XXXXXX", so that
// a later run can tell whose it was.
std::string TemporaryTemplate(const std::string& target) {
  return target + ".tmp-" + std::to_string(Os::ProcessId()) + "-XXXXXX";
}

// Removes what writes to `target` left behind when their process was killed (SIGKILL, a
// power cut) before it could rename or remove its temporary file: files of the form
// TemporaryTemplate makes whose process no longer exists, owned by this user. A name
// without a process id, or one of a process that still runs, is left alone; so is one
// whose id a new process took over (process ids are reused, on Windows soon).
void RemoveLeftovers(const std::string& target) {
  namespace fs = std::filesystem;
  const fs::path path = Os::Path(target);
  const std::string prefix = Os::Utf8(path.filename()) + ".tmp-";
  std::error_code ec;
  fs::directory_iterator it(path.parent_path().empty() ? fs::path(".") : path.parent_path(), ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string name = Os::Utf8(it->path().filename());
    if (!name.starts_with(prefix)) continue;
    const std::string rest = name.substr(prefix.size());
    const size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || rest.size() - dash - 1 != 6 ||
        rest.find_first_not_of("0123456789") != dash)
      continue;
    unsigned long pid = 0;
    if (std::from_chars(rest.data(), rest.data() + dash, pid).ec != std::errc()) continue;  // out of range
    const std::string file = Os::Utf8(it->path());
    if (Os::ProcessEnded(pid) && Os::OwnRegularFile(file)) Os::Remove(file.c_str());
  }
}

}  // namespace

FileKind KindOf(const std::string& path) {
  Os::Info info;
  if (!Os::Stat(path, info)) return FileKind::Missing;
  return KindOfInfo(info);
}

std::string KindText(FileKind kind) {
  switch (kind) {
    case FileKind::Folder: return "a folder";
    case FileKind::Device: return "a device";
    case FileKind::Fifo: return "a FIFO (named pipe)";
    case FileKind::Other: return "not a regular file";
    default: return {};
  }
}

bool SameFile(const std::string& a, const std::string& b) {
  Os::Info ia, ib;
  const bool hasA = Os::Stat(a, ia), hasB = Os::Stat(b, ib);
  if (hasA && hasB) return ia.Volume == ib.Volume && ia.Index == ib.Index;
  if (hasA || hasB) return false;
  std::error_code ea, eb;
  const auto pa = std::filesystem::weakly_canonical(std::filesystem::absolute(a, ea), ea);
  const auto pb = std::filesystem::weakly_canonical(std::filesystem::absolute(b, eb), eb);
  return !ea && !eb && pa == pb;
}

void CheckOutput(const std::string& path, const std::vector<std::string>& inputs) {
  const FileKind kind = KindOf(path);
  if (kind != FileKind::Regular && kind != FileKind::Missing) FailKind(path, kind);
  for (const std::string& input : inputs)
    if (!input.empty() && SameFile(path, input))
      throw AppError(ERR_USER_CHECK, "FileIO",
                     path + " is the same file as " + input + ", which this run reads: writing it would destroy it.");
  const std::string target = WriteTarget(path);
  // A file without write permission is refused also for root, whom access() lets write
  // anything: replacing it would undo what its owner meant by the mode.
  Os::Info st;
  if (kind == FileKind::Regular && Os::Stat(target, st) && (st.Mode & 0222) == 0)
    throw AppError(ERR_USER_CHECK, "FileIO", path + " is read-only; it was not written.");
  if (kind == FileKind::Regular && !Os::Writable(target)) Fail("Cannot open file ", path, errno);
  // The folder must take the temporary file that the write renames over the target.
  std::string tmp = TemporaryTemplate(target);
  const int fd = Os::CreateTemp(tmp);
  if (fd < 0) Fail("Cannot open file ", path, errno);
  Os::Close(fd);
  Os::Remove(tmp.c_str());
}

std::string ReadBytes(const std::string& path) {
  // Non-blocking, so that a FIFO is refused instead of waited on.
  Fd fd(Os::OpenRead(path));
  if (fd.get() < 0) Fail("Cannot open file ", path, errno);
  Os::Info st;
  if (!Os::StatFd(fd.get(), st)) Fail("Cannot read file ", path, errno);
  if (st.Type != Os::Kind::Regular) FailKind(path, KindOfInfo(st));
  std::string data;
  data.reserve(static_cast<size_t>(st.Size));
  char buf[65536];
  for (;;) {
    const long long n = Os::Read(fd.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot read file ", path, errno);
    }
    if (n == 0) break;
    data.append(buf, static_cast<size_t>(n));
  }
  return data;
}

namespace {

// The temporary files being written, for RemovePendingTemporaries: fixed slots of plain
// characters, so that a signal handler can read them without locks or allocation.
constexpr size_t kSlots = 8;
constexpr size_t kSlotSize = 4096;
char g_pending[kSlots][kSlotSize];
volatile sig_atomic_t g_used[kSlots];

int Register(const std::string& tmp) {
  if (tmp.size() >= kSlotSize) return -1;
  for (size_t i = 0; i < kSlots; ++i) {
    if (g_used[i]) continue;
    std::memcpy(g_pending[i], tmp.c_str(), tmp.size() + 1);
    g_used[i] = 1;
    return static_cast<int>(i);
  }
  return -1;
}

void Unregister(int slot) {
  if (slot >= 0) g_used[slot] = 0;
}

// One file written to its temporary name, not yet renamed.
struct Pending {
  std::string Path;    // as the caller named it, for messages
  std::string Target;  // the file replaced (a symbolic link's target)
  std::string Tmp;
  int Slot = -1;

  void Discard() {
    if (Tmp.empty()) return;
    Os::Remove(Tmp.c_str());
    Unregister(Slot);
    Tmp.clear();
  }
  void Commit() {
    if (!Os::Replace(Tmp, Target)) {
      const int err = errno;
      Discard();
      Fail("Cannot write file ", Path, err);
    }
    Unregister(Slot);
    Tmp.clear();
  }
};

Pending WriteTemporary(const std::string& path, std::string_view data, int wantedMode) {
  Pending p;
  p.Path = path;
  // Through a symbolic link the file it points to is replaced; the link stays a link.
  // Anything but a regular file (a device, a FIFO) is never replaced by one.
  p.Target = WriteTarget(path);
  if (const FileKind kind = KindOf(path); kind != FileKind::Regular && kind != FileKind::Missing)
    FailKind(path, kind);
  RemoveLeftovers(p.Target);
  std::string tmp = TemporaryTemplate(p.Target);
  Fd fd(Os::CreateTemp(tmp));
  if (fd.get() < 0) Fail("Cannot write file ", path, errno);
  p.Tmp = tmp;
  p.Slot = Register(tmp);
  auto failAndRemove = [&](int err) {
    Os::Close(fd.release());
    p.Discard();
    Fail("Cannot write file ", path, err);
  };
  // Keep the permissions of a file being replaced; a new file gets the usual 0666 & ~umask.
  Os::Info old;
  const unsigned mode = wantedMode >= 0           ? static_cast<unsigned>(wantedMode) & 07777
                        : Os::Stat(p.Target, old) ? old.Mode
                                                  : Os::NewFileMode();
  if (!Os::SetMode(fd.get(), mode)) failAndRemove(errno);
  // A megabyte a call: one write of a whole large file cost the kernel several times as much
  // (a 30 MB class took 70 ms against 7 ms in pieces).
  constexpr size_t kPiece = size_t(1) << 20;
  size_t done = 0;
  while (done < data.size()) {
    const long long n = Os::Write(fd.get(), data.data() + done, std::min(data.size() - done, kPiece));
    if (n < 0) {
      if (errno == EINTR) continue;
      failAndRemove(errno);
    }
    done += static_cast<size_t>(n);
  }
  if (!Os::Sync(fd.get())) failAndRemove(errno);
  if (!Os::Close(fd.release())) {
    const int err = errno;
    p.Discard();
    Fail("Cannot write file ", path, err);
  }
  return p;
}

}  // namespace

void WriteAtomic(const std::string& path, std::string_view data) { WriteAtomicAll({{path, data}}); }

void WriteAtomicAll(const std::vector<FileData>& files) {
  std::vector<Pending> pending;
  pending.reserve(files.size());
  try {
    for (const FileData& f : files) pending.push_back(WriteTemporary(f.Path, f.Data, f.Mode));
  } catch (...) {
    for (Pending& p : pending) p.Discard();
    throw;
  }
  for (size_t i = 0; i < pending.size(); ++i) {
    try {
      pending[i].Commit();
    } catch (...) {
      for (size_t k = i + 1; k < pending.size(); ++k) pending[k].Discard();
      throw;
    }
  }
}

bool WriteNew(const std::string& path, std::string_view data, bool ownerOnly) {
  Pending p = WriteTemporary(path, data, ownerOnly ? 0600 : -1);
  // link() fails when the name exists: the complete file appears under it, or nothing.
  if (!Os::LinkNew(p.Tmp, p.Target)) {
    const int err = errno;
    p.Discard();
    if (err == EEXIST) return false;
    Fail("Cannot write file ", path, err);
  }
  p.Discard();
  return true;
}

#ifdef _WIN32

// A lock on Windows is the mutex named after the identity (volume and index) of the file or
// folder, which every spelling of its path shares. No handle on the file stays open while it
// is held: Windows refuses to replace a file that has an open handle, and the holder itself
// replaces the profile it locked.
FileLock::FileLock(const std::string& path, bool folder, int waitMs) {
  namespace fs = std::filesystem;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
  for (;;) {
    std::error_code ec;
    const fs::path abs = fs::absolute(Os::Path(path), ec);
    const std::string target = Os::Utf8(folder ? abs.parent_path() : abs);
    Os::Info held;
    if (!Os::Stat(target, held)) Fail("Cannot lock file ", path, errno);
    const std::wstring name =
        L"Local\\Procforge-lock-" + std::to_wstring(held.Volume) + L"-" + std::to_wstring(held.Index);
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    // WAIT_ABANDONED: a holder ended without releasing; the lock is ours all the same.
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    const DWORD wait = waitMs < 0 ? INFINITE : static_cast<DWORD>(std::max<int64_t>(left.count(), 0));
    const DWORD waited = mutex ? WaitForSingleObject(mutex, wait) : WAIT_FAILED;
    if (waited == WAIT_TIMEOUT) {
      CloseHandle(mutex);
      return;
    }
    if (waited == WAIT_FAILED) {
      if (mutex) CloseHandle(mutex);
      Fail("Cannot lock file ", path, EACCES);
    }
    // An atomic write replaced the file while this one waited: the new one is locked instead.
    Os::Info now;
    if (folder || (Os::Stat(target, now) && held.Volume == now.Volume && held.Index == now.Index)) {
      mutex_ = mutex;
      held_ = true;
      return;
    }
    ReleaseMutex(mutex);
    CloseHandle(mutex);
  }
}

FileLock::~FileLock() {
  if (mutex_) {
    ReleaseMutex(static_cast<HANDLE>(mutex_));
    CloseHandle(static_cast<HANDLE>(mutex_));
  }
}

#else

FileLock::FileLock(const std::string& path, bool folder, int waitMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
  for (;;) {
    // The file a path names, through its links: every spelling of one file locks the same.
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path abs = fs::absolute(path, ec);
    const fs::path real = folder ? fs::canonical(abs.parent_path(), ec) : fs::canonical(abs, ec);
    if (ec) Fail("Cannot lock file ", path, ec.value());
    const std::string target = real.string();
    Fd fd(::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | (folder ? O_DIRECTORY : 0)));
    if (fd.get() < 0) Fail("Cannot lock file ", path, errno);
    // A bounded wait polls: flock itself waits without end or not at all.
    int pause = 5;
    while (::flock(fd.get(), waitMs < 0 ? LOCK_EX : LOCK_EX | LOCK_NB) != 0) {
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK) Fail("Cannot lock file ", path, errno);
      if (std::chrono::steady_clock::now() >= deadline) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(pause));
      pause = std::min(pause * 2, 100);
    }
    // An atomic write replaces the file while this one waited: the lock is on a file that
    // is no longer there, so the new one is locked instead.
    struct stat held {
    }, now{};
    if (::fstat(fd.get(), &held) == 0 && ::stat(target.c_str(), &now) == 0 && held.st_dev == now.st_dev &&
        held.st_ino == now.st_ino) {
      fd_ = fd.release();
      held_ = true;
      return;
    }
  }
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);
}

#endif

void RemovePendingTemporaries() noexcept {
  for (size_t i = 0; i < kSlots; ++i)
    if (g_used[i]) Os::Remove(g_pending[i]);
}

}  // namespace pf::FileIO
