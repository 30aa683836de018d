#include "shell/MCode2HTML.h"

#include <array>
#include <vector>

#include "base/SourceText.h"
#include "errors/ErrGuard.h"
#include "shell/CProgress.h"

namespace pf::MCode2HTML {

namespace {

using srctext::kCrLf;

constexpr std::string_view kProcEndTokens[] = {"End Function", "End Sub", "End Property"};

// Source bytes between two event-processing points of a long conversion.
constexpr size_t kPollStep = size_t{1} << 18;

// Byte classes of the one-pass conversion: identifier characters, bytes that need
// handling of their own, and everything else, which is copied as it stands.
enum ByteClass : unsigned char { Plain = 0, Ident = 1, Special = 2 };

constexpr std::array<ByteClass, 256> MakeClasses() {
  std::array<ByteClass, 256> t{};
  for (int c = '0'; c <= '9'; ++c) t[c] = Ident;
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = Ident;
  for (int c = 'a'; c <= 'z'; ++c) t[c] = Ident;
  t['_'] = Ident;
  for (char c : {'&', '<', '>', '"', '\'', '\r'}) t[static_cast<unsigned char>(c)] = Special;
  return t;
}
constexpr std::array<ByteClass, 256> kClass = MakeClasses();

inline ByteClass ClassOf(char c) { return kClass[static_cast<unsigned char>(c)]; }
inline bool IsIdent(char c) { return ClassOf(c) == Ident; }

// The keywords by length, for the word lookup of the one-pass conversion.
class KeywordSet {
 public:
  KeywordSet() {
    for (size_t pos = 0; pos <= kKeywords.size();) {
      size_t comma = kKeywords.find(',', pos);
      if (comma == std::string_view::npos) comma = kKeywords.size();
      const std::string_view kw = kKeywords.substr(pos, comma - pos);
      inOrder_.push_back(kw);
      if (kw.size() >= byLength_.size()) byLength_.resize(kw.size() + 1);
      byLength_[kw.size()].push_back(kw);
      pos = comma + 1;
    }
  }
  bool Contains(std::string_view word) const {
    if (word.size() >= byLength_.size()) return false;
    for (std::string_view kw : byLength_[word.size()])
      if (kw == word) return true;
    return false;
  }
  // In the order of the colouring passes.
  const std::vector<std::string_view>& InOrder() const { return inOrder_; }

 private:
  std::vector<std::string_view> inOrder_;
  std::vector<std::vector<std::string_view>> byLength_;
};

const KeywordSet& Keywords() {
  static const KeywordSet set;
  return set;
}

// Which procedure end the line starting at `at` is (its index in kProcEndTokens), when
// the line is exactly that statement and a CR LF follows it; -1 otherwise.
int ProcEndAt(std::string_view s, size_t at) {
  for (int t = 0; t < static_cast<int>(std::size(kProcEndTokens)); ++t) {
    const std::string_view tok = kProcEndTokens[t];
    if (s.compare(at, tok.size(), tok) == 0 && s.compare(at + tok.size(), 2, kCrLf) == 0) return t;
  }
  return -1;
}

// The one-pass conversion. It relies on what the passes cannot do to each other: source
// text holds no "<" after escaping, so no tag is ever made or broken by a later pass; a
// keyword is coloured exactly when it is a whole word (identifier characters on neither
// side) that neither starts nor ends the text; the string pass strips it again inside a
// quoted run and the comment pass inside a comment. A procedure end replaces the line
// break after it, unless the replacement of the line before has already used that line
// break as its own: the rules run one statement after the other, so a line ending an
// earlier-listed statement blocks the next line only when that line ends a statement
// listed at or after it.
void Convert(std::string_view s, std::string& out, bool withDelims, CProgress* poll) {
  const size_t n = s.size();
  out.clear();
  out.reserve(2 * n + 16);  // generated classes come to a little under twice their size
  out += "<pre>";

  bool quoteOpen = false;    // an odd number of quotes lies behind
  bool lineQuote = false;    // a quote stood on this line
  bool lineApos = false;     // the line's first apostrophe has been seen
  bool inComment = false;    // from that apostrophe on, the line is a comment
  int lineProcEnd = -1;      // which procedure end this line is, when it gets its rule
  size_t nextPoll = kPollStep;

  size_t i = 0;
  while (i < n) {
    if (poll && i >= nextPoll) {
      poll->Poll();
      nextPoll = i + kPollStep;
    }
    const ByteClass cls = ClassOf(s[i]);
    if (cls == Plain) {
      size_t j = i + 1;
      while (j < n && ClassOf(s[j]) == Plain) ++j;
      out.append(s, i, j - i);
      i = j;
      continue;
    }
    if (cls == Ident) {
      size_t j = i + 1;
      while (j < n && IsIdent(s[j])) ++j;
      const std::string_view word = s.substr(i, j - i);
      if (i > 0 && j < n && !quoteOpen && !inComment && Keywords().Contains(word)) {
        out += kKeywordTag;
        out += word;
        out += kCloseTag;
      } else {
        out += word;
      }
      i = j;
      continue;
    }
    switch (s[i]) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        if (!quoteOpen) {
          if (!inComment) out += kStringTag;
          out += kQuot;
        } else {
          out += kQuot;
          if (!inComment) out += kCloseTag;
        }
        quoteOpen = !quoteOpen;
        lineQuote = true;
        break;
      case '\'':
        if (!lineApos) {
          lineApos = true;
          if (!lineQuote) {
            inComment = true;
            out += kCommentTag;
          }
        }
        out += '\'';
        break;
      case '\r':
        if (i + 1 < n && s[i + 1] == '\n') {
          if (lineProcEnd >= 0) {
            out += kProcRule;  // a procedure end line holds neither quote nor apostrophe
          } else {
            if (inComment) out += kCloseTag;
            out += kCrLf;
          }
          lineQuote = lineApos = inComment = false;
          i += 2;
          const int prev = lineProcEnd;
          const int next = withDelims ? ProcEndAt(s, i) : -1;
          lineProcEnd = next >= 0 && !(prev >= 0 && prev <= next) ? next : -1;
          continue;
        }
        out += '\r';
        break;
    }
    ++i;
  }
  if (quoteOpen) {
    out += kQuot;
    if (!inComment) out += kCloseTag;
  }
  if (inComment) out += kCloseTag;
  out += "</pre>";
}

// Calls f(piece, index) for the pieces of `text` split at `sep` (never empty).
template <class F>
void ForEachPiece(std::string_view text, std::string_view sep, F&& f) {
  size_t pos = 0;
  for (size_t index = 0;; ++index) {
    const size_t hit = text.find(sep, pos);
    if (hit == std::string_view::npos) {
      f(text.substr(pos), index);
      return;
    }
    f(text.substr(pos, hit - pos), index);
    pos = hit + sep.size();
  }
}

}  // namespace

