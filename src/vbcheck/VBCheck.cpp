#include "vbcheck/VBCheck.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "text/MMethUtils.h"
#include "text/VBSource.h"
#include "vbcheck/VBLexer.h"
#include "vbcheck/VBParser.h"

// The checks on the raw text (leftovers of code generation, the compiler's limits) and the
// entry points, which run them with the tokenizer (VBLexer) and the parser (VBParser).

namespace pf {

using namespace vbcheck;

namespace {

// The leftovers in T[i, end), counting lines in `line`.
void ScanLeftoversIn(std::string_view T, size_t i, size_t end, int& line, std::vector<VBFinding>& F) {
  static constexpr std::string_view kMarkers[] = {"block",   "endblock", "cond",    "condnot",
                                                  "endcond", "lcond",    "lcondnot"};
  T = T.substr(0, end);
  while (i < T.size()) {
    const char c = T[i];
    if (c == '\n' || (c == '\r' && (i + 1 >= T.size() || T[i + 1] != '\n'))) {
      ++line;
      ++i;
    } else if (c == '\'' && i + 1 < T.size() && T[i + 1] == '#') {
      size_t e = i + 2;
      while (e < T.size() && IsIdentStart(T[e])) ++e;
      const std::string_view word = T.substr(i + 2, e - i - 2);
      for (std::string_view m : kMarkers)
        if (Equals(word, m)) {
          F.push_back({line, "leftover block marker '" + std::string(T.substr(i, e - i)) + "'"});
          break;
        }
      i = e;
    } else if (IsIdentChar(c)) {
      size_t e = i;
      while (e < T.size() && IsIdentChar(T[e])) ++e;
      const std::string_view word = T.substr(i, e - i);
      // Reference names are letters and digits: a catalogue name such as usp_XXtest_XX,
      // inserted as it is, merely holds the marker.
      size_t from = 0;
      for (;;) {
        const size_t open = word.find("XX", from);
        if (open == std::string_view::npos) break;
        const size_t close = word.find("XX", open + 3);
        if (close == std::string_view::npos) break;
        const std::string_view name = word.substr(open + 2, close - open - 2);
        // A run of X's in a name (usp_XXXXXfoo, CXXXXX) is no reference: no reference
        // name is made of X's alone.
        const bool onlyXs = name.find_first_not_of('X') == std::string_view::npos;
        if (name.find('_') == std::string_view::npos && !onlyXs)
          F.push_back({line, "leftover reference '" + std::string(word.substr(open, close + 2 - open)) + "'"});
        from = close + 2;
      }
      i = e;
    } else {
      ++i;
    }
  }
}

// Whether a carriage return stands alone somewhere in T (a line break of its own).
bool HasLoneCarriageReturn(std::string_view T) {
  if (T.empty()) return false;
  // Without a branch per character, so that the compiler vectorizes the loop.
  const auto* p = reinterpret_cast<const unsigned char*>(T.data());
  const size_t last = T.size() - 1;
  unsigned char lone = p[last] == '\r';
  for (size_t i = 0; i < last; ++i) lone |= static_cast<unsigned char>((p[i] == '\r') & (p[i + 1] != '\n'));
  return lone != 0;
}

// Leftovers of code generation, looked for in the raw text so that comments and strings count:
// references XX<name>XX (case-sensitive, inside one word) and block markers '#word.
void ScanLeftovers(std::string_view T, std::vector<VBFinding>& F) {
  size_t nextRef = T.find("XX"), nextMarker = T.find("'#");
  // Without either there is nothing to report, however the lines end.
  if (nextRef == std::string_view::npos && nextMarker == std::string_view::npos) return;
  int line = 1;
  if (HasLoneCarriageReturn(T)) {
    // Lines (to their "\n") without a "XX", a "'#" or a lone carriage return hold nothing to
    // report: only the line count moves. The others are read character by character.
    for (size_t start = 0; start < T.size();) {
      size_t end = T.find('\n', start);
      end = end == std::string_view::npos ? T.size() : end + 1;
      const std::string_view text = T.substr(start, end - start);
      const size_t cr = text.find('\r');
      if (text.find("XX") == std::string_view::npos && text.find("'#") == std::string_view::npos &&
          (cr == std::string_view::npos || cr + 2 == text.size())) {
        if (text.back() == '\n') ++line;
        start = end;
        continue;
      }
      ScanLeftoversIn(T, start, end, line, F);
      start = end;
    }
    return;
  }
  // Every line ends at a "\n": only the lines holding a "XX" or a "'#" are read, found by
  // searching the whole text, and the line count moves by the "\n" before each.
  size_t counted = 0;  // line counts the "\n" before this offset
  while (nextRef != std::string_view::npos || nextMarker != std::string_view::npos) {
    const size_t at = std::min(nextRef, nextMarker);
    const size_t nl = at == 0 ? std::string_view::npos : T.rfind('\n', at - 1);
    const size_t start = nl == std::string_view::npos ? 0 : nl + 1;
    size_t end = T.find('\n', at);
    end = end == std::string_view::npos ? T.size() : end + 1;
    line += static_cast<int>(
        std::count(T.begin() + static_cast<ptrdiff_t>(counted), T.begin() + static_cast<ptrdiff_t>(start), '\n'));
    ScanLeftoversIn(T, start, end, line, F);
    counted = end;
    if (nextRef < end) nextRef = T.find("XX", end);
    if (nextMarker < end) nextMarker = T.find("'#", end);
  }
}

// The compiler's limits on physical lines and names, and the module's own name.
void ScanLimits(std::string_view T, std::vector<VBFinding>& F) {
  static constexpr std::string_view kVBName = "Attribute VB_Name = \"";
  int line = 1;
  const char* const stop = T.data() + T.size();
  for (const char* p = T.data(); p < stop;) {
    const auto* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(stop - p)));
    const char* end = nl ? nl : stop;
    std::string_view text(p, static_cast<size_t>(end - p));
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (text.size() > VBSource::kMaxLineLength)
      F.push_back({line, "line of " + std::to_string(text.size()) + " characters (at most " +
                             std::to_string(VBSource::kMaxLineLength) + ")"});
    if (!text.empty() && text[0] == kVBName[0] && text.starts_with(kVBName)) {
      const std::string_view rest = text.substr(kVBName.size());
      const std::string_view name = rest.substr(0, rest.find('"'));
      if (!VBSource::IsIdentifier(name) || MMethUtils::uCheckWithVBKeyWords(name) != name)
        F.push_back({line, "module name '" + std::string(name) +
                               "' is no Visual Basic name (a letter, then letters, digits and underscores, at most " +
                               "255, not a keyword)"});
    }
    // A line no longer than the longest name cannot hold a longer one.
    bool inString = false;
    for (size_t i = 0; text.size() > VBSource::kMaxNameLength && i < text.size();) {
      if (text[i] == '"') inString = !inString;
      if (!inString && text[i] == '\'') break;  // a comment holds no names
      if (inString || !IsIdentStart(text[i]) || (i > 0 && IsIdentChar(text[i - 1]))) {
        ++i;
        continue;
      }
      size_t e = i;
      while (e < text.size() && IsIdentChar(text[e])) ++e;
      if (e - i > VBSource::kMaxNameLength)
        F.push_back({line, "name of " + std::to_string(e - i) + " characters (at most " +
                               std::to_string(VBSource::kMaxNameLength) + "): " + std::string(text.substr(i, 40)) +
                               "..."});
      i = e;
    }
    p = end + 1;
    ++line;
  }
}

}  // namespace

