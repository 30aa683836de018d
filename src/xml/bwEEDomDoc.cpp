#include "xml/bwEEDomDoc.h"

#include <exception>

#include "base/Utf8.h"

namespace pf {

namespace {

// Documents written by the program are one line long, so a failing line can be the
// whole file: the report shows at most this many characters each side of the error.
constexpr int32_t kContext = 80;

// Byte offset of the character `chars` characters into `s` (its end when shorter).
size_t ByteOfChar(std::string_view s, int32_t chars) {
  size_t i = 0;
  for (int32_t n = 0; i < s.size(); ++i) {
    if (!Utf8::IsContinuationByte(s[i]) && n++ == chars) break;
  }
  return i;
}

}  // namespace

DomParseError DomParseError::FromParse(const pugi::xml_parse_result& result, std::string_view source) {
  DomParseError e;
  if (result) return e;
  e.errorCode = static_cast<int32_t>(result.status);
  e.reason = result.description();
  size_t offset = result.offset < 0 ? 0 : static_cast<size_t>(result.offset);
  if (offset > source.size()) offset = source.size();
  size_t begin = 0;
  if (offset > 0) {
    const size_t nl = source.rfind('\n', offset - 1);
    if (nl != std::string_view::npos) begin = nl + 1;
  }
  e.line = 1;
  for (size_t i = 0; i < begin; ++i)
    if (source[i] == '\n') ++e.line;
  // The position counts characters, not bytes: UTF-8 continuation bytes are skipped.
  e.linepos = 1 + static_cast<int32_t>(Utf8::Length(source.substr(begin, offset - begin)));
  size_t end = source.find('\n', begin);
  if (end == std::string_view::npos) end = source.size();
  if (end > begin && source[end - 1] == '\r') --end;
  e.srcText = source.substr(begin, end - begin);
  return e;
}

std::string bwEEDomDoc::Extract(const DomParseError* Doc) {
  std::string out;
  try {
    if (!Doc || Doc->errorCode == 0) return out;
    if (IsMessageRange(Faultnet31::Err().Number)) return out;
    out = "Description: ";
    for (size_t i = 0; i < Doc->reason.size(); ++i) {
      if (Doc->reason.compare(i, 2, "\r\n") == 0) {
        ++i;
        continue;
      }
      out += Doc->reason[i];
    }
    // A long line is cut around the error; the caret stays under the failing character.
    std::string_view src = Doc->srcText;
    int32_t caret = Doc->linepos;
    if (caret > kContext + 1) {
      src.remove_prefix(ByteOfChar(src, caret - 1 - kContext));
      caret = kContext + 1;
    }
    if (const size_t cut = ByteOfChar(src, caret + kContext); cut < src.size()) src = src.substr(0, cut);
    out += "\r\nSource Line: ";
    for (char c : src) out += c == '\t' ? ' ' : c;
    out += "\r\n.";
    out.append(12, ' ');
    if (Doc->linepos > 0) {
      out.append(static_cast<size_t>(caret - 1), ' ');
      out += "^\r\n";
    }
    out += "\r\n Line=" + std::to_string(Doc->line) + " Pos=" + std::to_string(Doc->linepos);
  } catch (const std::exception& e) {
    out += "  ErrExtractXML.Extract failed: ";
    out += e.what();
  }
  return out;
}

}  // namespace pf
