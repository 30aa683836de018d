#include "vbcheck/VBLexer.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace pf::vbcheck {

namespace {

// The words' texts, indexed by KW: entry 0 stands for KW::None.
#define PF_VB_WORD_TEXT(Name, Text, Classes) std::string_view(Text),
constexpr std::string_view kWords[] = {std::string_view(), PF_VB_WORDS(PF_VB_WORD_TEXT)};
#undef PF_VB_WORD_TEXT

// The words are looked up in an open-addressed table (linear probing) by a hash of their
// length and of three letters, so a name is compared with one word or a few. Letters are
// lowered with | 0x20, which is exact for comparing with a lower-case letter.
constexpr size_t kWordSlots = 512;
constexpr size_t WordHash(size_t n, char first, char second, char last) {
  return ((n * 11) ^ (static_cast<unsigned char>(first | 0x20) * 31u) ^
          (static_cast<unsigned char>(last | 0x20) * 13u) ^ static_cast<unsigned char>(second | 0x20)) &
         (kWordSlots - 1);
}
constexpr auto kWordSlotsTable = [] {
  std::array<unsigned char, kWordSlots> slots{};
  for (size_t i = 1; i < std::size(kWords); ++i) {
    const std::string_view w = kWords[i];
    size_t h = WordHash(w.size(), w[0], w[1], w.back());
    while (slots[h] != 0) h = (h + 1) & (kWordSlots - 1);
    slots[h] = static_cast<unsigned char>(i);
  }
  return slots;
}();
constexpr bool WordsFit() {
  for (size_t i = 1; i < std::size(kWords); ++i) {
    const std::string_view w = kWords[i];
    if (w.size() < 2 || w.size() > kLongestWord) return false;
    for (char c : w)
      if (c < 'a' || c > 'z') return false;
  }
  return std::size(kWords) < 256 && std::size(kWords) < kWordSlots / 2;
}
static_assert(WordsFit(), "words are 2 to 13 lower-case letters, fewer than 256, the table at most half full");

// For each length, the first letters of the words of that length (bit 0: "a"): most names
// are no word by these alone.
constexpr auto kFirstLetters = [] {
  std::array<uint32_t, kLongestWord + 1> t{};
  for (size_t i = 1; i < std::size(kWords); ++i) t[kWords[i].size()] |= 1u << (kWords[i][0] - 'a');
  return t;
}();

// A word compared in two pieces that overlap or meet, of 8 characters (words of 8 or more), 4
// (4 to 7) or 2 (2 and 3): its first and its last characters, read as little-endian numbers.
constexpr size_t PieceSize(size_t n) { return n >= 8 ? 8 : n >= 4 ? 4 : 2; }
struct WordPieces {
  uint64_t First = 0, Last = 0;
};
constexpr auto kWordPieces = [] {
  std::array<WordPieces, std::size(kWords)> t{};
  for (size_t i = 1; i < std::size(kWords); ++i) {
    const std::string_view w = kWords[i];
    const size_t piece = PieceSize(w.size());
    for (size_t k = piece; k-- > 0;) {
      t[i].First = t[i].First << 8 | static_cast<unsigned char>(w[k]);
      t[i].Last = t[i].Last << 8 | static_cast<unsigned char>(w[w.size() - piece + k]);
    }
  }
  return t;
}();
static_assert(std::endian::native == std::endian::little, "the word pieces are read as little-endian numbers");

// The piece of `piece` characters at p, letters lowered with | 0x20 (exact for comparing with
// lower-case letters: no other character becomes one).
inline uint64_t Piece(const char* p, size_t piece) {
  uint64_t v = 0;
  if (piece == 8) {
    std::memcpy(&v, p, 8);
    return v | 0x2020202020202020ull;
  }
  if (piece == 4) {
    uint32_t x;
    std::memcpy(&x, p, 4);
    return x | 0x20202020u;
  }
  uint16_t x;
  std::memcpy(&x, p, 2);
  return static_cast<uint16_t>(x | 0x2020u);
}

// The word's number: WordOf, inlined into the tokenizer, where most names fail the first test.
inline KW LookUpWord(std::string_view w) {
  const size_t n = w.size();
  const unsigned letter = static_cast<unsigned char>(n == 0 ? 0 : w[0] | 0x20) - 'a';
  if (n > kLongestWord || letter >= 26 || (kFirstLetters[n] >> letter & 1) == 0) return KW::None;
  const size_t piece = PieceSize(n);
  const uint64_t first = Piece(w.data(), piece), last = Piece(w.data() + n - piece, piece);
  for (size_t h = WordHash(n, w[0], w[1], w[n - 1]);; h = (h + 1) & (kWordSlots - 1)) {
    const unsigned char id = kWordSlotsTable[h];
    if (id == 0) return KW::None;
    if (kWords[id].size() == n && kWordPieces[id].First == first && kWordPieces[id].Last == last)
      return static_cast<KW>(id);
  }
}

// The end of the run of characters from p that Is accepts (at most `end`). With SSE2, sixteen
// characters a round, Is16 giving a mask of the ones it accepts; the rest one at a time.
template <class Scalar, class Vector>
inline const char* SkipRun(const char* p, const char* end, Scalar Is, [[maybe_unused]] Vector Is16) {
#ifdef __SSE2__
  for (; end - p >= 16; p += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const unsigned stop = ~static_cast<unsigned>(_mm_movemask_epi8(Is16(v))) & 0xFFFFu;
    if (stop) return p + std::countr_zero(stop);
  }
#endif
  while (p < end && Is(*p)) ++p;
  return p;
}

#ifdef __SSE2__
// Bytes of v in [Low, Low + Count), compared as unsigned.
inline __m128i InRange(__m128i v, char Low, int Count) {
  return _mm_cmplt_epi8(_mm_add_epi8(v, _mm_set1_epi8(static_cast<char>(128 - Low))),
                        _mm_set1_epi8(static_cast<char>(Count - 128)));
}
#endif

// Runs of name characters, of blanks, and of the characters of a string literal.
inline const char* SkipIdentChars(const char* p, const char* end) {
  return SkipRun(p, end, IsIdentChar, [](auto v) {
#ifdef __SSE2__
    // Letters (either case), digits, "_", and every byte of a UTF-8 sequence.
    const __m128i letter = InRange(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 26);
    const __m128i digit = InRange(v, '0', 10);
    const __m128i high = _mm_cmplt_epi8(v, _mm_setzero_si128());
    return _mm_or_si128(_mm_or_si128(letter, digit), _mm_or_si128(high, _mm_cmpeq_epi8(v, _mm_set1_epi8('_'))));
#else
    return v;
#endif
  });
}
inline const char* SkipBlanks(const char* p, const char* end) {
  return SkipRun(p, end, IsBlank, [](auto v) {
#ifdef __SSE2__
    return _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\t')));
#else
    return v;
#endif
  });
}
inline const char* SkipStringChars(const char* p, const char* end) {
  return SkipRun(
      p, end, [](char c) { return !CharIs(c, kStringStop); },
      [](auto v) {
#ifdef __SSE2__
        const __m128i stop =
            _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')),
                         _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))));
        return _mm_xor_si128(stop, _mm_set1_epi8(-1));
