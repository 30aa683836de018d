#pragma once
// Visual Basic source to coloured HTML for the code viewer and `procforge-cli html`.
//
// The markup: keywords "<font color="#000080">", comments "<font color="#008000">",
// string constants "<font color="#808080">" with their quotes as "&quot;", a rule
// "<HR WIDTH="100%" Size=0 />" in place of the line break after "End Function", "End Sub"
// and "End Property" lines, the whole text inside "<pre>...</pre>".
//
// The step functions below define the result as a series of whole-text rewrites, each in
// place; VBCodeToHTML produces the same bytes in one pass over the text. Their quirks are
// part of the result: a keyword at the very start or end of the text stays plain, a quote
// without its partner shifts the pairing of every later quote (and the last run gets a
// closing "&quot;"), an apostrophe after a quote on the same line is not a comment.
// Identifier characters are the ASCII letters, digits and "_"; any other byte (also every
// byte of a non-ASCII character) separates words. No input makes these functions fail.

#include <string>
#include <string_view>

namespace pf {
class CProgress;
}

namespace pf::MCode2HTML {

// Keywords in the order of their passes; case-sensitive.
inline constexpr std::string_view kKeywords =
    "Dim,To,Private,Public,Enum,Type,Sub,Function,Property,Get,Set,Let,Resume,ByRef,ByVal,"
    "Optional,End,Wend,If,Then,Else,ElseIf,Select,Case,Exit,On,Error,GoTo,Events,For,Next,With,"
    "While,Do,Loop,Until,Not,And,Or,Const,As,String,Double,Long,Date,Variant,Boolean,Option,"
    "Explicit,Base";

inline constexpr std::string_view kKeywordTag = "<font color=\"#000080\">";
inline constexpr std::string_view kCommentTag = "<font color=\"#008000\">";
inline constexpr std::string_view kStringTag = "<font color=\"#808080\">";
inline constexpr std::string_view kCloseTag = "</font>";
inline constexpr std::string_view kProcRule = "<HR WIDTH=\"100%\" Size=0 />";
inline constexpr std::string_view kQuot = "&quot;";

// The progress message shown while a text is converted.
inline constexpr std::string_view kFormattingMessage = "Formatting code for Viewer...";

// "&" "<" ">" and the double quote become entities; apostrophes stay.
void EscapeHTML(std::string& Text);
// Every CR LF + Token + CR LF becomes CR LF + Token + the rule.
void AddDelimTo(std::string& Code, std::string_view Token);
// AddDelimTo for "End Function", "End Sub", "End Property", in that order.
void AddProcDelimiter(std::string& Code);
// Colours every occurrence of Kwd whose neighbours both exist and are no identifier
// characters (an occurrence right next to another one counts as having no neighbour).
void ColorizeKwd(std::string& Code, std::string_view Kwd);
// The pieces between the 1st and 2nd, 3rd and 4th, ... "&quot;" lose their tags and turn
// grey with their quotes; with an odd count the last piece runs to the end of the text.
void ColorizeStrConstants(std::string& Code);
// Per CR LF line: from its first apostrophe on, when no "&quot;" stands before it, green
// without other tags.
void ColorizeComments(std::string& Code);
// Deletes the keyword and string opening tags and every "</font>".
void RemoveAllTags(std::string& S);

// Res = the HTML of Src. With WithProcDelimiters the procedure rules are drawn. With
// Progress, its message kFormattingMessage is shown first and, with WithDoEvents,
// pending events run at regular points of a long text; both are cancellation points
// (0x80041068 "Operation Canceled"). Recorded under
// "MCode2HTML.VBCodeToHTML(Src,Res,WithDoEvents)". Linear in the length of Src.
void VBCodeToHTML(const std::string& Src, std::string& Res, bool WithDoEvents, bool WithProcDelimiters,
                  CProgress* Progress = nullptr);

// The same result as VBCodeToHTML, made by the step functions one whole-text pass after
// the other (one pass per keyword). The definition the one-pass conversion is checked
// against; about fifty times the work.
std::string VBCodeToHTMLByPasses(const std::string& Src, bool WithProcDelimiters);

}  // namespace pf::MCode2HTML
