#pragma once
// Whole-file text in a named character set. Files are read with FileIO::ReadBytes and
// replaced atomically with FileIO::WriteAtomic.
//
// Text inside the program is UTF-8. Character-set names (any letter case):
//   "ASCII", "us-ascii"                 7-bit; other characters become "?" both ways
//   "UTF-8"                             written without a byte-order mark
//   "Unicode", "UTF-16", "UTF-16LE"     little-endian with a byte-order mark
//   "UTF-16BE", "unicodeFFFE"           big-endian with a byte-order mark
//   "iso-8859-1", "latin1", "Windows-1252"
// Reading skips a byte-order mark of the named set. Reading with an empty name looks
// for a byte-order mark (UTF-8, UTF-16 LE or BE) and takes UTF-8 without one.
// Failures throw pf::AppError naming the path (53 for a missing file or folder, 75
// for other access failures) or the unknown character set (ERR_GENERAL).

#include <string>
#include <string_view>

namespace pf::TextFiles {

// Encoding used by WriteText with an empty character-set name.
inline constexpr std::string_view kDefaultWriteCharset = "Unicode";

std::string Decode(std::string_view bytes, std::string_view charset);
std::string Encode(std::string_view text, std::string_view charset);
// What Encode gives, without a copy where the set leaves the text as it is (UTF-8, or 7-bit
// text in a single-byte set): then text itself, else the encoded bytes, held in out.
std::string_view EncodedView(std::string_view text, std::string_view charset, std::string& out);

std::string ReadText(const std::string& path, std::string_view charset);
// An empty charset writes kDefaultWriteCharset.
void WriteText(const std::string& path, std::string_view text, std::string_view charset);

}  // namespace pf::TextFiles