#else
        return v;
#endif
      });
}

}  // namespace

KW WordOf(std::string_view w) { return LookUpWord(w); }

bool IsLibraryName(std::string_view w) {
  // VBA constants: vbCrLf, vbObjectError, vbTextCompare, vbKeyReturn, ...
  if (w.size() > 2 && w[2] >= 'A' && w[2] <= 'Z' && Equals(w.substr(0, 2), "vb")) return true;
  // ADO constants: the enumerations generated code uses are listed in full, so that a
  // misspelt one is reported; the larger families seldom used are taken by their prefix.
  static constexpr std::string_view kAdoFamilies[] = {
      "adErr",    "adSchema",  "adFld",    "adRsn",         "adSeek",   "adProp",   "adRec",        "adCompare",
      "adResync", "adFilter",  "adCopy",   "adMove",        "adDelete", "adCreate", "adOpenRecord", "adRecord",
      "adField",  "adIndex",   "adKey",    "adRI",          "adCol",    "adPriv",   "adRight",      "adRole",
      "adAccess", "adInherit", "adAction", "adColNullable", "adNotify", "adHold"};
  for (std::string_view f : kAdoFamilies)
    if (pf::NoCase::StartsWith(w, f)) return true;
  static const NameSet kNames = {
      // ADO data types, parameter directions and attributes.
      "adEmpty", "adTinyInt", "adSmallInt", "adInteger", "adBigInt", "adUnsignedTinyInt", "adUnsignedSmallInt",
      "adUnsignedInt", "adUnsignedBigInt", "adSingle", "adDouble", "adCurrency", "adDecimal", "adNumeric", "adBoolean",
      "adError", "adUserDefined", "adVariant", "adIDispatch", "adIUnknown", "adGUID", "adDate", "adDBDate", "adDBTime",
      "adDBTimeStamp", "adBSTR", "adChar", "adVarChar", "adLongVarChar", "adWChar", "adVarWChar", "adLongVarWChar",
      "adBinary", "adVarBinary", "adLongVarBinary", "adChapter", "adFileTime", "adPropVariant", "adVarNumeric",
      "adArray", "adParamUnknown", "adParamInput", "adParamOutput", "adParamInputOutput", "adParamReturnValue",
      "adParamSigned", "adParamNullable", "adParamLong",
      // Commands, execution, states, cursors, locks, events, connections, transactions.
      "adCmdUnspecified", "adCmdUnknown", "adCmdText", "adCmdTable", "adCmdStoredProc", "adCmdFile", "adCmdTableDirect",
      "adAsyncExecute", "adAsyncFetch", "adAsyncFetchNonBlocking", "adExecuteNoRecords", "adExecuteStream",
      "adExecuteRecord", "adOptionUnspecified", "adStateClosed", "adStateOpen", "adStateConnecting", "adStateExecuting",
      "adStateFetching", "adUseNone", "adUseServer", "adUseClient", "adUseClientBatch", "adOpenUnspecified",
      "adOpenForwardOnly", "adOpenKeyset", "adOpenDynamic", "adOpenStatic", "adLockUnspecified", "adLockReadOnly",
      "adLockPessimistic", "adLockOptimistic", "adLockBatchOptimistic", "adStatusOK", "adStatusErrorsOccurred",
      "adStatusCantDeny", "adStatusCancel", "adStatusUnwantedEvent", "adConnectUnspecified", "adAsyncConnect",
      "adModeUnknown", "adModeRead", "adModeWrite", "adModeReadWrite", "adModeShareDenyRead", "adModeShareDenyWrite",
      "adModeShareExclusive", "adModeShareDenyNone", "adModeRecursive", "adPromptAlways", "adPromptComplete",
      "adPromptCompleteRequired", "adPromptNever", "adXactUnspecified", "adXactChaos", "adXactReadUncommitted",
      "adXactBrowse", "adXactCursorStability", "adXactReadCommitted", "adXactRepeatableRead", "adXactSerializable",
      "adXactIsolated", "adXactCommitRetaining", "adXactAbortRetaining", "adXactSyncPhaseOne",
      // Recordsets and streams.
      "adPersistADTG", "adPersistXML", "adReadAll", "adReadLine", "adWriteChar", "adWriteLine", "adTypeBinary",
      "adTypeText", "adLF", "adCR", "adCRLF", "adSaveCreateNotExist", "adSaveCreateOverWrite",
      "adOpenStreamUnspecified", "adOpenStreamAsync", "adOpenStreamFromRecord", "adAffectCurrent", "adAffectGroup",
      "adAffectAll", "adAffectAllChapters", "adSearchForward", "adSearchBackward", "adBookmarkCurrent",
      "adBookmarkFirst", "adBookmarkLast", "adPosUnknown", "adPosBOF", "adPosEOF", "adGetRowsRest", "adEditNone",
      "adEditInProgress", "adEditAdd", "adEditDelete", "adMarshalAll", "adMarshalModifiedOnly", "adAddNew", "adUpdate",
      "adBookmark", "adApproxPosition", "adUpdateBatch", "adFind", "adClipString",
      // Objects and libraries.
      "app", "clipboard", "debug", "err", "erl", "forms", "printer", "printers", "screen", "vb", "vba", "adodb", "ador",
      "adox", "msxml", "msxml2", "comsvcslib", "mtxas", "scripting", "stdole", "vbrun", "getobjectcontext", "saferef",
      "getsecuritycallcontext",
      // Conversions.
      "cbool", "cbyte", "ccur", "cdate", "cdbl", "cdec", "cint", "clng", "csng", "cstr", "cvar", "cvdate", "cverr",
      // Text.
      "asc", "ascb", "ascw", "chr", "chrb", "chrw", "format", "formatcurrency", "formatdatetime", "formatnumber",
      "formatpercent", "hex", "instr", "instrb", "instrrev", "join", "lcase", "left", "leftb", "len", "lenb", "ltrim",
      "mid", "midb", "oct", "replace", "right", "rightb", "rtrim", "space", "split", "str", "strcomp", "strconv",
      "strreverse", "trim", "ucase", "val", "filter", "monthname", "weekdayname",
      // Numbers, dates and times.
      "abs", "atn", "cos", "exp", "fix", "int", "log", "rnd", "round", "sgn", "sin", "sqr", "tan", "randomize",
      "dateadd", "datediff", "datepart", "dateserial", "datevalue", "day", "hour", "minute", "month", "now", "second",
      "time", "timer", "timeserial", "timevalue", "weekday", "year", "ddb", "fv", "ipmt", "irr", "mirr", "nper", "npv",
      "pmt", "ppmt", "pv", "rate", "sln", "syd",
      // Variants, arrays, objects.
      "array", "choose", "iif", "switch", "partition", "isarray", "isdate", "isempty", "iserror", "ismissing", "isnull",
      "isnumeric", "isobject", "lbound", "ubound", "typename", "vartype", "createobject", "getobject", "callbyname",
      "objptr", "strptr", "varptr",
      // Files, environment, user interaction.
      "chdir", "chdrive", "curdir", "dir", "eof", "fileattr", "filecopy", "filedatetime", "filelen", "freefile",
      "getattr", "kill", "loc", "lof", "mkdir", "reset", "rmdir", "setattr", "name", "command", "environ", "shell",
      "appactivate", "sendkeys", "doevents", "beep", "msgbox", "inputbox", "getsetting", "savesetting", "deletesetting",
      "getallsettings", "load", "unload", "loadpicture", "savepicture", "loadresstring", "loadresdata",
      "loadrespicture", "qbcolor", "rgb", "imestatus", "inputb"};
  return kNames.count(w) != 0;
}

