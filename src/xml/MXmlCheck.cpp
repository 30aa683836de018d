#include "xml/MXmlCheck.h"

#include <cstdio>
#include <unordered_set>
#include <vector>

#include "base/NoCase.h"
#include "base/Utf8.h"
#include "errors/Faultnet31.h"

namespace pf::MXmlCheck {

namespace {

// The Char production of XML 1.0.
bool IsXmlChar(uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

// NameStartChar and NameChar of XML 1.0 (fifth edition).
bool IsNameStart(uint32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || (c >= 0xC0 && c <= 0xD6) ||
         (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D) ||
         (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
         (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) ||
         (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}
bool IsNameChar(uint32_t c) {
  return IsNameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 || (c >= 0x300 && c <= 0x36F) ||
         (c >= 0x203F && c <= 0x2040);
}
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string CodePoint(uint32_t c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
  return buf;
}
std::string ByteText(unsigned char b) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", b);
  return buf;
}

// The character at s[i] (valid UTF-8 of Len bytes, see Utf8::SequenceLength).
uint32_t Decode(std::string_view s, size_t i, size_t len) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  uint32_t cp = len == 1 ? c : len == 2 ? c & 0x1Fu : len == 3 ? c & 0x0Fu : c & 0x07u;
  for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3Fu);
  return cp;
}

struct Failed {
  size_t At;
  std::string Reason;
};

// One pass over the document, without recursion: open elements are kept on a stack.
class Scanner {
 public:
  explicit Scanner(std::string_view doc) : s_(doc) {}

  void Run() {
    if (s_.starts_with("\xEF\xBB\xBF")) i_ = 3;
    if (s_.substr(i_).starts_with("<?xml") && i_ + 5 < s_.size() && (IsSpace(s_[i_ + 5]) || s_[i_ + 5] == '?'))
      Declaration();
    bool rootSeen = false;
    for (;;) {
      SkipSpace();
      if (i_ >= s_.size()) break;
      if (Eat("<!--")) {
        Comment();
      } else if (Eat("<?")) {
        Instruction();
      } else if (At("<!DOCTYPE")) {
        Fail(i_, "a document type declaration, which a profile may not have");
      } else if (At("<") && !At("</") && !At("<!")) {
        if (rootSeen) Fail(i_, "a second document element <" + std::string(NameAt(i_ + 1)) + ">");
        rootSeen = true;
        Element();
      } else {
        Fail(i_, rootSeen ? "text after the document element" : "text before the document element");
      }
    }
    if (!rootSeen) Fail(i_, "no document element");
  }

  [[noreturn]] static void Fail(size_t at, std::string reason) { throw Failed{at, std::move(reason)}; }

 private:
  std::string_view s_;
  size_t i_ = 0;
  // A single-byte character set was declared: every byte is one character.
  bool bytes_ = false;
  // Where the scan is, for the reason of a fault ("in the value of attribute X of <E>").
  std::string where_;

  bool At(std::string_view t) const { return s_.substr(i_).starts_with(t); }
  bool Eat(std::string_view t) {
    if (!At(t)) return false;
    i_ += t.size();
    return true;
  }
  void Expect(std::string_view t, const char* what) {
    if (!Eat(t)) Fail(i_, std::string("'") + std::string(t) + "' expected " + what + Where());
  }
  std::string Where() const { return where_.empty() ? std::string() : " (" + where_ + ")"; }
  void SkipSpace() {
    while (i_ < s_.size() && IsSpace(s_[i_])) ++i_;
  }
  bool Space() {
    const size_t from = i_;
    SkipSpace();
    return i_ > from;
  }
  void EndOfInput(const char* inside) const {
    if (i_ >= s_.size()) Fail(i_, std::string("the document ends inside ") + inside + Where());
  }

  // The character at i_ and its length in bytes; a byte sequence that is not UTF-8 and a
  // character XML does not allow are faults.
  uint32_t Peek(size_t& len) const {
    const unsigned char b = static_cast<unsigned char>(s_[i_]);
    uint32_t cp = b;
    len = 1;
    if (b >= 0x80 && !bytes_) {
      len = Utf8::SequenceLength(s_, i_);
      if (len == 0) Fail(i_, "the byte " + ByteText(b) + ", which is not UTF-8" + Where());
      cp = Decode(s_, i_, len);
    }
    if (!IsXmlChar(cp)) Fail(i_, CodePoint(cp) + ", which XML does not allow" + Where());
    return cp;
  }
  uint32_t Next() {
    size_t len = 0;
    const uint32_t c = Peek(len);
    i_ += len;
    return c;
  }

  // The name at `at` as far as it goes, for messages only.
  std::string_view NameAt(size_t at) const {
    size_t end = at;
    while (end < s_.size() && !IsSpace(s_[end]) && s_[end] != '>' && s_[end] != '/' && s_[end] != '=') ++end;
    return s_.substr(at, std::min<size_t>(end - at, 40));
  }

