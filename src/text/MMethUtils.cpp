#include "text/MMethUtils.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <utility>

#include "base/SourceText.h"
#include "base/Utf8.h"
#include "errors/ErrGuard.h"

namespace pf::MMethUtils {

using namespace pf::srctext;

namespace {

// ---- UTF-8 ----------------------------------------------------------------------------

using Utf8::IsContinuationByte;

// Byte length of the first n code points of s (all of s when it holds fewer).
size_t Utf8PrefixBytes(std::string_view s, size_t n) {
  // ASCII bytes are one character each: they are taken in one sweep.
  size_t i = 0;
  const size_t ascii = std::min(n, s.size());
  for (uint64_t w; i + 8 <= ascii; i += 8) {
    std::memcpy(&w, s.data() + i, 8);
    if ((w & 0x8080808080808080ull) != 0) break;
  }
  while (i < ascii && static_cast<unsigned char>(s[i]) < 0x80) ++i;
  n -= i;
  if (i > 0)
    while (i < s.size() && IsContinuationByte(s[i])) ++i;
  while (n > 0 && i < s.size()) {
    ++i;
    while (i < s.size() && IsContinuationByte(s[i])) ++i;
    --n;
  }
  return i;
}

// Code points of s; a byte that does not start a valid sequence stands for itself
// (mapped out of the way of real code points so that it only equals itself).
std::u32string DecodeUtf8(std::string_view s) {
  std::u32string r;
  r.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    size_t len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    bool ok = len > 0 && i + len <= s.size();
    for (size_t k = 1; ok && k < len; ++k) ok = IsContinuationByte(s[i + k]);
    if (!ok) {
      r.push_back(0x110000u + b);
      ++i;
      continue;
    }
    char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    r.push_back(cp);
    i += len;
  }
  return r;
}

// ---- Name patterns ---------------------------------------------------------------------

struct PatternToken {
  enum Kind { Literal, AnyChar, Digit, AnyRun, CharList };
  explicit PatternToken(Kind k, char32_t c = 0) : kind(k), ch(c) {}

  Kind kind;
  char32_t ch;
  bool negated = false;
  std::vector<std::pair<char32_t, char32_t>> ranges;

