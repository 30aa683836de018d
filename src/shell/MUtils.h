#pragma once
// Text-file routines of the application shell: whole files in a named character set
// (see platform/TextFiles.h for the names; the program passes "ASCII"), a file test
// and path splitting. Files are always replaced atomically.

#include <string>

namespace pf::MUtils {

// The whole file decoded from Charset (empty: found by byte-order mark, else UTF-8).
// Throws AppError naming the path when the file cannot be read.
std::string ReadText(const std::string& FileName, const std::string& Charset);
// Creates or replaces the file with Txt encoded in Charset (empty: UTF-16 with a
// byte-order mark). Throws AppError naming the path when it cannot be written.
void WriteText(const std::string& FileName, const std::string& Txt, const std::string& Charset);
// Replaces the file with Text followed by CR LF, bytes as they are; returns true.
bool SaveText(const std::string& FileName, const std::string& Text);
// True when a file of that name exists, or one matching it when it holds "*" or "?";
// false also when the test itself fails. Folders do not count.
bool FileExists(const std::string& FileName);

struct PathParts {
  std::string Folder;    // everything before the last "\" or "/"
  std::string FileName;  // everything after it (the whole text when there is none)
  std::string Drive;     // the folder up to and including its first ":", else empty
  std::string BaseName;  // the file name before its first "."
  std::string Ext;       // everything after that first "."
};
PathParts SplitPath(const std::string& FullName);

}  // namespace pf::MUtils
