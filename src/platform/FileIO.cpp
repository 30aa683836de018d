#include "platform/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

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
    if (fd_ >= 0) ::close(fd_);
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

}  // namespace

std::string ReadBytes(const std::string& path) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) Fail("Cannot open file ", path, errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) Fail("Cannot read file ", path, errno);
  if (S_ISDIR(st.st_mode)) Fail("Cannot read file ", path, EISDIR);
  std::string data;
  data.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot read file ", path, errno);
    }
    if (n == 0) break;
    data.append(buf, static_cast<size_t>(n));
  }
  return data;
}

void WriteAtomic(const std::string& path, std::string_view data) {
  // Through a symbolic link the file it points to is replaced; the link stays a link.
  std::error_code ec;
  std::string target = path;
  if (std::filesystem::is_symlink(path, ec)) {
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
    if (!ec) target = resolved.string();
  }
  std::string tmp = target + ".tmp-XXXXXX";
  Fd fd(::mkostemp(tmp.data(), O_CLOEXEC));
  if (fd.get() < 0) Fail("Cannot write file ", path, errno);
  auto failAndRemove = [&](int err) {
    ::close(fd.release());
    ::unlink(tmp.c_str());
    Fail("Cannot write file ", path, err);
  };
  // Keep the permissions of a file being replaced; a new file gets the usual 0666 & ~umask.
  struct stat st {};
  mode_t mode;
  if (::stat(target.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(fd.get(), mode) != 0) failAndRemove(errno);
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd.get(), data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      failAndRemove(errno);
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd.get()) != 0) failAndRemove(errno);
  if (::close(fd.release()) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    Fail("Cannot write file ", path, err);
  }
  if (::rename(tmp.c_str(), target.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    Fail("Cannot write file ", path, err);
  }
}

}  // namespace pf::FileIO