  bool Matches(char32_t c) const {
    switch (kind) {
      case Literal: return c == ch;
      case AnyChar: return true;
      case Digit: return c >= U'0' && c <= U'9';
      case CharList: {
        bool in = false;
        for (const auto& [lo, hi] : ranges) in = in || (c >= lo && c <= hi);
        return in != negated;
      }
      case AnyRun: break;
    }
    return false;
  }
};

std::vector<PatternToken> CompilePattern(std::string_view pattern) {
  const std::u32string p = DecodeUtf8(pattern);
  std::vector<PatternToken> tokens;
  for (size_t i = 0; i < p.size(); ++i) {
    const char32_t c = p[i];
    if (c == U'*') {
      if (tokens.empty() || tokens.back().kind != PatternToken::AnyRun) tokens.emplace_back(PatternToken::AnyRun);
    } else if (c == U'?') {
      tokens.emplace_back(PatternToken::AnyChar);
    } else if (c == U'#') {
      tokens.emplace_back(PatternToken::Digit);
    } else if (c == U'[') {
      const size_t close = p.find(U']', i + 1);
      Faultnet31::Check(close != std::u32string::npos, ERR_USER_CHECK, "Invalid pattern string: %1", pattern);
      PatternToken t(PatternToken::CharList);
      size_t k = i + 1;
      if (k < close && p[k] == U'!') {
        t.negated = true;
        ++k;
      }
      for (; k < close; ++k) {
        char32_t lo = p[k], hi = p[k];
        if (k + 2 < close && p[k + 1] == U'-') {
          hi = p[k + 2];
          k += 2;
          Faultnet31::Check(lo <= hi, ERR_USER_CHECK, "Invalid pattern string: %1", pattern);
        }
        t.ranges.emplace_back(lo, hi);
      }
      // "[]" stands for no character at all; "[!]" for any one character.
      if (!t.ranges.empty() || t.negated) tokens.push_back(std::move(t));
      i = close;
    } else {
      tokens.emplace_back(PatternToken::Literal, c);
    }
  }
  return tokens;
}

// Whole-text match; every token but AnyRun takes exactly one character, so returning to
// the last AnyRun on a mismatch finds a match whenever one exists.
bool MatchTokens(const std::u32string& s, const std::vector<PatternToken>& tokens) {
  size_t si = 0, pi = 0, starPi = std::string::npos, starSi = 0;
  while (si < s.size()) {
    if (pi < tokens.size() && tokens[pi].kind == PatternToken::AnyRun) {
      starPi = pi++;
      starSi = si;
    } else if (pi < tokens.size() && tokens[pi].Matches(s[si])) {
      ++pi;
      ++si;
    } else if (starPi != std::string::npos) {
      pi = starPi + 1;
      si = ++starSi;
    } else {
      return false;
    }
  }
  while (pi < tokens.size() && tokens[pi].kind == PatternToken::AnyRun) ++pi;
  return pi == tokens.size();
}

// Walks the items of a `delim`-separated list without allocating; an empty list has none.
class ItemCursor {
 public:
  ItemCursor(std::string_view list, char delim) : rest_(list), delim_(delim), done_(list.empty()) {}
  bool Next(std::string_view& item) {
    if (done_) return false;
    const size_t p = rest_.find(delim_);
    item = rest_.substr(0, p);
    if (p == std::string_view::npos) {
      done_ = true;
    } else {
      rest_.remove_prefix(p + 1);
    }
    return true;
  }

 private:
  std::string_view rest_;
  char delim_;
  bool done_;
};

// ---- Begins-with tests on views (no allocation) -----------------------------------------

template <class List>
bool BeginsWithAny(std::string_view line, const List& subStrings) {
  const std::string_view t = TrimBlanks(line);
  for (const auto& sub : subStrings)
    if (NoCase::StartsWith(t, sub)) return true;
  return false;
}

// uParseToken on a view: on success `line` becomes the trimmed rest.
bool ParseToken(std::string_view token, std::string_view& line) {
  const std::string_view t = TrimBlanks(line);
  if (!NoCase::StartsWith(t, token)) return false;
  line = TrimBlanks(t.substr(token.size()));
  return true;
}

// uFindWords on views: `found` is the word as listed.
bool FindWords(std::string_view words, std::string_view& found, std::string_view& line) {
  std::string_view w;
  for (ItemCursor items(words, ','); items.Next(w);) {
    if (ParseToken(w, line)) {
      found = w;
      return true;
    }
  }
  found = {};
  return false;
}

// The reserved words, as one list (duplicates are harmless). The second half holds the
// operators and statement words the language reserves as well: a procedure or parameter
// named "Select", "Case" or "Print" would stop the generated class from compiling.
constexpr std::string_view kVBKeyWords =
    "Sub,Function,Property,End,Option,Explicit,Implicit,Implements,Private,Public,Friend,Declare,Any,ByVal,ByRef,"
    "As,To,Dim,Redim,Type,Enum,Optional,Type,Const,Call,Return,Stop,Alias,Lib,New,Event,String,Long,Integer,"
    "Boolean,Byte,Variant,Single,Double,Currency,Date,Decimal,Object,Null,Nothing,Empty,If,Then,Else,For,Next,Do,"
    "Loop,While,Until,Exit,On,Error,Goto,Resume,End,Scale,"
    "And,Or,Not,Xor,Eqv,Imp,Mod,Is,Like,TypeOf,AddressOf,Select,Case,With,Set,Let,Each,In,Step,Static,Global,"
    "GoSub,ElseIf,Wend,True,False,Me,ParamArray,Preserve,WithEvents,RaiseEvent,Rem,Print,LSet,RSet,Erase";

// The length of the longest reserved word: longer names need no comparison.
constexpr size_t LongestItem(std::string_view list) {
  size_t longest = 0, run = 0;
  for (char c : list) {
    run = c == ',' ? 0 : run + 1;
    if (run > longest) longest = run;
  }
  return longest;
}
constexpr size_t kLongestVBKeyWord = LongestItem(kVBKeyWords);

constexpr std::string_view kProcEndSuffixes[] = {"End Function", "End Sub", "End Property"};

}  // namespace

