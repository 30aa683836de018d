#pragma once
// Text operations on names and on the source text of the generated class:
// continuation-line breaking, the final formatting pass, procedure header and end
// recognition, turning database names into identifiers, name patterns and small lists.
//
// Every operation that can fail records its frame with the error library and raises
// pf::AppError again. "Blanks" are spaces; case-insensitive tests fold ASCII letters.
// Positions and lengths that the rules count in characters are counted in UTF-8 code points.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/SourceText.h"

namespace pf::MMethUtils {

// ---- Name patterns -------------------------------------------------------------------

// True when the whole of AString matches the single name pattern Pattern, compared
// character by character with case significant: "*" any run (also none), "?" any one
// character, "#" one digit, "[list]" one character of the list (ranges as "a-m"), "[!list]"
// one character not in it, any other character itself. An unclosed "[" or a descending
// range raises ERR_USER_CHECK "Invalid pattern string: <pattern>".
bool uIsLike(std::string_view AString, std::string_view Pattern);

// True as soon as AString matches one of the ";"-separated Patterns (uIsLike); both are
// lower-cased first unless CaseSensitive. An empty pattern list matches nothing.
bool uPatternMatch(std::string_view AString, std::string_view Patterns, bool CaseSensitive);

// uPatternMatch with one pattern list, for matching many names: the list is split once and
// each pattern compiled when it is first reached (a faulty one raises whenever it is reached).
class PatternList {
 public:
  PatternList(std::string_view Patterns, bool CaseSensitive);
  ~PatternList();
  PatternList(PatternList&&) noexcept;
  PatternList& operator=(PatternList&&) noexcept;
  bool Matches(std::string_view AString) const;

 private:
  struct Compiled;
  std::string patterns_;  // as given, for error reports
  bool caseSensitive_;
  std::unique_ptr<Compiled> compiled_;
};

// ---- Continuation lines --------------------------------------------------------------

// Breaks one statement into lines of at most MaxLen characters where possible, after the
// last Delim that fits (else after the first Delim, else not at all). Every line but the last
// ends in " _ " and the next starts with Indent; a break inside a string literal closes the
// literal with " & _ " and reopens it after the indent. Count receives the number of lines.
std::string uBreakLine(std::string_view AText, std::string_view Indent, int32_t& Count, int32_t MaxLen,
                       std::string_view Delim);

// Breaks AText in place at the smallest maximum length of 100, 150, ..., 550 that gives at
// most 22 lines (550 when none does).
void uBreakLine22(std::string& AText, std::string_view Indent, std::string_view Delim);

// ---- Identifiers ---------------------------------------------------------------------

// AName followed by "0" when it is a reserved word of the generated language (any case).
std::string uCheckWithVBKeyWords(std::string_view AName);

// The standard variable prefix of a VB type name ("Long" -> "lng"); exact, else empty.
std::string uGetStdTypePrefix(std::string_view AType);

// Removes the first prefix of the list (commas or ";" between, blanks ignored, case
// ignored in the test) that the name begins with; at most one prefix; the rest keeps its case.
std::string uRemovePrefix(std::string_view strName, std::string_view strPrefixes);

// Only the ASCII letters and digits of strName, in order.
std::string RemoveSpecChars(std::string_view strName);

// Splits at "_", lower-cases parts that are all upper case (except "ID"), raises every
// part's first letter and joins the parts: "CUSTOMER_ID" -> "CustomerID".
std::string uToWordCap(std::string_view AName);

// S without the trailing characters that occur in Chars.
std::string uRTrimChars(std::string_view S, std::string_view Chars);

// ---- Source text ---------------------------------------------------------------------

// The final pass over a whole class text: trailing blanks go, "Attribute mRecordset" lines
// and all empty lines go, "'#" becomes "'", and an empty line follows every "End Function",
// "End Sub" and "End Property" line. Linear in the text.
std::string uFormatCode(std::string_view strCode);

// uFormatCode over a text that arrives in pieces: the text is the pieces joined with CR LF,
// and each piece is formatted as it comes, so that the joined text is never built.
//   CodeFormatter f(size);  f.Add(piece); ...  std::string text = f.Take();
class CodeFormatter {
 public:
  // SizeHint: about the joined text's size, reserved once. Lead: text the result starts
  // with as it is, neither formatted nor counted.
  explicit CodeFormatter(size_t SizeHint, std::string_view Lead = {});
  CodeFormatter(const CodeFormatter&) = delete;
  CodeFormatter& operator=(const CodeFormatter&) = delete;
  // One piece: whole lines joined with CR LF (an empty piece is one empty line).
  void Add(std::string_view Piece);
  // Of the text formatted so far: its lines (one more than its line breaks) and its
  // characters (UTF-8 code points, a line break being two).
  size_t LineCount() const { return BreakBytes() / 2 + 1; }
  size_t CharCount() const { return lineChars_ + BreakBytes(); }
  // The formatted text; the formatter is spent.
  std::string Take() { return std::move(out_); }

 private:
  size_t BreakBytes() const { return out_.size() - leadBytes_ - lineBytes_; }

  std::string out_;
  srctext::LineJoiner::Position at_;
  size_t leadBytes_ = 0;
  size_t lineBytes_ = 0;  // bytes of out_ that are neither the lead nor line breaks
  size_t lineChars_ = 0;  // characters of those
};

// True when the blank-trimmed Line begins with one of SubStrings, case ignored.
bool uBeginsWith(std::string_view Line, std::initializer_list<std::string_view> SubStrings);
bool uBeginsWith(std::string_view Line, const std::vector<std::string>& SubStrings);
// "Public Function", "Public Sub", "Public Property".
bool uIsPublicProcStart(std::string_view Line);
// "End Sub", "End Function", "End Property".
bool uIsProcEnd(std::string_view Line);

// The word between the first and second blank of S after its leading blanks ("End Sub" ->
// "Sub"); empty when S has a single word.
std::string uExtractSecondWord(std::string_view S);

// When the trimmed sLine begins with sToken (case ignored), sLine becomes the trimmed rest
// and the result is true; otherwise sLine is unchanged.
bool uParseToken(std::string_view sToken, std::string& sLine);

// Tries the comma-separated sWords in order with uParseToken; sFoundWord receives the word
// as listed (a trailing blank included), or empty.
bool uFindWords(std::string_view sWords, std::string& sFoundWord, std::string& sLine);

// Recognises a procedure header: optional scope ("Public ", "Private " or "Friend", kept as
// listed), then "Sub", "Function" or "Property" (ProcType, trimmed), then the name up to the
// first "(". False (outs cleared) for other lines.
bool uParseMethHeader(std::string_view sLine, std::string& ProcType, std::string& sScope, std::string& MethName);

// ---- Lists ---------------------------------------------------------------------------

// The transaction-mode name at index MTSStt of "NotAnMTSObject,NoTransactions,
// RequiresTransaction,UsesTransaction,RequiresNewTransaction"; the first outside the list.
std::string uMTSSettingAsString(int32_t MTSStt);

// The names of FlagList (comma-separated) whose flag is set, joined with Delim; DefaultText
// when none is set. Raises ERR_GENERAL when the counts differ.
std::string uBuildFlagSum(std::string_view FlagList, const std::vector<bool>& FlagValues, std::string_view Delim,
                          std::string_view DefaultText);

// Splits List at Delim; an empty list gives no items. Views point into List.
std::vector<std::string_view> uSplit(std::string_view List, char Delim);

}  // namespace pf::MMethUtils
