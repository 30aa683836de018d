#pragma once
// The checker's tokenizer: Visual Basic text into tokens, one logical line (physical lines
// joined by continuations) ending in an Eol token, with the findings that only the text
// shows (continuations, unterminated literals). Also the character classes and word tables
// that the parser shares. Internal to the checker.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/NoCase.h"
#include "base/NameTable.h"
#include "vbcheck/VBCheck.h"

namespace pf::vbcheck {

using pf::NoCase::Equals;
using pf::NoCase::ToLower;

// Character classes, one table look-up each.
enum CharClass : unsigned char {
  kIdentStartChar = 1,  // letters, and every byte of a UTF-8 sequence
  kIdentChar = 2,       // letters, digits, "_"
  kDigitChar = 4,
  kHexDigitChar = 8,
  kBlankChar = 16,    // blank or tab
  kLineEndChar = 32,  // CR or LF
  kStringStop = 64,   // ends the scan of a string literal: quote, CR, LF
  kSuffixChar = 128   // may be an identifier's type-declaration character: $ % @ & ! #
};
inline constexpr std::array<unsigned char, 256> kCharClasses = [] {
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 256; ++c) {
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80;
    const bool digit = c >= '0' && c <= '9';
    t[c] = static_cast<unsigned char>(
        (letter ? kIdentStartChar : 0) | (letter || digit || c == '_' ? kIdentChar : 0) | (digit ? kDigitChar : 0) |
        (digit || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') ? kHexDigitChar : 0) |
        (c == ' ' || c == '\t' ? kBlankChar : 0) | (c == '\r' || c == '\n' ? kLineEndChar : 0) |
        (c == '"' || c == '\r' || c == '\n' ? kStringStop : 0) |
        (c == '$' || c == '%' || c == '@' || c == '&' || c == '!' || c == '#' ? kSuffixChar : 0));
  }
  return t;
}();
constexpr bool CharIs(char c, CharClass k) { return (kCharClasses[static_cast<unsigned char>(c)] & k) != 0; }

constexpr bool IsIdentStart(char c) { return CharIs(c, kIdentStartChar); }
constexpr bool IsIdentChar(char c) { return CharIs(c, kIdentChar); }
constexpr bool IsDigit(char c) { return CharIs(c, kDigitChar); }
constexpr bool IsHexDigit(char c) { return CharIs(c, kHexDigitChar); }
constexpr bool IsBlank(char c) { return CharIs(c, kBlankChar); }
constexpr bool IsLineEnd(char c) { return CharIs(c, kLineEndChar); }

// ---------------------------------------------------------------------------------------------
// Words. Every word the checker gives a meaning has a number, found once per identifier by
// the tokenizer, so that the parser compares numbers and the word classes are bits.

enum WordClass : unsigned char {
  kReserved = 1,        // a keyword, or a word only statements give a meaning: never a name to look up
  kKeywordName = 2,     // can never name a variable, constant, parameter or procedure
  kOperatorWord = 4,    // an operand is expected after it
  kStatementWord = 8,   // begins a statement of its own, so "word:" is no label
  kBinaryOperator = 16  // an operator that needs a right operand
};

// X(Name, text, classes): text is the word in lower case.
#define PF_VB_WORDS(X)                                                           \
  X(Access, "access", kReserved)                                                 \
  X(AddressOf, "addressof", kReserved)                                           \
  X(Alias, "alias", kReserved)                                                   \
  X(And, "and", kReserved | kKeywordName | kOperatorWord | kBinaryOperator)      \
  X(Any, "any", kReserved)                                                       \
  X(Append, "append", kReserved)                                                 \
  X(As, "as", kReserved | kKeywordName)                                          \
  X(Attribute, "attribute", 0)                                                   \
  X(Base, "base", kReserved)                                                     \
  X(Beep, "beep", kStatementWord)                                                \
  X(Begin, "begin", 0)                                                           \
  X(BeginProperty, "beginproperty", 0)                                           \
  X(Binary, "binary", kReserved)                                                 \
  X(Boolean, "boolean", kReserved | kKeywordName)                                \
  X(ByRef, "byref", kReserved | kKeywordName)                                    \
  X(Byte, "byte", kReserved | kKeywordName)                                      \
  X(ByVal, "byval", kReserved | kKeywordName)                                    \
  X(Call, "call", kReserved | kKeywordName | kOperatorWord | kStatementWord)     \
  X(Case, "case", kReserved | kKeywordName | kOperatorWord | kStatementWord)     \
  X(Circle, "circle", 0)                                                         \
  X(Class, "class", 0)                                                           \
  X(Close, "close", kReserved | kStatementWord)                                  \
  X(Compare, "compare", kReserved)                                               \
  X(Const, "const", kReserved | kKeywordName)                                    \
  X(Currency, "currency", kReserved | kKeywordName)                              \
  X(Date, "date", kReserved | kKeywordName)                                      \
  X(Decimal, "decimal", kReserved)                                               \
  X(Declare, "declare", kReserved | kKeywordName)                                \
  X(Dim, "dim", kReserved | kKeywordName)                                        \
  X(Do, "do", kReserved | kKeywordName | kStatementWord)                         \
  X(DoEvents, "doevents", kStatementWord)                                        \
  X(Double, "double", kReserved | kKeywordName)                                  \
  X(Each, "each", kReserved | kKeywordName | kOperatorWord)                      \
  X(Else, "else", kReserved | kKeywordName | kOperatorWord | kStatementWord)     \
  X(ElseIf, "elseif", kReserved | kKeywordName | kOperatorWord)                  \
  X(Empty, "empty", kReserved | kKeywordName)                                    \
  X(End, "end", kReserved | kKeywordName | kStatementWord)                       \
  X(EndIf, "endif", 0)                                                           \
  X(EndProperty, "endproperty", 0)                                               \
  X(Enum, "enum", kReserved | kKeywordName)                                      \
  X(Eqv, "eqv", kReserved | kKeywordName | kOperatorWord | kBinaryOperator)      \
  X(Erase, "erase", kReserved)                                                   \
  X(Error, "error", kReserved)                                                   \
  X(Event, "event", kReserved | kKeywordName)                                    \
  X(Exit, "exit", kReserved | kKeywordName | kStatementWord)                     \
  X(Explicit, "explicit", kReserved)                                             \
  X(False, "false", kReserved | kKeywordName)                                    \
  X(For, "for", kReserved | kKeywordName)                                        \
  X(Friend, "friend", kReserved | kKeywordName)                                  \
  X(Function, "function", kReserved | kKeywordName)                              \
  X(Get, "get", kReserved)                                                       \
  X(Global, "global", kReserved | kKeywordName)                                  \
  X(GoSub, "gosub", kReserved | kKeywordName)                                    \
  X(GoTo, "goto", kReserved | kKeywordName)                                      \
  X(If, "if", kReserved | kKeywordName | kOperatorWord)                          \
  X(Imp, "imp", kReserved | kKeywordName | kOperatorWord | kBinaryOperator)      \
  X(Implements, "implements", kReserved | kKeywordName)                          \
  X(In, "in", kReserved | kOperatorWord)                                         \
  X(Input, "input", kReserved)                                                   \
  X(Integer, "integer", kReserved | kKeywordName)                                \
  X(Is, "is", kReserved | kKeywordName | kOperatorWord | kBinaryOperator)        \
  X(Let, "let", kReserved | kKeywordName | kOperatorWord)                        \
  X(Lib, "lib", kReserved)                                                       \
  X(Like, "like", kReserved | kKeywordName | kOperatorWord | kBinaryOperator)    \
  X(Line, "line", kReserved)                                                     \
  X(Local, "local", kReserved)                                                   \
  X(Lock, "lock", kReserved)                                                     \
  X(Long, "long", kReserved | kKeywordName)                                      \
  X(Loop, "loop", kReserved | kKeywordName | kStatementWord)                     \
  X(LSet, "lset", kReserved | kKeywordName | kOperatorWord)                      \
  X(Me, "me", kReserved | kKeywordName)                                          \
  X(Mod, "mod", kReserved | kKeywordName | kOperatorWord | kBinaryOperator)      \
  X(Module, "module", kReserved)                                                 \
  X(New, "new", kReserved | kKeywordName | kOperatorWord)                        \
  X(Next, "next", kReserved | kKeywordName | kStatementWord)                     \
  X(Not, "not", kReserved | kKeywordName | kOperatorWord | kBinaryOperator)      \
  X(Nothing, "nothing", kReserved | kKeywordName)                                \
  X(Null, "null", kReserved | kKeywordName)                                      \
  X(Object, "object", kReserved | kKeywordName)                                  \
  X(On, "on", kReserved | kKeywordName)                                          \
  X(Open, "open", kReserved)                                                     \
  X(Option, "option", kReserved | kKeywordName | kStatementWord)                 \
  X(Optional, "optional", kReserved | kKeywordName)                              \
  X(Or, "or", kReserved | kKeywordName | kOperatorWord | kBinaryOperator)        \
  X(Output, "output", kReserved)                                                 \
  X(ParamArray, "paramarray", kReserved | kKeywordName)                          \
  X(Preserve, "preserve", kReserved | kKeywordName)                              \
  X(Print, "print", kReserved)                                                   \
  X(Private, "private", kReserved | kKeywordName)                                \
  X(Property, "property", kReserved | kKeywordName)                              \
  X(PSet, "pset", 0)                                                             \
  X(PtrSafe, "ptrsafe", kReserved)                                               \
  X(Public, "public", kReserved | kKeywordName)                                  \
  X(Put, "put", kReserved)                                                       \
  X(RaiseEvent, "raiseevent", kReserved | kKeywordName | kOperatorWord)          \
  X(Random, "random", kReserved)                                                 \
  X(Randomize, "randomize", kStatementWord)                                      \
  X(Read, "read", kReserved)                                                     \
  X(ReDim, "redim", kReserved | kKeywordName)                                    \
  X(Rem, "rem", kReserved | kKeywordName)                                        \
  X(Reset, "reset", kStatementWord)                                              \
  X(Resume, "resume", kReserved | kKeywordName | kStatementWord)                 \
  X(Return, "return", kReserved | kKeywordName | kOperatorWord | kStatementWord) \
  X(RSet, "rset", kReserved | kKeywordName | kOperatorWord)                      \
  X(Scale, "scale", 0)                                                           \
  X(Seek, "seek", kReserved)                                                     \
  X(Select, "select", kReserved | kKeywordName | kOperatorWord)                  \
  X(Set, "set", kReserved | kKeywordName | kOperatorWord)                        \
  X(Shared, "shared", kReserved)                                                 \
  X(Single, "single", kReserved | kKeywordName)                                  \
  X(Spc, "spc", kReserved)                                                       \
  X(Static, "static", kReserved | kKeywordName)                                  \
  X(Step, "step", kReserved | kOperatorWord)                                     \
  X(Stop, "stop", kReserved | kKeywordName | kStatementWord)                     \
  X(String, "string", kReserved | kKeywordName)                                  \
  X(Sub, "sub", kReserved | kKeywordName)                                        \
  X(Tab, "tab", kReserved)                                                       \
  X(Then, "then", kReserved | kKeywordName | kOperatorWord)                      \
  X(To, "to", kReserved | kKeywordName | kOperatorWord)                          \
  X(True, "true", kReserved | kKeywordName)                                      \
  X(Type, "type", kReserved | kKeywordName)                                      \
  X(TypeOf, "typeof", kReserved | kKeywordName | kOperatorWord)                  \
  X(Unlock, "unlock", kReserved)                                                 \
  X(Until, "until", kReserved | kKeywordName | kOperatorWord)                    \
  X(Variant, "variant", kReserved | kKeywordName)                                \
  X(Version, "version", 0)                                                       \
  X(Wend, "wend", kReserved | kKeywordName | kStatementWord)                     \
  X(While, "while", kReserved | kKeywordName | kOperatorWord)                    \
  X(Width, "width", kReserved)                                                   \
  X(With, "with", kReserved | kKeywordName | kOperatorWord)                      \
  X(WithEvents, "withevents", kReserved | kKeywordName)                          \
  X(Write, "write", kReserved)                                                   \
  X(Xor, "xor", kReserved | kKeywordName | kOperatorWord | kBinaryOperator)

enum class KW : unsigned char {
  None,
#define PF_VB_WORD_ENUM(Name, Text, Classes) Name,
  PF_VB_WORDS(PF_VB_WORD_ENUM)
#undef PF_VB_WORD_ENUM
};

// The longest word, "beginproperty": a longer name is none of them.
constexpr size_t kLongestWord = 13;

// The word's number, or KW::None for any other text; case does not count.
KW WordOf(std::string_view w);

// The classes (WordClass bits) of each word, indexed by KW; none for KW::None.
#define PF_VB_WORD_CLASSES(Name, Text, Classes) static_cast<unsigned char>(Classes),
inline constexpr unsigned char kWordClasses[] = {0, PF_VB_WORDS(PF_VB_WORD_CLASSES)};
#undef PF_VB_WORD_CLASSES
inline bool HasClass(KW w, WordClass c) { return (kWordClasses[static_cast<size_t>(w)] & c) != 0; }

// Names the language and the referenced libraries supply: VBA functions and objects,
// library names used as qualifiers, and the constants of VBA (vbXxx) and ADO (adXxx).
bool IsLibraryName(std::string_view w);

// ---------------------------------------------------------------------------------------------
// Tokens. A logical line (physical lines joined by continuations) ends with an Eol token;
// comments are dropped; ":" separating statements is a Colon token.

enum class TK : unsigned char { Ident, Number, String, Date, Op, Colon, Eol };

// An operator token's code: its character, or one of these for the operators of two.
constexpr char kLessEqual = 'L', kGreaterEqual = 'G', kNotEqual = 'N', kNamedArgument = 'A';

struct Token {
  TK Kind;
  char Suffix;  // type-declaration character of an identifier ($ % & ! # @), or 0
  KW Word;      // an identifier's word number (KW::None for other names and other tokens)
  char Op;      // an operator's code (0 for other tokens)
  int Line;
  std::string_view Text;  // identifier without its suffix; operator text; literal text
};

// Reads a text one logical line at a time, so that a check holds the tokens of one line, not
// of the whole text. Findings of the text itself go to Findings as the lines are read.
class Lexer {
 public:
  Lexer(std::string_view Text, std::vector<VBFinding>& Findings);