// ---- Name patterns ---------------------------------------------------------------------

bool uIsLike(std::string_view AString, std::string_view Pattern) {
  if (Pattern == "*") return true;  // the filter of every list that is not filtered
  return MatchTokens(DecodeUtf8(AString), CompilePattern(Pattern));
}

bool uPatternMatch(std::string_view AString, std::string_view Patterns, bool CaseSensitive) {
  return PatternList(Patterns, CaseSensitive).Matches(AString);
}

struct PatternList::Compiled {
  std::string List;                                              // lower-cased unless case counts
  std::vector<std::string_view> Patterns;                        // into List
  std::vector<std::optional<std::vector<PatternToken>>> Tokens;  // beside Patterns, once reached
};

PatternList::PatternList(std::string_view Patterns, bool CaseSensitive)
    : patterns_(Patterns), caseSensitive_(CaseSensitive), compiled_(std::make_unique<Compiled>()) {
  compiled_->List = CaseSensitive ? std::string(Patterns) : NoCase::Lower(Patterns);
  compiled_->Patterns = uSplit(compiled_->List, ';');
  compiled_->Tokens.resize(compiled_->Patterns.size());
}

PatternList::~PatternList() = default;
PatternList::PatternList(PatternList&&) noexcept = default;
PatternList& PatternList::operator=(PatternList&&) noexcept = default;

bool PatternList::Matches(std::string_view AString) const {
  return ErrGuard(
      "MMethUtils.uPatternMatch(AString,Patterns)",
      [&] {
        const std::u32string text = DecodeUtf8(caseSensitive_ ? std::string(AString) : NoCase::Lower(AString));
        Compiled& c = *compiled_;
        for (size_t i = 0; i < c.Patterns.size(); ++i) {
          if (!c.Tokens[i]) c.Tokens[i] = CompilePattern(c.Patterns[i]);
          if (MatchTokens(text, *c.Tokens[i])) return true;
        }
        return false;
      },
      AString, patterns_);
}

// ---- Continuation lines --------------------------------------------------------------

std::string uBreakLine(std::string_view AText, std::string_view Indent, int32_t& Count, int32_t MaxLen,
                       std::string_view Delim) {
  return ErrGuard(
      "MMethUtils.uBreakLine(AText,Indent,Count,MaxLen,Delim)",
      [&] {
        std::string result;
        result.reserve(AText.size() + AText.size() / 8 + 16);
        std::string_view rest = AText;
        Count = 1;
        bool inString = false;
        const size_t maxLen = MaxLen > 0 ? static_cast<size_t>(MaxLen) : 0;
        const size_t delimFirstChar = Utf8PrefixBytes(Delim, 1);
        while (!rest.empty()) {
          // Where the piece ends: after the first character of the chosen delimiter.
          size_t cut = rest.size();
          size_t delimAt = std::string_view::npos;
          const size_t head = Utf8PrefixBytes(rest, maxLen);
          if (head < rest.size() && !Delim.empty()) {
            delimAt = rest.substr(0, head).rfind(Delim);
            if (delimAt == std::string_view::npos) delimAt = rest.find(Delim);
            if (delimAt != std::string_view::npos) cut = delimAt + delimFirstChar;
          }
          if (cut >= rest.size()) {
            result += rest;
            break;
          }
          inString ^= (std::count(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(delimAt), '"') & 1) != 0;
          ++Count;
          result += rest.substr(0, cut);
          rest.remove_prefix(cut);
          if (inString) {
            result += "\" & _ ";
            result += kCrLf;
            result += Indent;
            result += '"';
          } else {
            result += " _ ";
            result += kCrLf;
            result += Indent;
          }
        }
        return result;
      },
      AText, Indent, Count, MaxLen, Delim);
}