std::vector<VBFinding> CheckVB(std::string_view Text, const std::vector<std::string_view>& OtherModules,
                               const VBCheckOptions& Options) {
  // Public names of the other modules, each read with the same parser (its findings unused).
  NameSet external;
  std::vector<VBFinding> ignored;
  for (std::string_view other : OtherModules) {
    Parse(other, ignored, {.Public = &external});
    ignored.clear();
  }

  std::vector<VBFinding> findings;
  ScanLeftovers(Text, findings);
  ScanLimits(Text, findings);
  Parse(Text, findings, {.External = &external, .NamesRead = Options.NamesRead, .Fragment = Options.Fragment});
  std::stable_sort(findings.begin(), findings.end(),
                   [](const VBFinding& a, const VBFinding& b) { return a.Line < b.Line; });
  return findings;
}

std::vector<std::string> ModuleLevelNames(std::string_view Text) {
  std::vector<VBFinding> ignored;
  std::vector<std::string> names;
  Parse(Text, ignored, {.ModuleNames = &names});
  return names;
}

std::vector<std::string> VBStringLiterals(std::string_view Text) {
  std::vector<VBFinding> ignored;
  std::vector<std::string> out;
  Lexer lexer(Text, ignored);
  std::vector<Token> line;
  while (lexer.Next(line))
    for (const Token& t : line) {
      if (t.Kind != TK::String) continue;
      // The token holds the quotes; an unterminated literal has no closing one.
      const bool closed = t.Text.size() >= 2 && t.Text.back() == '"';
      const std::string_view inner = t.Text.substr(1, t.Text.size() - (closed ? 2 : 1));
      std::string value;
      for (size_t i = 0; i < inner.size(); ++i) {
        value += inner[i];
        if (inner[i] == '"') ++i;  // the second quote of a doubled one
      }
      out.push_back(std::move(value));
    }
  return out;
}

