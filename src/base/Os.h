#pragma once
// The operating system's file and process calls that the program makes, with UTF-8 paths.
// On Windows every path goes through the wide-character (UTF-16) API, so names outside
// the ANSI code page work, and files are always opened in binary mode; on POSIX systems the
// calls are the plain ones. Where the two systems differ, the difference is kept here (and
// in src/platform), never in the layers above.
//
// Functions returning int give a file descriptor (-1 with errno set on failure); functions
// returning bool give false with errno set on failure.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace pf::Os {

// A UTF-8 path as the file system library's path, and back (with "/" between the parts).
std::filesystem::path Path(std::string_view utf8);
std::string Utf8(const std::filesystem::path& path);

enum class Kind { Regular, Folder, Device, Fifo, Other };

// What stat reports, following links. Volume and Index identify the file: the device and
// inode on POSIX, the volume serial number and file index on Windows (whose stat gives 0).
struct Info {
  Kind Type = Kind::Other;
  std::uint64_t Volume = 0, Index = 0, Size = 0;
  std::int64_t ModifiedNs = 0;  // since the epoch
  unsigned Mode = 0;            // permission bits (POSIX)
};
bool Stat(const std::string& path, Info& info);
bool StatFd(int fd, Info& info);

// Opens for reading without waiting on a FIFO's writer.
int OpenRead(const std::string& path);
// Opens for appending, creating the file when missing, without waiting on a FIFO.
int OpenAppend(const std::string& path);
// Creates the file, failing when it exists; Mode is the POSIX permission bits.
int CreateNew(const std::string& path, unsigned Mode);
// Creates a new file whose name is `path` with its trailing "XXXXXX" made unique (the name
// is changed in place).
int CreateTemp(std::string& path);
// The number of bytes read or written, -1 on failure.
long long Read(int fd, void* buf, std::size_t size);
long long Write(int fd, const void* data, std::size_t size);
bool Sync(int fd);
bool Close(int fd);
// Gives the open file the permission bits (a no-op on Windows).
bool SetMode(int fd, unsigned Mode);
// The permission bits of a new file: 0666 less the process's mask.
unsigned NewFileMode();

// Gives `to` the file `from` as a second name, failing (EEXIST) when `to` exists.
bool LinkNew(const std::string& from, const std::string& to);
// Makes the file readable and writable by its owner only (mode 0600; a no-op on Windows,
// whose files in the user's folders are the user's by their access lists).
bool MakeOwnerOnly(const std::string& path);

// Moves `from` over `to`, replacing an existing file in one step.
bool Replace(const std::string& from, const std::string& to);
// Removes a file. On POSIX async-signal-safe (a signal handler cleans up with it).
bool Remove(const char* path);
// Whether the file or folder exists and may be written.
bool Writable(const std::string& path);
// Makes a file readable by its owner only when others may read it; true when it changed
// something. Windows files in the user's folders are the user's by their access lists.
bool MakePrivate(const std::string& path);

// Whether an entry that is not a folder matches `pattern`, whose last part may hold the
// wildcards "*" and "?".
bool FileMatches(const std::string& pattern);

// The id of this process.
unsigned long ProcessId();
// Whether the system says that no process with the id runs. False for a running process,
// and for one the system tells nothing about (another user's, when it refuses to say).
bool ProcessEnded(unsigned long pid);
// Whether `path` itself (a link is not followed) is a regular file owned by the user this
// process runs as: on Windows, the file's owner is the process's user or the owner it gives
// the files it makes (an elevated administrator's files belong to the Administrators group).
bool OwnRegularFile(const std::string& path);

// Whether the stream is an interactive console or terminal.
bool IsTerminal(std::FILE* stream);
// Called first thing in main: returns the command line's arguments in UTF-8 (Windows hands
// main its arguments in the ANSI code page) and makes the standard streams pass bytes as
// they are (no CR added before LF on Windows), with the console showing UTF-8.
std::vector<std::string> StartProgram(int argc, char** argv);

// Makes the process's local time UTC.
void UseUtcTime();
// The computer's name, "?" when unknown.
std::string ComputerName();
// Writes an error to the system's log (syslog; the application event log on Windows) under
// the program's name; false when it could not.
bool LogError(const std::string& appName, const std::string& text);

}  // namespace pf::Os