void uBreakLine22(std::string& AText, std::string_view Indent, std::string_view Delim) {
  ErrGuard(
      "MMethUtils.uBreakLine22(AText,Indent,Delim)",
      [&] {
        int32_t maxLen = 100;
        int32_t count = 0;
        std::string broken = uBreakLine(AText, Indent, count, maxLen, Delim);
        while (count > 22 && maxLen <= 500) {
          maxLen += 50;
          broken = uBreakLine(AText, Indent, count, maxLen, Delim);
        }
        AText = std::move(broken);
      },
      AText, Indent, Delim);
}

// ---- Identifiers ---------------------------------------------------------------------

std::string uCheckWithVBKeyWords(std::string_view AName) {
  return ErrGuard(
      "MMethUtils.uCheckWithVBKeyWords(AName)",
      [&] {
        if (AName.size() > kLongestVBKeyWord) return std::string(AName);
        std::string_view w;
        for (ItemCursor words(kVBKeyWords, ','); words.Next(w);)
          if (NoCase::Equals(AName, w)) return std::string(AName) + "0";
        return std::string(AName);
      },
      AName);
}

std::string uGetStdTypePrefix(std::string_view AType) {
  static constexpr std::pair<std::string_view, std::string_view> kPrefixes[] = {
      {"Variant", "var"}, {"Long", "lng"},   {"Double", "dbl"},   {"String", "str"}, {"Date", "dat"},
      {"Boolean", "bln"}, {"Single", "sng"}, {"Currency", "cur"}, {"Byte", "byt"},   {"Integer", "int"}};
  return ErrGuard(
      "MMethUtils.uGetStdTypePrefix(AType)",
      [&] {
        for (const auto& [type, prefix] : kPrefixes)
          if (AType == type) return std::string(prefix);
        return std::string();
      },
      AType);
}

std::string uRemovePrefix(std::string_view strName, std::string_view strPrefixes) {
  return ErrGuard(
      "MMethUtils.uRemovePrefix(strName,strPrefixes)",
      [&] {
        std::string list;
        list.reserve(strPrefixes.size());
        for (char c : strPrefixes)
          if (c != ' ') list += c == ',' ? ';' : NoCase::ToLower(c);
        // An empty entry (as in "sp_;") would otherwise match every name and end the search.
        for (std::string_view rest = list; !rest.empty();) {
          const size_t end = std::min(rest.find(';'), rest.size());
          const std::string_view prefix = rest.substr(0, end);
          if (!prefix.empty() && NoCase::StartsWith(strName, prefix))
            return std::string(strName.substr(prefix.size()));
          rest.remove_prefix(std::min(end + 1, rest.size()));
        }
        return std::string(strName);
      },
      strName, strPrefixes);
}

std::string RemoveSpecChars(std::string_view strName) {
  return ErrGuard(
      "MMethUtils.RemoveSpecChars(strName)",
      [&] {
        std::string r;
        for (char c : strName)
          if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) r += c;
        return r;
      },
      strName);
}

std::string uToWordCap(std::string_view AName) {
  return ErrGuard(
      "MMethUtils.uToWordCap(AName)",
      [&] {
        std::string r;
        r.reserve(AName.size());
        size_t start = 0;
        while (true) {
          const size_t us = AName.find('_', start);
          const std::string_view part = AName.substr(start, us == std::string_view::npos ? us : us - start);
          const size_t first = r.size();
          const bool allUpper = std::none_of(part.begin(), part.end(), [](char c) { return c >= 'a' && c <= 'z'; });
          if (allUpper && part != "ID") {
            for (char c : part) r += NoCase::ToLower(c);
          } else {
            r += part;
          }
          if (!part.empty()) r[first] = ToUpperAscii(r[first]);
          if (us == std::string_view::npos) break;
          start = us + 1;
        }
        return r;
      },
      AName);
}