namespace {

// What a character begins, for the tokenizer's dispatch.
enum class CharKind : unsigned char {
  Other,  // an operator
  Blank,  // blank, tab, form feed, end-of-file mark
  LineEnd,
  Apostrophe,
  Quote,
  Letter,  // and every byte of a UTF-8 sequence
  Digit,
  Dot,
  Ampersand,
  Underscore,
  Bracket,
  Hash
};
constexpr auto kCharKinds = [] {
  std::array<CharKind, 256> t{};
  for (int c = 0; c < 256; ++c) {
    const char ch = static_cast<char>(c);
    t[c] = IsBlank(ch) || ch == '\f' || ch == '\x1a' ? CharKind::Blank
           : IsLineEnd(ch)                           ? CharKind::LineEnd
           : ch == '\''                              ? CharKind::Apostrophe
           : ch == '"'                               ? CharKind::Quote
           : IsIdentStart(ch)                        ? CharKind::Letter
           : IsDigit(ch)                             ? CharKind::Digit
           : ch == '.'                               ? CharKind::Dot
           : ch == '&'                               ? CharKind::Ampersand
           : ch == '_'                               ? CharKind::Underscore
           : ch == '['                               ? CharKind::Bracket
           : ch == '#'                               ? CharKind::Hash
                                                     : CharKind::Other;
  }
  return t;
}();

}  // namespace

