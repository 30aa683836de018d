#pragma once
// Whole-file byte reads and atomic whole-file writes. Failures throw AppError with
// the run-time file error numbers (53 file not found, 75 path/file access) and a
// description that names the path and the system's reason.

#include <string>
#include <string_view>
#include <vector>

namespace pf::FileIO {

// The file's bytes, exactly as many as the file is long. Anything but a regular file (a
// folder, a device, a FIFO) is refused without waiting on it.
std::string ReadBytes(const std::string& path);

// What a path names, following symbolic links.
enum class FileKind { Missing, Regular, Folder, Device, Fifo, Other };
FileKind KindOf(const std::string& path);
// "a folder", "a device", "a FIFO (named pipe)", "not a regular file" (sockets), for
// messages of the form "<path> is a folder, not a file."; empty for Missing and Regular.
std::string KindText(FileKind kind);

// Whether two paths name one file: the same device and inode when both exist (so links and
// different spellings count), else the same absolute path once links are resolved.
bool SameFile(const std::string& a, const std::string& b);

// Checks that WriteAtomic can write `path` without creating or touching it: it is a regular
// file (through any symbolic link) or not there yet, it is not read-only, it is not the same
// file as any of `inputs`, and its folder takes a new file (a temporary file is made there
// and removed). Throws AppError ERR_USER_CHECK with a message naming the path.
void CheckOutput(const std::string& path, const std::vector<std::string>& inputs = {});

// Replaces (or creates) the file with `data`: the bytes go to a temporary file in the
// same folder, which is then renamed over the target, so a failure never leaves a
// truncated file behind and the previous content stays intact.
void WriteAtomic(const std::string& path, std::string_view data);

// Creates the file with `data` only when no file of that name exists: false, and nothing
// written, when one does. The file appears complete or not at all, so two writers never
// both create it and a file made meanwhile by another program is never replaced. With
// ownerOnly the file is readable and writable by its owner only (mode 0600) from the start.
bool WriteNew(const std::string& path, std::string_view data, bool ownerOnly = false);

// An exclusive lock, held while the object lives, on the file `path` names (links
// resolved, so that every name of one file takes the same lock), or with `folder` on the
// folder holding that file. Atomic writes replace a file under its name: a lock granted on
// a file that has been replaced meanwhile is taken again on the new one. Throws AppError
// naming the path when the file cannot be opened or locked. With waitMs of 0 or more, the
// wait for another holder ends after that many milliseconds: the object then holds nothing
// (Held false) and nothing is thrown.
class FileLock {
 public:
  explicit FileLock(const std::string& path, bool folder = false, int waitMs = -1);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool Held() const { return held_; }

 private:
  bool held_ = false;
  int fd_ = -1;
  void* mutex_ = nullptr;  // the lock on Windows
};

// Several files replaced together: every file is first written completely to its
// temporary file; only when all are written are they renamed over their targets, so a
// failure (a full disk) leaves every target as it was and no temporary file behind.
struct FileData {
  std::string Path;
  std::string_view Data;
  // The permissions the file gets; -1: those of the file replaced, a new file 0666 & ~umask.
  int Mode = -1;
};
void WriteAtomicAll(const std::vector<FileData>& files);

// Removes the temporary files of writes in progress. Async-signal-safe: meant for a
// handler of SIGINT/SIGTERM that ends the program.
void RemovePendingTemporaries() noexcept;

}  // namespace pf::FileIO