std::string uRTrimChars(std::string_view S, std::string_view Chars) {
  return ErrGuard(
      "MMethUtils.uRTrimChars(S,Chars)", [&] { return std::string(srctext::RTrimAny(S, Chars)); }, S, Chars);
}

// ---- Source text ---------------------------------------------------------------------

CodeFormatter::CodeFormatter(size_t SizeHint, std::string_view Lead) : leadBytes_(Lead.size()) {
  out_.reserve(Lead.size() + SizeHint + SizeHint / 16 + 16);
  out_.append(Lead);
}

void CodeFormatter::Add(std::string_view Piece) {
  // The joiner's state carries over from piece to piece, as if the pieces were one text.
  LineJoiner joiner(out_, at_);
  std::string_view line;
  for (LineCursor lines(Piece); lines.Next(line);) {
    joiner.BeginLine();
    const size_t lineStart = out_.size();
    line = RTrimBlanks(line);
    if (NoCase::StartsWith(LTrimBlanks(line), "Attribute mRecordset")) continue;
    // "'#" becomes "'" (one left-to-right pass, as a plain replace does), except
    // inside string literals: a literal's text is what the program passes on.
    // Most lines hold no "'#" at all and need no scan.
    size_t from = 0;
    if (line.find("'#") != std::string_view::npos) {
      bool inString = false, inComment = false;
      for (size_t p = 0; p < line.size(); ++p) {
        if (line[p] == '"' && !inComment) {
          inString = !inString;
        } else if (line[p] == '\'' && !inString) {
          inComment = true;
          if (p + 1 < line.size() && line[p + 1] == '#') {
            joiner.Append(line.substr(from, p + 1 - from));
            from = ++p + 1;
          }
        }
      }
    }
    joiner.Append(line.substr(from));
    // Counted while the line is at hand: a later pass over the whole text costs more.
    const std::string_view written = std::string_view(out_).substr(lineStart);
    lineBytes_ += written.size();
    lineChars_ += Utf8::Length(written);
    for (std::string_view end : kProcEndSuffixes) {
      if (out_.ends_with(end)) {
        joiner.DoubleNextBreak();
        break;
      }
    }
  }
  at_ = joiner.At();
}

std::string uFormatCode(std::string_view strCode) {
  return ErrGuard(
      "MMethUtils.uFormatCode(strCode)",
      [&] {
        CodeFormatter formatter(strCode.size());
        formatter.Add(strCode);
        return formatter.Take();
      },
      strCode);
}

bool uBeginsWith(std::string_view Line, std::initializer_list<std::string_view> SubStrings) {
  return ErrGuard(
      "MMethUtils.uBeginsWith(Line,SubStrings)", [&] { return BeginsWithAny(Line, SubStrings); }, Line,
      ErrValue::Array());
}

bool uBeginsWith(std::string_view Line, const std::vector<std::string>& SubStrings) {
  return ErrGuard(
      "MMethUtils.uBeginsWith(Line,SubStrings)", [&] { return BeginsWithAny(Line, SubStrings); }, Line,
      SubStrings);
}

// Both are asked of every line of a class: the comparison runs without an error frame of its
// own, as it cannot fail.
bool uIsPublicProcStart(std::string_view Line) {
  static constexpr std::string_view kStarts[] = {"Public Function", "Public Sub", "Public Property"};
  return BeginsWithAny(Line, kStarts);
}

bool uIsProcEnd(std::string_view Line) {
  static constexpr std::string_view kEnds[] = {"End Sub", "End Function", "End Property"};
  return BeginsWithAny(Line, kEnds);
}