void EscapeHTML(std::string& Text) {
  std::string out;
  out.reserve(Text.size() + Text.size() / 8);
  for (char c : Text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += kQuot; break;
      default: out += c;
    }
  }
  Text = std::move(out);
}

void AddDelimTo(std::string& Code, std::string_view Token) {
  std::string from, to;
  from.append(kCrLf).append(Token).append(kCrLf);
  to.append(kCrLf).append(Token).append(kProcRule);
  Code = srctext::ReplaceAll(Code, from, to);
}

void AddProcDelimiter(std::string& Code) {
  for (std::string_view tok : kProcEndTokens) AddDelimTo(Code, tok);
}

void ColorizeKwd(std::string& Code, std::string_view Kwd) {
  ErrGuard(
      "MCode2HTML.ColorizeKwd(Code,Kwd)",
      [&] {
        if (Kwd.empty() || Code.find(Kwd) == std::string::npos) return;
        const std::string_view text = Code;
        std::string out;
        out.reserve(text.size() + text.size() / 4);
        std::string_view before;
        bool first = true;
        // Each occurrence is decided by the pieces on its two sides as split.
        ForEachPiece(text, Kwd, [&](std::string_view piece, size_t) {
          if (!first) {
            const bool plainBefore = !before.empty() && !IsIdent(before.back());
            const bool plainAfter = !piece.empty() && !IsIdent(piece.front());
            if (plainBefore && plainAfter) {
              out += kKeywordTag;
              out += Kwd;
              out += kCloseTag;
            } else {
              out += Kwd;
            }
          }
          out += piece;
          before = piece;
          first = false;
        });
        Code = std::move(out);
      },
      Code, Kwd);
}

void ColorizeStrConstants(std::string& Code) {
  std::string out;
  out.reserve(Code.size() + Code.size() / 4);
  ForEachPiece(Code, kQuot, [&](std::string_view piece, size_t index) {
    if (index % 2 == 0) {
      out += piece;
      return;
    }
    std::string inner(piece);
    RemoveAllTags(inner);
    out.append(kStringTag).append(kQuot).append(inner).append(kQuot).append(kCloseTag);
  });
  Code = std::move(out);
}

void ColorizeComments(std::string& Code) {
  std::string out;
  out.reserve(Code.size() + Code.size() / 8);
  bool first = true;
  std::string_view line;
  for (srctext::LineCursor lines(Code); lines.Next(line);) {
    if (!first) out += kCrLf;
    first = false;
    const size_t apos = line.find('\'');
    const std::string_view before = line.substr(0, apos == std::string_view::npos ? line.size() : apos);
    if (apos == std::string_view::npos || before.find(kQuot) != std::string_view::npos) {
      out += line;
      continue;
    }
    std::string comment(line.substr(apos));
    RemoveAllTags(comment);
    out.append(before).append(kCommentTag).append(comment).append(kCloseTag);
  }
  Code = std::move(out);
}

void RemoveAllTags(std::string& S) {
  for (std::string_view tag : {kStringTag, kKeywordTag, kCloseTag})
    if (S.find(tag) != std::string::npos) S = srctext::ReplaceAll(S, tag, "");
}

void VBCodeToHTML(const std::string& Src, std::string& Res, bool WithDoEvents, bool WithProcDelimiters,
                  CProgress* Progress) {
  ErrGuard(
      "MCode2HTML.VBCodeToHTML(Src,Res,WithDoEvents)",
      [&] {
        if (Progress) Progress->Message(kFormattingMessage);
        std::string html;
        Convert(Src, html, WithProcDelimiters, WithDoEvents ? Progress : nullptr);
        Res = std::move(html);
      },
      Src, Res, WithDoEvents);
}

std::string VBCodeToHTMLByPasses(const std::string& Src, bool WithProcDelimiters) {
  std::string res = Src;
  EscapeHTML(res);
  if (WithProcDelimiters) AddProcDelimiter(res);
  for (std::string_view kw : Keywords().InOrder()) ColorizeKwd(res, kw);
  ColorizeStrConstants(res);
  ColorizeComments(res);
  return "<pre>" + res + "</pre>";
}

}  // namespace pf::MCode2HTML
