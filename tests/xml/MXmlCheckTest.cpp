#include "xml/MXmlCheck.h"

#include <gmock/gmock.h>

using namespace pf;
using ::testing::HasSubstr;

// Everything the DOM parser reads without a word but XML does not allow is found, with the
// place of its first character and what is wrong; well-formed documents of every shape
// pass.
TEST(MXmlCheck, DocumentsThatAreNotWellFormedAreFoundWithTheirPlace) {
  struct Row {
    const char* Doc;
    int Line, Column;
    const char* Reason;
  };
  const Row rows[] = {
      {"<S><Server T=\"1\" T=\"2\"/></S>", 1, 18, "the attribute T appears twice in <Server>"},
      {"<S/><S/>", 1, 5, "a second document element <S>"},
      {"<S/>\r\n<!-- c -->\r\ntail", 3, 1, "text after the document element"},
      {"<S>\n <a V=\"x&#01;\"/></S>", 2, 9,
       "&#01; refers to U+0001, which XML does not allow (in the value of "
       "attribute V of <a>)"},
      {"<S V=\"&#65535;\"/>", 1, 7, "&#65535; refers to U+FFFF"},
      {"<S V=\"&#xD800;\"/>", 1, 7, "&#xD800; refers to U+D800"},
      {"<S V=\"&#99999999999;\"/>", 1, 7, "refers to no character"},
      {"<S>a\x01</S>", 1, 5, "U+0001, which XML does not allow (in the text of <S>)"},
      {"<S V=\"\xEF\xBF\xBE\"/>", 1, 7, "U+FFFE"},
      {"<S V=\"\xED\xA0\x80\"/>", 1, 7, "the byte 0xED, which is not UTF-8"},
      {"<S>caf\xE9</S>", 1, 7, "the byte 0xE9, which is not UTF-8"},
      {"<S>a]]>b</S>", 1, 5, "']]>' in text"},
      {"<S V=\"a<b\"/>", 1, 8, "'<' in a value"},
      {"<S>&nbsp;</S>", 1, 4, "the entity &nbsp; that is not declared"},
      {"<S>a & b</S>", 1, 6, "'&' that begins no reference"},
      {"<S>&#x;</S>", 1, 4, "a character reference without its digits"},
      {"<S><a></b></S>", 1, 9, "the end tag </b> where </a> belongs"},
      {"<S><a>", 1, 7, "the document ends inside an element (in the text of <a>)"},
      {"<S V=1/>", 1, 6, "a quoted value expected"},
      {"<S V=\"1\"W=\"2\"/>", 1, 9, "a blank expected before an attribute"},
      {"<1S/>", 1, 2, "a name expected for an element"},
      {"<S><!-- a -- b --></S>", 1, 11, "'--' inside a comment"},
      {"<!DOCTYPE S [<!ENTITY e \"x\">]><S>&e;</S>", 1, 1, "a document type declaration"},
      {"<S/>\n<?xml version=\"1.0\"?>", 2, 1, "an XML declaration that is not at the start"},
      {"<?xml version=\"2.0\"?><S/>", 1, 16, "'2.0' is no value for version"},
      {"", 1, 1, "no document element"},
      {"  text <S/>", 1, 3, "text before the document element"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Doc);
    const auto fault = MXmlCheck::CheckDocument(r.Doc);
    ASSERT_TRUE(fault.has_value());
    EXPECT_THAT(fault->Reason, HasSubstr(r.Reason));
    EXPECT_EQ(fault->Line, r.Line);
    EXPECT_EQ(fault->Column, r.Column);
  }
  for (const char* doc : {
           "<S/>",
           "\xEF\xBB\xBF<?xml version=\"1.0\" encoding='utf-8' standalone=\"yes\" ?>\r\n<!-- c --><?pi x?>\r\n"
           "<S a='&quot;\"' b=\"&lt;&gt;&amp;&apos;&#9;&#x10FFFF;]]>\">text &#13;<![CDATA[<&]]>]]<x:y/>]</S>\n",
           "<\xC3\xA9l\xC3\xA9ment \xC3\xA9t\xC3\xA9=\"\xE5\x8F\xB0\xF0\x9F\x98\x80\"></\xC3\xA9l\xC3\xA9ment >",
           "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><S>caf\xE9</S>",
           "<S><!----></S>",
       })
    EXPECT_FALSE(MXmlCheck::CheckDocument(doc).has_value()) << doc << ": " << MXmlCheck::CheckDocument(doc)->Reason;
}

TEST(MXmlCheck, TextProblemNamesTheFirstCharacterXmlCannotCarry) {
  EXPECT_EQ(MXmlCheck::TextProblem("tab\tline\r\nend \xE5\x8F\xB0\xF0\x9F\x98\x80 ]]> <&\""), "");
  EXPECT_EQ(MXmlCheck::TextProblem("\xE5\x8F\xB0x\x1B"), "U+001B (character 3), which XML does not allow");
  EXPECT_EQ(MXmlCheck::TextProblem("ab\xEF\xBF\xBF"), "U+FFFF (character 3), which XML does not allow");
  EXPECT_EQ(MXmlCheck::TextProblem(std::string("a\0b", 3)), "U+0000 (character 2), which XML does not allow");
  EXPECT_EQ(MXmlCheck::TextProblem("a\xED\xA0\x80"), "the byte 0xED (byte 2), which is not UTF-8");
  EXPECT_EQ(MXmlCheck::TextProblem("\xC3"), "the byte 0xC3 (byte 1), which is not UTF-8");
}