std::string uExtractSecondWord(std::string_view S) {
  return ErrGuard(
      "MMethUtils.uExtractSecondWord(S)",
      [&] {
        const std::string_view t = LTrimBlanks(S);
        const size_t first = t.find(' ');
        if (first == std::string_view::npos) return std::string();
        const std::string_view rest = t.substr(first + 1);
        return std::string(rest.substr(0, rest.find(' ')));
      },
      S);
}

bool uParseToken(std::string_view sToken, std::string& sLine) {
  return ErrGuard(
      "MMethUtils.uParseToken(sToken,sLine)",
      [&] {
        std::string_view line = sLine;
        if (!ParseToken(sToken, line)) return false;
        sLine = std::string(line);
        return true;
      },
      sToken, sLine);
}

bool uFindWords(std::string_view sWords, std::string& sFoundWord, std::string& sLine) {
  return ErrGuard(
      "MMethUtils.uFindWords(sWords,sFoundWord,sLine)",
      [&] {
        std::string_view line = sLine, found;
        const bool ok = FindWords(sWords, found, line);
        sFoundWord = std::string(found);
        if (ok) sLine = std::string(line);
        return ok;
      },
      sWords, sFoundWord, sLine);
}

bool uParseMethHeader(std::string_view sLine, std::string& ProcType, std::string& sScope, std::string& MethName) {
  return ErrGuard(
      "MMethUtils.uParseMethHeader(sLine,ProcType,sScope,MethName)",
      [&] {
        ProcType.clear();
        sScope.clear();
        MethName.clear();
        std::string_view line = sLine, scope, type;
        // A header begins with its scope or its kind: Public, Private, Friend, Sub,
        // Function or Property.
        const std::string_view t = LTrimBlanks(line);
        if (t.empty() || std::string_view("PpFfSs").find(t.front()) == std::string_view::npos) return false;
        FindWords("Public ,Private ,Friend", scope, line);
        if (!FindWords("Sub ,Function ,Property ", type, line)) return false;
        sScope = scope;
        ProcType = TrimBlanks(type);
        MethName = line.substr(0, line.find('('));
        return true;
      },
      sLine, ProcType, sScope, MethName);
}

// ---- Lists ---------------------------------------------------------------------------

std::vector<std::string_view> uSplit(std::string_view List, char Delim) {
  std::vector<std::string_view> items;
  std::string_view item;
  for (ItemCursor cursor(List, Delim); cursor.Next(item);) items.push_back(item);
  return items;
}

std::string uMTSSettingAsString(int32_t MTSStt) {
  return ErrGuard(
      "MMethUtils.uMTSSettingAsString(MTSStt)",
      [&] {
        static constexpr std::string_view kModes[] = {"NotAnMTSObject", "NoTransactions", "RequiresTransaction",
                                                      "UsesTransaction", "RequiresNewTransaction"};
        const bool inList = MTSStt >= 0 && MTSStt < static_cast<int32_t>(std::size(kModes));
        return std::string(kModes[inList ? MTSStt : 0]);
      },
      MTSStt);
}

std::string uBuildFlagSum(std::string_view FlagList, const std::vector<bool>& FlagValues, std::string_view Delim,
                          std::string_view DefaultText) {
  return ErrGuard(
      "MMethUtils.uBuildFlagSum(FlagList,FlagValues)",
      [&] {
        const std::vector<std::string_view> names = uSplit(FlagList, ',');
        Faultnet31::Check(names.size() == FlagValues.size(), ERR_GENERAL,
                          "Number of flag names in list doesn't match number of flags");
        std::string r;
        for (size_t i = 0; i < names.size(); ++i) {
          if (!FlagValues[i]) continue;
          if (!r.empty()) r += Delim;
          r += names[i];
        }
        return r.empty() ? std::string(DefaultText) : r;
      },
      FlagList, FlagValues);
}

}  // namespace pf::MMethUtils