Lexer::Lexer(std::string_view Text, std::vector<VBFinding>& Findings) : T_(Text), F_(Findings) {
  if (T_.substr(0, 3) == "\xEF\xBB\xBF") P_ = 3;  // a UTF-8 byte order mark is no text
}

bool Lexer::Next(std::vector<Token>& Line) {
  Out_ = &Line;
  Line.clear();
  LineDone_ = false;
  while (P_ < T_.size() && !LineDone_) Step();
  // The text is done: what is left is its last logical line.
  if (!LineDone_) EndLogicalLine();
  if (Line.empty()) return false;
  LastEol_ = Line.back().Line;
  SawEol_ = true;
  return true;
}

// Reads one token, or what lies between tokens (blanks, a line end, a comment).
inline void Lexer::Step() {
  const char c = T_[P_];
  switch (kCharKinds[static_cast<unsigned char>(c)]) {
    case CharKind::Blank:
      // Mostly one blank between tokens; indents are runs, skipped in one go.
      if (++P_ < T_.size() && IsBlank(T_[P_])) P_ = static_cast<size_t>(SkipBlanks(T_.data() + P_, End()) - T_.data());
      break;
    case CharKind::LineEnd:
      SkipLineEnd();
      EndLogicalLine();
      break;
    case CharKind::Apostrophe:
      SkipComment();
      break;
    case CharKind::Quote:
      LexString();
      break;
    case CharKind::Letter:
      LexIdent();
      break;
    case CharKind::Digit:
      LexNumber();
      break;
    case CharKind::Dot:
      if (P_ + 1 < T_.size() && IsDigit(T_[P_ + 1]) && !PrevIsOperand())
        LexNumber();
      else
        LexOperator();
      break;
    case CharKind::Ampersand:
      if (P_ + 2 < T_.size() && (T_[P_ + 1] == 'H' || T_[P_ + 1] == 'h') && IsHexDigit(T_[P_ + 2]))
        LexRadix(IsHexDigit);
      else if (P_ + 2 < T_.size() && (T_[P_ + 1] == 'O' || T_[P_ + 1] == 'o') && IsDigit(T_[P_ + 2]))
        LexRadix(IsDigit);
      else
        LexOperator();
      break;
    case CharKind::Underscore:
      Underscore();
      break;
    case CharKind::Bracket:
      LexBracketName();
      break;
    case CharKind::Hash:
      LexHash();
      break;
    case CharKind::Other:
      LexOperator();
      break;
  }
}

