#pragma once
// Data link (.udl) files: a connection string in a small text file, as the platform's
// data-link editor writes it: UTF-16 little-endian with a byte-order mark, the header
// line "[oledb]", a comment line, then the connection string on a line of its own.

#include <cstdint>
#include <string>
#include <string_view>

namespace pf::ado::DataLinkFile {

// A link file is a few hundred bytes; anything larger is not read.
inline constexpr std::uintmax_t kMaxSize = 1 << 20;

// The text of a link file's bytes: UTF-16 (either order) or UTF-8 with a byte-order
// mark, else ANSI (Windows-1252), as link files written by older tools are.
std::string Decode(std::string_view bytes);

// A link file split around its connection string, so that writing it back changes
// nothing but the string: `Head` holds the header and comment lines with their line
// ends, `Tail` whatever follows the string.
struct Contents {
  std::string Head;
  std::string ConnectionString;
  std::string Tail;
};

// The contents of a new link file holding `connectionString`.
Contents New(std::string connectionString);

// Reads a link file for editing. An empty file (as Browse creates it) is a new link
// file with an empty string. A file that is not a link file (not a regular file,
// larger than kMaxSize, binary data, or a first line other than "[oledb]") is refused
// with ERR_USER_CHECK and a message naming the file and the reason.
Contents Read(const std::string& path);

// The bytes of a link file: byte-order mark, then Head, string and Tail in UTF-16 LE.
std::string Encode(const Contents& contents);

// Replaces the file atomically with Encode(contents); failures throw AppError (75).
void Write(const std::string& path, const Contents& contents);

}  // namespace pf::ado::DataLinkFile