  // The tokens of the next logical line, ending with its Eol token, into Line (emptied
  // first, so that one buffer serves every line); false when the text holds no more.
  bool Next(std::vector<Token>& Line);

  // The line of the last Eol token given, or the line where the text ends when none was.
  int LastLine() const { return SawEol_ ? LastEol_ : Line_; }

 private:
  void Step();
  const char* End() const { return T_.data() + T_.size(); }
  void Add(TK Kind, size_t Begin, size_t End, char Suffix = 0, KW Word = KW::None, char Op = 0);
  void SkipOneBlank();
  void Report(int Line, std::string Message);
  bool AtStatementStart() const;
  bool PrevIsOperand() const;
  bool RestOfLineBlank(size_t From) const;
  void SkipLineEnd();
  void EndLogicalLine();
  bool JoinNextLine();
  void Underscore();
  void Continuation();
  void SkipComment();
  void LexString();
  void LexIdent();
  void LexNumber();
  void LexRadix(bool (*Digit)(char));
  void LexBracketName();
  void LexHash();
  void LexOperator();

  std::string_view T_;
  std::vector<VBFinding>& F_;
  std::vector<Token>* Out_ = nullptr;  // the line being read
  size_t P_ = 0;
  int Line_ = 1;
  int Continuations_ = 0;
  int LastEol_ = 0;
  bool SawEol_ = false;
  bool LineDone_ = false;  // the line being read has its Eol token
};

}  // namespace pf::vbcheck
