#pragma once
// The rules that make text valid Visual Basic 6 source, shared by the generator, the
// profile checks and the source checker: identifiers, string expressions and the
// compiler's limits.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pf::VBSource {

// The compiler's limits: characters of a name, characters of one physical line, line
// continuations of one statement, and arguments of one procedure.
inline constexpr size_t kMaxNameLength = 255;
inline constexpr size_t kMaxLineLength = 1023;
inline constexpr size_t kMaxContinuations = 24;
inline constexpr int kMaxArguments = 60;

// True when name is an identifier: an ASCII letter, then ASCII letters, digits and
// underscores, at most kMaxNameLength characters. Reserved words are not tested here.
bool IsIdentifier(std::string_view name);

// The identifier closest to name: characters an identifier cannot hold are dropped
// (Latin letters with accents lose them, "ß" becomes "ss"), a result that does not begin
// with a letter gets Fallback in front ("1st" -> Fallback + "1st"; nothing left ->
// Fallback), and it is cut to MaxLength characters. A valid name comes back unchanged.
std::string MakeIdentifier(std::string_view name, std::string_view Fallback, size_t MaxLength = kMaxNameLength);

// Text (UTF-8) as a string expression: in double quotes with inner quotes doubled; line
// breaks as vbCrLf, vbCr or vbLf, a tab as vbTab, other control characters as Chr$(n),
// and characters outside 7-bit ASCII as ChrW$(n) (two UTF-16 halves above U+FFFF; a byte
// that is not UTF-8 as U+FFFD), joined with " & ". Empty text gives "". NeedsCall, when
// given, is set when the expression calls Chr$ or ChrW$ and so cannot be the value of a
// Const.
std::string StringExpr(std::string_view text, bool* NeedsCall = nullptr);
// StringExpr(text) appended to out.
void AppendStringExpr(std::string& out, std::string_view text, bool* NeedsCall = nullptr);

// StringExpr(text) kept within the compiler's limits where it stands: when it is longer
// than FirstRoom characters (the room left on its line), it is split into pieces joined by
// " & _" and a line break, each further line beginning with Indent and keeping to
// kMaxLineLength. Empty when even kMaxContinuations continuations cannot hold it.
std::optional<std::string> ContinuedStringExpr(std::string_view text, std::string_view Indent, size_t FirstRoom);

// Why source text (CR LF lines) breaks the compiler's limits: a physical line longer
// than kMaxLineLength, or a statement with more than kMaxContinuations continuations (a
// line ending in " _" continues the statement). Empty when it keeps them.
std::string LimitsBroken(std::string_view source);

// Text made safe for one comment line: line breaks and other control characters become
// blanks.
std::string CommentText(std::string_view text);

}  // namespace pf::VBSource