inline void Lexer::Add(TK Kind, size_t Begin, size_t End, char Suffix, KW Word, char Op) {
  Out_->push_back({Kind, Suffix, Word, Op, Line_, std::string_view(T_.data() + Begin, End - Begin)});
}
// Names and operators are mostly followed by one blank: passed at once rather than in a
// round of its own.
inline void Lexer::SkipOneBlank() {
  if (P_ < T_.size() && T_[P_] == ' ') ++P_;
}
inline void Lexer::Report(int Line, std::string Message) { F_.push_back({Line, std::move(Message)}); }

inline bool Lexer::AtStatementStart() const {
  return Out_->empty() || Out_->back().Kind == TK::Eol || Out_->back().Kind == TK::Colon;
}
inline bool Lexer::PrevIsOperand() const {
  if (AtStatementStart()) return false;
  const Token& t = Out_->back();
  switch (t.Kind) {
    case TK::Ident:
      return !HasClass(t.Word, kOperatorWord);
    case TK::Number:
    case TK::String:
    case TK::Date:
      return true;
    case TK::Op:
      return t.Op == ')' || t.Op == ']';
    default:
      return false;
  }
}
inline bool Lexer::RestOfLineBlank(size_t From) const {
  while (From < T_.size() && IsBlank(T_[From])) ++From;
  return From >= T_.size() || IsLineEnd(T_[From]);
}
inline void Lexer::SkipLineEnd() {
  if (T_[P_] == '\r' && P_ + 1 < T_.size() && T_[P_ + 1] == '\n') ++P_;
  ++P_;
  ++Line_;
}
inline void Lexer::EndLogicalLine() {
  if (!Out_->empty() && Out_->back().Kind != TK::Eol) {
    // After a line break the line that ended is the one before; a text that stops inside a
    // line ends on that line.
    const int line = P_ > 0 && IsLineEnd(T_[P_ - 1]) ? Line_ - 1 : Line_;
    Out_->push_back({TK::Eol, 0, KW::None, 0, line, {}});
    LineDone_ = true;
  }
  Continuations_ = 0;
}

