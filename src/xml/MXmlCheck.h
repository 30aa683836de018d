#pragma once
// MXmlCheck: whether a text is XML that every XML processor reads the same way. The DOM
// parser is lenient (it keeps a repeated attribute, reads "&#1;" and a second document
// element, and lets "]]>" stand in text), which suits documents the program makes for
// itself, such as the extractors' lists, whose values carry control characters as
// references; a file the user keeps and edits, such as a profile, is checked here as well,
// so that what is read, and what is written back, is well-formed XML 1.0.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pf::MXmlCheck {

// Empty when Text is UTF-8 made only of characters XML 1.0 allows (no control characters
// but tab, line feed and carriage return, no U+FFFE or U+FFFF); otherwise what is first
// wrong, for example "U+0001 (character 3), which XML does not allow" or "the byte 0xFF
// (byte 3), which is not UTF-8".
std::string TextProblem(std::string_view Text);

// Where a document is not well-formed: line and column count from 1 (the column in
// characters; CR LF, CR and LF each end a line), and the reason names what is wrong and
// in which element or attribute.
struct Fault {
  int32_t Line = 0;
  int32_t Column = 0;
  std::string Reason;
};

// Nothing when Doc (UTF-8, or a single-byte character set its XML declaration names) is a
// well-formed XML 1.0 document: one document element, properly nested, every attribute
// once per element, only the five predefined entities and references to characters XML
// allows, no "]]>" in text, and nothing but comments, processing instructions and white
// space around the document element. A document type declaration is refused too: it could
// declare entities whose meaning the program would not see.
std::optional<Fault> CheckDocument(std::string_view Doc);
// CheckDocument for a file the program reads and writes back: a fault throws AppError
// ERR_GENERAL "Not well-formed XML at line L, column C: <reason>".
void RequireDocument(std::string_view Doc);

}  // namespace pf::MXmlCheck
