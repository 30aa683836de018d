#pragma once
// Whole-file byte reads and atomic whole-file writes. Failures throw AppError with
// the run-time file error numbers (53 file not found, 75 path/file access) and a
// description that names the path and the system's reason.

#include <string>
#include <string_view>
#include <vector>

namespace pf::FileIO {

// The file's bytes, exactly as many as the file is long.
std::string ReadBytes(const std::string& path);

// Replaces (or creates) the file with `data`: the bytes go to a temporary file in the
// same folder, which is then renamed over the target, so a failure never leaves a
// truncated file behind and the previous content stays intact.
void WriteAtomic(const std::string& path, std::string_view data);

// Several files replaced together: every file is first written completely to its
// temporary file; only when all are written are they renamed over their targets, so a
// failure (a full disk) leaves every target as it was and no temporary file behind.
struct FileData {
  std::string Path;
  std::string_view Data;
};
void WriteAtomicAll(const std::vector<FileData>& files);

// Removes the temporary files of writes in progress. Async-signal-safe: meant for a
// handler of SIGINT/SIGTERM that ends the program.
void RemovePendingTemporaries() noexcept;

}  // namespace pf::FileIO