// P_ is on a "_" followed by blanks up to the line end. Joins the next physical line to
// the current logical line and reports what VB refuses about it. Returns false when the
// statement cannot continue (last line, or an empty line follows).
inline bool Lexer::JoinNextLine() {
  const int line = Line_;
  while (P_ < T_.size() && !IsLineEnd(T_[P_])) ++P_;
  if (P_ >= T_.size()) {
    Report(line, "line continuation on the last line");
    return false;
  }
  SkipLineEnd();
  if (++Continuations_ == 25) Report(Line_, "more than 24 line continuations in one statement");
  if (RestOfLineBlank(P_)) {
    Report(line, "line continuation followed by an empty line");
    return false;
  }
  return true;
}

// A "_" outside names: a line continuation when only blanks follow it on its line.
inline void Lexer::Underscore() {
  if (RestOfLineBlank(P_ + 1)) {
    Continuation();
    return;
  }
  size_t n = P_ + 1;
  while (n < T_.size() && IsBlank(T_[n])) ++n;
  Report(Line_, n < T_.size() && T_[n] == '\'' ? "comment after a line continuation" : "misplaced '_'");
  ++P_;
}

inline void Lexer::Continuation() {
  if (P_ > 0 && !IsBlank(T_[P_ - 1]) && !IsLineEnd(T_[P_ - 1]))
    Report(Line_, "line continuation without a blank before '_'");
  if (!JoinNextLine()) EndLogicalLine();
}

// A comment runs to the end of its line, and on to the next one when it ends in " _".
inline void Lexer::SkipComment() {
  for (;;) {
    // The line ends at its first CR or LF: both looked for with memchr.
    size_t e = T_.find('\n', P_);
    if (e == std::string_view::npos) e = T_.size();
    if (const size_t cr = T_.substr(0, e).find('\r', P_); cr != std::string_view::npos) e = cr;
    size_t last = e;
    while (last > P_ && IsBlank(T_[last - 1])) --last;
    const bool continued = last >= P_ + 2 && T_[last - 1] == '_' && IsBlank(T_[last - 2]);
    P_ = e;
    if (!continued) return;
    P_ = last - 1;
    if (!JoinNextLine()) {
      EndLogicalLine();
      return;
    }
  }
}

inline void Lexer::LexString() {
  const size_t b = P_++;
  for (;;) {
    P_ = static_cast<size_t>(SkipStringChars(T_.data() + P_, End()) - T_.data());
    if (P_ >= T_.size() || IsLineEnd(T_[P_])) {
      Report(Line_, "unterminated string literal");
      break;
    }
    // A quote: doubled, it stands for one inside the literal; alone, it ends it.
    if (P_ + 1 < T_.size() && T_[P_ + 1] == '"') {
      P_ += 2;
      continue;
    }
    ++P_;
    break;
  }
  Add(TK::String, b, P_);
}

inline void Lexer::LexIdent() {
  const size_t b = P_;
  P_ = static_cast<size_t>(SkipIdentChars(T_.data() + P_ + 1, End()) - T_.data());
  const size_t e = P_;
  const KW word = LookUpWord(std::string_view(T_.data() + b, e - b));
  if (word == KW::Rem && AtStatementStart() &&
      (P_ >= T_.size() || IsBlank(T_[P_]) || IsLineEnd(T_[P_]) || T_[P_] == ':')) {
    P_ = b;
    SkipComment();
    return;
  }
  char suffix = 0;
  if (P_ < T_.size() && CharIs(T_[P_], kSuffixChar)) {
    const char c = T_[P_];
    const bool nextIdent = P_ + 1 < T_.size() && IsIdentChar(T_[P_ + 1]);
    if (c == '$' || c == '%' || c == '@' || ((c == '&' || c == '!' || c == '#') && !nextIdent)) {
      suffix = c;
      ++P_;
    }
  }
  Add(TK::Ident, b, e, suffix, word);
  SkipOneBlank();
}

