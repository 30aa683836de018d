#include "text/VBSource.h"

#include <algorithm>
#include <cstdint>

namespace pf::VBSource {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decodes one UTF-8 character at s[i]; advances i. A malformed sequence gives U+FFFD
// and consumes one byte.
uint32_t NextCodePoint(std::string_view s, size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  size_t len = 0;
  uint32_t cp = 0;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2;
    cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3;
    cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4;
    cp = b0 & 0x07;
  }
  if (len == 0 || i + len > s.size()) {
    ++i;
    return 0xFFFD;
  }
  for (size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  static constexpr uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return 0xFFFD;
  }
  i += len;
  return cp;
}

// The ASCII spelling of a Latin-1 letter without its accent, or nullptr.
const char* Unaccented(uint32_t cp) {
  static constexpr const char* kLatin1[] = {
      // U+00C0 .. U+00FF
      "A", "A", "A", "A", "Ae", "A", "Ae", "C", "E", "E", "E", "E", "I", "I", "I", "I",
      "D", "N", "O", "O", "O", "O", "Oe", nullptr, "O", "U", "U", "U", "Ue", "Y", "Th", "ss",
      "a", "a", "a", "a", "ae", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
      "d", "n", "o", "o", "o", "o", "oe", nullptr, "o", "u", "u", "u", "ue", "y", "th", "y"};
  if (cp >= 0xC0 && cp <= 0xFF) return kLatin1[cp - 0xC0];
  return nullptr;
}

}  // namespace

bool IsIdentifier(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameLength || !IsAsciiLetter(name[0])) return false;
  for (char c : name)
    if (!IsAsciiLetter(c) && !IsDigit(c) && c != '_') return false;
  return true;
}

std::string MakeIdentifier(std::string_view name, std::string_view Fallback, size_t MaxLength) {
  if (IsIdentifier(name) && name.size() <= MaxLength) return std::string(name);
  std::string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size();) {
    const uint32_t cp = NextCodePoint(name, i);
    if (cp < 0x80) {
      const char c = static_cast<char>(cp);
      if (IsAsciiLetter(c) || IsDigit(c) || c == '_') out += c;
    } else if (const char* plain = Unaccented(cp)) {
      out += plain;
    }
  }
  if (out.empty() || !IsAsciiLetter(out[0])) out.insert(0, Fallback);
  if (out.size() > MaxLength) out.resize(MaxLength);
  return out;
}

std::string StringExpr(std::string_view text, bool* NeedsCall) {
  std::string out;
  out.reserve(text.size() + 2);
  AppendStringExpr(out, text, NeedsCall);
  return out;
}

void AppendStringExpr(std::string& out, std::string_view text, bool* NeedsCall) {
  if (NeedsCall) *NeedsCall = false;
  const size_t start = out.size();
  bool open = false;  // inside a quoted run
  auto part = [&](std::string_view piece) {
    if (open) {
      out += '"';
      open = false;
    }
    if (out.size() != start) out += " & ";
    out += piece;
  };
  auto call = [&](const char* fn, uint32_t n) {
    part(std::string(fn) + "(" + std::to_string(n) + ")");
    if (NeedsCall) *NeedsCall = true;
  };
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      part("vbCrLf");
      i += 2;
      continue;
    }
    const uint32_t cp = NextCodePoint(text, i);
    if (cp >= 0x20 && cp < 0x7F) {
      if (!open) {
        if (out.size() != start) out += " & ";
        out += '"';
        open = true;
      }
      out += static_cast<char>(cp);
      if (cp == '"') out += '"';
      // The printable characters that follow go in as one run.
      size_t run = i;
      while (run < text.size() && text[run] >= 0x20 && text[run] < 0x7F && text[run] != '"') ++run;
      out.append(text.data() + i, run - i);
      i = run;
    } else if (cp == '\r') {
      part("vbCr");
    } else if (cp == '\n') {
      part("vbLf");
    } else if (cp == '\t') {
      part("vbTab");
    } else if (cp < 0x80) {
      call("Chr$", cp);
    } else if (cp <= 0xFFFF) {
      call("ChrW$", cp);
    } else {
      const uint32_t v = cp - 0x10000;
      call("ChrW$", 0xD800 + (v >> 10));
      call("ChrW$", 0xDC00 + (v & 0x3FF));
    }
  }
  if (open) out += '"';
  if (out.size() == start) out += "\"\"";
}

std::optional<std::string> ContinuedStringExpr(std::string_view text, std::string_view Indent, size_t FirstRoom) {
  std::string whole = StringExpr(text);
  if (whole.size() <= FirstRoom) return whole;
  constexpr std::string_view kJoin = " & _\r\n";
  const size_t nextRoom = kMaxLineLength - Indent.size() - 4;  // " & _" ends every line but the last
  std::string out;
  size_t pieces = 0;
  for (size_t at = 0; at < text.size(); ++pieces) {
    if (pieces > kMaxContinuations) return std::nullopt;
    const size_t room = (pieces == 0 ? std::min(FirstRoom, nextRoom) : nextRoom);
    // The longest run of characters whose expression fits the room, found by halving a
    // run as long as the room (an expression is never shorter than its text).
    size_t take = std::min(room, text.size() - at);
    std::string expr;
    for (;;) {
      while (take > 0 && at + take < text.size() && (static_cast<unsigned char>(text[at + take]) & 0xC0) == 0x80)
        --take;
      if (take == 0) return std::nullopt;
      expr = StringExpr(text.substr(at, take));
      if (expr.size() <= room) break;
      take /= 2;
    }
    if (pieces > 0) {
      out += kJoin;
      out += Indent;
    }
    out += expr;
    at += take;
  }
  return out;
}

std::string LimitsBroken(std::string_view source) {
  size_t continuations = 0;
  for (size_t start = 0; start <= source.size();) {
    size_t end = source.find("\r\n", start);
    if (end == std::string_view::npos) end = source.size();
    std::string_view line = source.substr(start, end - start);
    if (line.size() > kMaxLineLength)
      return "a line of " + std::to_string(line.size()) + " characters (at most " + std::to_string(kMaxLineLength) +
             ")";
    while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
    const bool continued = line.size() >= 2 && line.ends_with(" _");
    continuations = continued ? continuations + 1 : 0;
    if (continuations > kMaxContinuations)
      return "a statement of more than " + std::to_string(kMaxContinuations) + " line continuations";
    start = end + 2;
  }
  return {};
}

std::string CommentText(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return out;
}

}  // namespace pf::VBSource