  std::string_view Name(const char* what) {
    const size_t from = i_;
    if (i_ >= s_.size()) Fail(i_, std::string("a name expected for ") + what + Where());
    size_t len = 0;
    if (!IsNameStart(Peek(len))) Fail(i_, std::string("a name expected for ") + what + Where());
    i_ += len;
    while (i_ < s_.size()) {
      const uint32_t c = Peek(len);
      if (!IsNameChar(c)) break;
      i_ += len;
    }
    return s_.substr(from, i_ - from);
  }

  // "&" has been seen at i_: a character reference or one of the predefined entities.
  void Reference() {
    const size_t from = i_++;
    if (Eat("#")) {
      const bool hex = Eat("x");
      uint32_t value = 0;
      size_t digits = 0;
      for (; i_ < s_.size(); ++i_, ++digits) {
        const char c = s_[i_];
        const int lower = c | 0x20;
        const int d = c >= '0' && c <= '9' ? c - '0' : hex && lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
        if (d < 0) break;
        if (value <= 0x10FFFF) value = value * (hex ? 16u : 10u) + static_cast<uint32_t>(d);
      }
      if (digits == 0 || !Eat(";")) Fail(from, "a character reference without its digits or ';'" + Where());
      const std::string_view ref = s_.substr(from, i_ - from);
      if (!IsXmlChar(value))
        Fail(from, std::string(ref) + " refers to " +
                       (value > 0x10FFFF ? std::string("no character") : CodePoint(value)) +
                       ", which XML does not allow" + Where());
      return;
    }
    if (i_ >= s_.size() || s_[i_] == ';' || IsSpace(s_[i_]))
      Fail(from, "'&' that begins no reference (write &amp;)" + Where());
    const std::string_view name = Name("an entity reference");
    if (!Eat(";")) Fail(from, "'&" + std::string(name) + "' without its ';'" + Where());
    if (name != "amp" && name != "lt" && name != "gt" && name != "apos" && name != "quot")
      Fail(from, "the entity &" + std::string(name) + "; that is not declared" + Where());
  }

  void Comment() {
    const size_t from = i_ - 4;
    for (;;) {
      if (i_ >= s_.size()) Fail(from, "a comment without its end '-->'");
      if (At("--")) {
        if (!At("-->")) Fail(i_, "'--' inside a comment");
        i_ += 3;
        return;
      }
      Next();
    }
  }

  void Instruction() {
    const size_t from = i_ - 2;
    const std::string_view target = Name("a processing instruction");
    if (NoCase::Equals(target, "xml")) Fail(from, "an XML declaration that is not at the start of the document");
    if (Eat("?>")) return;
    if (!Space()) Fail(i_, "a blank expected after the processing instruction's name");
    for (;;) {
      if (i_ >= s_.size()) Fail(from, "a processing instruction without its end '?>'");
      if (Eat("?>")) return;
      Next();
    }
  }

  // <?xml version="1.x" encoding="..." standalone="yes|no"?>
  void Declaration() {
    i_ += 5;
    std::string_view encoding;
    bool first = true;
    for (const char* attr : {"version", "encoding", "standalone"}) {
      const size_t back = i_;
      const bool blank = Space();
      if (!At(attr)) {
        if (first) Fail(i_, "the XML declaration has no version");
        i_ = back;
        continue;
      }
      if (!blank) Fail(i_, "a blank expected in the XML declaration");
      i_ += std::string_view(attr).size();
      SkipSpace();
      Expect("=", "in the XML declaration");
      SkipSpace();
      const char quote = i_ < s_.size() ? s_[i_] : '\0';
      if (quote != '"' && quote != '\'') Fail(i_, "a quoted value expected in the XML declaration");
      const size_t end = s_.find(quote, i_ + 1);
      if (end == std::string_view::npos) Fail(i_, "the XML declaration's value has no closing quote");
      const std::string_view value = s_.substr(i_ + 1, end - i_ - 1);
      bool ok = true;
      if (first) {
        ok = value.size() > 2 && value.starts_with("1.") && value.find_first_not_of("0123456789", 2) == value.npos;
      } else if (attr[0] == 'e') {
        ok = !value.empty() && ((value[0] | 0x20) >= 'a' && (value[0] | 0x20) <= 'z') &&
             value.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._-") == value.npos;
        encoding = value;
      } else {
        ok = value == "yes" || value == "no";
      }
      if (!ok) Fail(i_ + 1, "'" + std::string(value) + "' is no value for " + attr + " in the XML declaration");
      i_ = end + 1;
      first = false;
    }
    SkipSpace();
    Expect("?>", "to end the XML declaration");
    bytes_ = !encoding.empty() && !NoCase::Equals(encoding, "UTF-8") && !NoCase::Equals(encoding, "US-ASCII") &&
             !NoCase::Equals(encoding, "ASCII");
  }