inline void Lexer::LexNumber() {
  const size_t b = P_;
  while (P_ < T_.size() && IsDigit(T_[P_])) ++P_;
  if (P_ < T_.size() && T_[P_] == '.') {
    ++P_;
    while (P_ < T_.size() && IsDigit(T_[P_])) ++P_;
  }
  if (P_ + 1 < T_.size() && (T_[P_] == 'E' || T_[P_] == 'e' || T_[P_] == 'D' || T_[P_] == 'd')) {
    size_t q = P_ + 1;
    if (q < T_.size() && (T_[q] == '+' || T_[q] == '-')) ++q;
    if (q < T_.size() && IsDigit(T_[q])) {
      P_ = q;
      while (P_ < T_.size() && IsDigit(T_[P_])) ++P_;
    }
  }
  if (P_ < T_.size() && (T_[P_] == '%' || T_[P_] == '&' || T_[P_] == '!' || T_[P_] == '#' || T_[P_] == '@')) ++P_;
  Add(TK::Number, b, P_);
}

inline void Lexer::LexRadix(bool (*Digit)(char)) {
  const size_t b = P_;
  P_ += 2;
  while (P_ < T_.size() && Digit(T_[P_])) ++P_;
  if (P_ < T_.size() && (T_[P_] == '&' || T_[P_] == '%')) ++P_;
  Add(TK::Number, b, P_);
}

inline void Lexer::LexBracketName() {
  size_t e = P_ + 1;
  while (e < T_.size() && T_[e] != ']' && !IsLineEnd(T_[e])) ++e;
  if (e >= T_.size() || T_[e] != ']') {
    LexOperator();
    return;
  }
  Add(TK::Ident, P_ + 1, e, 0, WordOf(T_.substr(P_ + 1, e - P_ - 1)));
  P_ = e + 1;
}

// "#" is a date literal #...# where an operand is expected, else an operator (file numbers,
// type suffix seen apart, conditional-compilation directives at a statement start).
inline void Lexer::LexHash() {
  if (!AtStatementStart() && !PrevIsOperand()) {
    size_t e = P_ + 1;
    bool digit = false, ok = true;
    while (e < T_.size() && T_[e] != '#' && !IsLineEnd(T_[e])) {
      const char c = T_[e];
      if (IsDigit(c))
        digit = true;
      else if (!(IsIdentStart(c) || IsBlank(c) || c == '/' || c == ':' || c == '-' || c == ',' || c == '.'))
        ok = false;
      ++e;
    }
    if (ok && digit && e < T_.size() && T_[e] == '#') {
      Add(TK::Date, P_, e + 1);
      P_ = e + 1;
      return;
    }
  }
  LexOperator();
}

inline void Lexer::LexOperator() {
  const size_t b = P_;
  const char c = T_[P_++];
  if ((c == '<' || c == '>' || c == ':') && P_ < T_.size()) {
    const char n = T_[P_];
    const char pair = c == '<' && n == '='   ? kLessEqual
                      : c == '<' && n == '>' ? kNotEqual
                      : c == '>' && n == '=' ? kGreaterEqual
                      : c == ':' && n == '=' ? kNamedArgument
                                             : 0;
    if (pair) {
      ++P_;
      Add(TK::Op, b, P_, 0, KW::None, pair);
      SkipOneBlank();
      return;
    }
  }
  if (c == ':')
    Add(TK::Colon, b, P_);
  else
    Add(TK::Op, b, P_, 0, KW::None, c);
  SkipOneBlank();
}

}  // namespace pf::vbcheck