std::vector<VBProcedure> VBProcedures(std::string_view Text) {
  std::vector<VBFinding> ignored;
  std::vector<VBProcedure> out;
  Parse(Text, ignored, {.Outline = &out});
  return out;
}

std::vector<VBLine> VBLogicalLines(std::string_view Text) {
  std::vector<VBFinding> ignored;
  // Offsets of a token's text in Text; an identifier's type suffix and the brackets of a
  // bracketed name lie just outside it.
  auto begin = [&](const Token& t) {
    const size_t b = static_cast<size_t>(t.Text.data() - Text.data());
    return t.Kind == TK::Ident && b > 0 && Text[b - 1] == '[' ? b - 1 : b;
  };
  auto end = [&](const Token& t) {
    const size_t e = static_cast<size_t>(t.Text.data() - Text.data()) + t.Text.size();
    return t.Kind == TK::Ident && e < Text.size() && (t.Suffix || Text[e] == ']') ? e + 1 : e;
  };
  std::vector<VBLine> out;
  Lexer lexer(Text, ignored);
  std::vector<Token> tokens;  // one logical line, ending with its Eol
  while (lexer.Next(tokens)) {
    const Token& first = tokens.front();
    const std::string_view raw = Text.substr(begin(first), end(tokens[tokens.size() - 2]) - begin(first));
    std::string text;
    text.reserve(raw.size());
    for (size_t p = 0; p < raw.size(); ++p) {
      // A "_" that is no part of a name, with only blanks up to the line end, continues
      // the line; no string literal holds a line end.
      size_t q = p + 1;
      while (q < raw.size() && IsBlank(raw[q])) ++q;
      if (raw[p] == '_' && q < raw.size() && IsLineEnd(raw[q]) && (p == 0 || !IsIdentChar(raw[p - 1]))) {
        while (!text.empty() && IsBlank(text.back())) text.pop_back();
        while (q < raw.size() && (IsLineEnd(raw[q]) || IsBlank(raw[q]))) ++q;
        text += ' ';
        p = q - 1;
      } else {
        text += raw[p];
      }
    }
    out.push_back({first.Line, std::move(text)});
  }
  return out;
}

std::string FormatFindings(const std::vector<VBFinding>& Findings) {
  std::string out;
  for (const VBFinding& f : Findings) {
    out += "line ";
    out += std::to_string(f.Line);
    out += ": ";
    out += f.Message;
    out += '\n';
  }
  return out;
}

}  // namespace pf