  // An attribute value after its opening quote.
  void AttrValue(char quote) {
    for (;;) {
      EndOfInput("an attribute value");
      const char c = s_[i_];
      if (c == quote) {
        ++i_;
        return;
      }
      if (c == '<') Fail(i_, "'<' in a value (write &lt;)" + Where());
      if (c == '&')
        Reference();
      else
        Next();
    }
  }

  // A start tag after its '<'; true when it is an empty-element tag.
  bool StartTag(std::string_view& name) {
    where_.clear();
    name = Name("an element");
    const std::string element(name);
    std::unordered_set<std::string_view> seen;
    for (;;) {
      const bool blank = Space();
      where_ = "in the tag of <" + element + ">";
      EndOfInput("a tag");
      if (Eat("/>")) return true;
      if (Eat(">")) return false;
      if (!blank) Fail(i_, "a blank expected before an attribute" + Where());
      const size_t at = i_;
      const std::string_view attr = Name("an attribute");
      if (!seen.insert(attr).second)
        Fail(at, "the attribute " + std::string(attr) + " appears twice in <" + element + ">");
      SkipSpace();
      Expect("=", "after an attribute's name");
      SkipSpace();
      EndOfInput("a tag");
      const char quote = s_[i_];
      if (quote != '"' && quote != '\'') Fail(i_, "a quoted value expected" + Where());
      ++i_;
      where_ = "in the value of attribute " + std::string(attr) + " of <" + element + ">";
      AttrValue(quote);
    }
  }

  void Element() {
    std::vector<std::string_view> open;
    for (;;) {
      // At '<' of a start tag.
      ++i_;
      std::string_view name;
      if (!StartTag(name)) open.push_back(name);
      while (!open.empty()) {
        where_ = "in the text of <" + std::string(open.back()) + ">";
        EndOfInput("an element");
        if (At("</")) {
          i_ += 2;
          const size_t at = i_;
          const std::string_view end = Name("an end tag");
          SkipSpace();
          Expect(">", "to end the end tag");
          if (end != open.back())
            Fail(at, "the end tag </" + std::string(end) + "> where </" + std::string(open.back()) + "> belongs");
          open.pop_back();
        } else if (Eat("<!--")) {
          Comment();
        } else if (Eat("<![CDATA[")) {
          const size_t from = i_ - 9;
          while (!Eat("]]>")) {
            if (i_ >= s_.size()) Fail(from, "a CDATA section without its end ']]>'");
            Next();
          }
        } else if (Eat("<?")) {
          Instruction();
        } else if (At("<!")) {
          Fail(i_, "a declaration inside an element" + Where());
        } else if (At("<")) {
          break;  // a child element
        } else if (At("&")) {
          Reference();
        } else if (At("]]>")) {
          Fail(i_, "']]>' in text (write ]]&gt;)" + Where());
        } else {
          Next();
        }
      }
      if (open.empty()) return;
    }
  }
};

// Line and column of byte `at`.
Fault Place(std::string_view s, size_t at, std::string reason) {
  Fault f;
  f.Reason = std::move(reason);
  f.Line = 1;
  size_t lineStart = 0;
  for (size_t i = 0; i < at && i < s.size(); ++i) {
    if (s[i] == '\n' || (s[i] == '\r' && (i + 1 >= s.size() || s[i + 1] != '\n'))) {
      ++f.Line;
      lineStart = i + 1;
    }
  }
  f.Column = 1 + static_cast<int32_t>(Utf8::Length(s.substr(lineStart, std::min(at, s.size()) - lineStart)));
  return f;
}

}  // namespace

std::string TextProblem(std::string_view Text) {
  size_t chars = 0;
  for (size_t i = 0; i < Text.size(); ++chars) {
    const size_t len = Utf8::SequenceLength(Text, i);
    if (len == 0)
      return "the byte " + ByteText(static_cast<unsigned char>(Text[i])) + " (byte " + std::to_string(i + 1) +
             "), which is not UTF-8";
    const uint32_t c = Decode(Text, i, len);
    if (!IsXmlChar(c)) return CodePoint(c) + " (character " + std::to_string(chars + 1) + "), which XML does not allow";
    i += len;
  }
  return {};
}

std::optional<Fault> CheckDocument(std::string_view Doc) {
  try {
    Scanner(Doc).Run();
    return std::nullopt;
  } catch (const Failed& f) {
    return Place(Doc, f.At, f.Reason);
  }
}

void RequireDocument(std::string_view Doc) {
  if (const auto fault = CheckDocument(Doc))
    Faultnet31::Check(false, ERR_GENERAL, "Not well-formed XML at line %1, column %2: %3", fault->Line, fault->Column,
                      fault->Reason);
}

}  // namespace pf::MXmlCheck
