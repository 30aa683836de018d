#include "xml/bwXMLBrowser.h"

#include <gmock/gmock.h>

#include "errors/Faultnet31.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "xml/bwEEDomDoc.h"
#include "support/TestEnv.h"

using namespace pf;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

class Browser : public ::testing::Test {
 protected:
  void SetUp() override { Faultnet31::Reset(); }
};

const char* const kProcs =
    "<ProcList><Proc Name=\"a\" Owner=\"dbo\"/><Proc Name=\"b\" Owner=\"dbo\"><Param Name=\"@x\"/></Proc>"
    "<Proc Name=\"c\" Owner=\"sys\"/></ProcList>";

}  // namespace

// Line breaks in values are written so that the text reads back the same.
TEST_F(Browser, LineBreaksInValuesReadBackTheSame) {
  bwXMLBrowser crlf;
  ASSERT_TRUE(crlf.Load("<a T=\"x&#13;&#10;y\">p&#13;&#10;q</a>"));
  bwXMLBrowser again;
  ASSERT_TRUE(again.Load(crlf.xml()));
  EXPECT_EQ(again.xml(), crlf.xml());
  EXPECT_EQ(again.strAttr("T"), "x\r\ny");
}

// A reference to the character NUL would end the value there and lose the rest of it: the
// text is refused with its place, wherever such a reference is read, and left alone in
// comments and CDATA sections, where it is text.
TEST_F(Browser, ReferencesToNulAreRefusedWithTheirPlace) {
  for (const char* text :
       {"<a>&#0;;x</a>", "<a>\n <b T=\"v&#x00;w\"/></a>", "<a>&#4294967296;</a>", "<a>&#x100000000;x</a>"}) {
    bwXMLBrowser x;
    const AppError e = pftest::Raised([&] { x.Load(text); });
    EXPECT_THAT(e.Description, HasSubstr("LoadXML method failed")) << text;
    EXPECT_THAT(e.Description, HasSubstr("NUL")) << text;
  }
  bwXMLBrowser x;
  EXPECT_THAT(pftest::Raised([&] { x.Load("<a>\n <b T=\"v&#x00;w\"/></a>"); }).Description,
              HasSubstr("line 2, column 9"));
  for (const char* text : {"<a><!-- &#0; --><![CDATA[&#0;]]>&#48;&#X0;&#;&#x;</a>", "<?p &#0;?><a>&amp;#0;</a>"}) {
    bwXMLBrowser ok;
    ASSERT_TRUE(ok.Load(text)) << text;
    bwXMLBrowser again;
    ASSERT_TRUE(again.Load(ok.xml())) << text;
    EXPECT_EQ(again.xml(), ok.xml()) << text;
  }
  bwXMLBrowser into;
  into.Init("Root");
  EXPECT_THAT(pftest::Raised([&] { into.AppendXML("<b>&#0;</b>"); }).Description, HasSubstr("NUL"));
  EXPECT_EQ(into.xml(), "<Root/>");
}

TEST_F(Browser, InvalidNamesAreRefusedInsteadOfWritingBrokenXml) {
  bwXMLBrowser x;
  x.Init("Root");
  EXPECT_EQ(pftest::Raised([&] { x.CreateChild("a b", true, false); }).Number, ERR_GENERAL);
  EXPECT_EQ(pftest::Raised([&] { x.Attr("1st", "v"); }).Number, ERR_GENERAL);
  EXPECT_EQ(x.xml(), "<Root/>");
}

TEST_F(Browser, KeptLoadErrorsWaitInTheLastErrorFields) {
  bwXMLBrowser x;
  ASSERT_TRUE(x.Load("<Keep R=\"1.5\"/>"));
  EXPECT_DOUBLE_EQ(x.dblAttr("R"), 1.5);
  x.Options(bwXMLBrowser::OPT_KEEP_ERRORS, true);
  EXPECT_FALSE(x.Load(""));
  EXPECT_EQ(x.LastErr(), ERR_GENERAL);
  EXPECT_THAT(x.LastErrDescr(), HasSubstr("LoadXML method failed"));
  EXPECT_EQ(x.xml(), "<Keep R=\"1.5\"/>");
}

TEST(bwEEDomDoc, ExtractLayout) {
  Faultnet31::Reset();
  bwEEDomDoc ee;
  DomParseError d;
  EXPECT_EQ(ee.Extract(&d), "");  // no error
  EXPECT_EQ(ee.Extract(static_cast<const DomParseError*>(nullptr)), "");
  d.errorCode = 5;
  d.reason = "Bad\r\n thing\r\n";
  d.srcText = "\tab";
  d.line = 4;
  d.linepos = 3;
  EXPECT_EQ(ee.Extract(&d),
            "Description: Bad thing\r\nSource Line:  ab\r\n.              ^\r\n\r\n Line=4 Pos=3");
  d.linepos = 0;
  EXPECT_EQ(ee.Extract(&d), "Description: Bad thing\r\nSource Line:  ab\r\n.            \r\n Line=4 Pos=0");

  // A very long line is cut around the error, with the caret still under it.
  d.srcText = std::string(1000, 'x') + "!" + std::string(1000, 'y');
  d.linepos = 1001;
  const std::string long_ = ee.Extract(&d);
  const size_t src = long_.find("Source Line: ") + 13, caret = long_.find('^');
  const size_t caretCol = caret - long_.rfind("\r\n", caret) - 2;
  EXPECT_EQ(long_[src + caretCol - 13], '!');  // both prefixes are 13 wide
  EXPECT_LT(long_.size(), 400u);
  EXPECT_THAT(long_, HasSubstr(" Line=4 Pos=1001"));

  // Errors shown as plain messages carry no parse details.
  Faultnet31::Err().Number = ERR_CANCELED;
  EXPECT_EQ(ee.Extract(&d), "");
}

TEST_F(Browser, NavigationAndCounts) {
  bwXMLBrowser x;
  x.Load(kProcs);
  EXPECT_EQ(x.ChildCount(), 3);
  ASSERT_TRUE(x.MoveToFirstChild());
  EXPECT_TRUE(x.AtFirst());
  EXPECT_EQ(x.ElementIndex(), 0);
  ASSERT_TRUE(x.MoveNext());
  EXPECT_EQ(x.strAttr("Name"), "b");
  EXPECT_EQ(x.ElementIndex(), 1);
  ASSERT_TRUE(x.MoveNext());
  EXPECT_FALSE(x.MoveNext());
  EXPECT_TRUE(x.AtLast());
  EXPECT_EQ(x.strAttr("Name"), "c");

  x.POP(0);
  EXPECT_TRUE(x.MoveByIndex("Proc", 2));  // positions count from 1
  EXPECT_EQ(x.strAttr("Name"), "b");
  x.POP(0);
  EXPECT_TRUE(x.MoveTo("*[nodeType()=1][@Owner $eq$ 'sys']"));
  EXPECT_EQ(x.strAttr("Name"), "c");
  EXPECT_FALSE(x.MoveTo("Nothing"));
  EXPECT_EQ(x.strAttr("Name"), "c");  // unchanged
  const AppError e = pftest::Raised([&] { x.MoveTo("Nothing", true); });
  EXPECT_EQ(e.Number, ERR_NOT_FOUND);
  EXPECT_THAT(e.Description, StartsWith("Path Nothing not found."));
  EXPECT_THAT(e.Description, HasSubstr("Call Stack: bwXMLBrowser.MoveTo(Path='Nothing', ErrIfNotFound=True)"));
  EXPECT_EQ(pftest::Raised([&] { x.MoveTo("Proc[", false); }).Number, ERR_GENERAL);
}

// The pattern-language operators and node tests in paths callers pass, each on the same
// small document (tests/data/xml/patterns.txt), and the query forms the browser builds itself.
TEST_F(Browser, PatternOperatorsAndNodeTestsSelectWhatTheySay) {
  bwXMLBrowser x;
  x.Load("<L><P Name=\"a\" N=\"1\"/><P Name=\"b\" N=\"2\"/><P Name=\"c\" N=\"3\"/><!--note--><?pi data?>text</L>");
  for (const std::string& line : pftest::DataLines("xml/patterns.txt")) {
    const std::vector<std::string> f = pftest::Fields(line);
    EXPECT_EQ(x.MakeAttrList(f[0]), f[1]) << line;
  }
  EXPECT_TRUE(x.MoveTo("*[nodeType()=1][@N $ge$ 3]"));
  EXPECT_EQ(x.strAttr("Name"), "c");
}

TEST_F(Browser, PopByNumberNameAndOtherKinds) {
  bwXMLBrowser x;
  x.Load("<Proc><Proc><Params><Param/></Params></Proc></Proc>");
  ASSERT_TRUE(x.MoveTo("Proc/Params/Param"));
  auto v = x.CreateViewer("", true);  // root = Param
  // Own name: the nearest ancestor of that name, not the element itself.
  ASSERT_TRUE(x.MoveTo("//Proc/Proc"));
  EXPECT_TRUE(x.POP("Proc"));
  EXPECT_EQ(x.Element(), x.DocRootElement());
  EXPECT_FALSE(x.POP(1));  // the document node is no element
  EXPECT_EQ(x.Element(), x.DocRootElement());
  EXPECT_FALSE(x.POP("Missing"));
  EXPECT_TRUE(x.POP(-3));
  EXPECT_TRUE(x.POP());
  EXPECT_TRUE(x.POP(Variant::Null()));
  EXPECT_EQ(x.Element(), x.DocRootElement());

  // POP(0) lands on the root even from above it.
  v->Element(x.DocRootElement());
  EXPECT_TRUE(v->POP(0));
  EXPECT_EQ(v->ElementName(), "Param");
  EXPECT_TRUE(v->POP(2));
  EXPECT_EQ(v->ElementName(), "Proc");
}

TEST_F(Browser, FindElemMatchesQuotesAndAmpersands) {
  bwXMLBrowser x;
  x.Init("Parameters");
  for (const char* name : {"plain", "O'Brien", "a & b", "say \"hi\"", "both ' and \""}) {
    x.CreateChild("Param", true, false);
    x.Attr("Name", name);
    x.POP(0);
  }
  for (const char* name : {"O'Brien", "a & b", "say \"hi\"", "both ' and \""}) {
    x.POP(0);
    ASSERT_TRUE(x.FindElem("Param", "Name", name)) << name;
    EXPECT_EQ(x.strAttr("Name"), name);
  }
  x.POP(0);
  EXPECT_FALSE(x.FindElem("Param", "Name", "O&apos;Brien"));
  EXPECT_TRUE(x.FindElem("Param", "", ""));
  EXPECT_EQ(x.strAttr("Name"), "plain");
}

TEST_F(Browser, AbsentAttributesListenerAndNameCheck) {
  bwXMLBrowser x;
  x.Load("<Settings><Misc Keep=\"1\"/></Settings>");
  x.MoveTo("Misc");
  EXPECT_EQ(x.Attr("None"), "");
  EXPECT_EQ(x.lngAttr("None"), 0);
  EXPECT_FALSE(x.boolAttr("None", "True"));
  EXPECT_FALSE(x.NotEmpty("None"));

  std::string seen;
  x.SetOnAttrNotFound([&](const std::string& e, const std::string& p, const std::string& a, std::string& v) {
    seen = e + "/" + p + "/" + a;
    v = "42";
  });
  EXPECT_EQ(x.lngAttr("Answer"), 42);
  EXPECT_EQ(seen, "Misc/Settings/Answer");
  x.SetIfEmpty("Answer", "7");  // the listener's value counts: nothing is written
  x.SetOnAttrNotFound(nullptr);
  EXPECT_EQ(x.Attr("Answer"), "");
  x.SetIfEmpty("Answer", "7");
  EXPECT_EQ(x.Attr("Answer"), "7");
  x.RemoveAttr("Answer");
  EXPECT_EQ(x.Attr("Answer"), "");

  x.AllowedAttrs("A,B");
  EXPECT_TRUE(x.Options(bwXMLBrowser::OPT_CHECK_NAMES));
  x.Attr("B", "ok");
  const AppError e = pftest::Raised([&] { x.Attr("C"); });
  EXPECT_EQ(e.Number, ERR_ATTR_NOT_ALLOWED);
  EXPECT_THAT(e.Description, StartsWith("Name [C] is not in list of allowed attribute names for element Misc."));
  EXPECT_EQ(pftest::Raised([&] { x.Attr("AB", "x"); }).Number, ERR_ATTR_NOT_ALLOWED);  // whole names only
  x.AllowedAttrs("");
  EXPECT_FALSE(x.Options(bwXMLBrowser::OPT_CHECK_NAMES));
  EXPECT_EQ(x.Attr("C"), "");
}

TEST_F(Browser, GlobalAttributesCopyAndArrays) {
  bwXMLBrowser src;
  src.Load("<R><S Srv=\"one\" Db=\"d\"/><T Srv=\"two\" X=\"x\"/></R>");
  EXPECT_EQ(src.gAttr("Srv"), Variant("one"));
  EXPECT_TRUE(src.gAttr("Missing").IsEmpty());
  src.MoveTo("T");
  const auto values = src.GetAttrArray("Srv,X,Db", false);
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0], Variant("two"));
  EXPECT_EQ(values[2], Variant(""));
  EXPECT_EQ(src.GetAttrArray("Db", true)[0], Variant("d"));

  bwXMLBrowser dst;
  dst.Init("D");
  dst.Copy(src, "", false);
  EXPECT_EQ(dst.xml(), "<D Srv=\"two\" X=\"x\"/>");
  dst.Init("D");
  dst.Copy(src, "Server=Srv,Db", true);
  EXPECT_EQ(dst.xml(), "<D Server=\"one\" Db=\"d\"/>");
}

TEST_F(Browser, ViewerSharesTheDocumentButNotBookmarks) {
  bwXMLBrowser x;
  x.Load("<Settings><Server/><Code/></Settings>");
  x.BkmkSet("top");
  x.MoveTo("Code");
  auto v = x.CreateViewer("ClassFile", true);
  EXPECT_FALSE(v->BkmkExists("top"));
  EXPECT_TRUE(x.BkmkExists("TOP"));  // bookmark names ignore letter case
  EXPECT_EQ(v->RootElement(), x.Element());
  v->Attr("ClassFile", "c.cls");
  EXPECT_EQ(x.strAttr("ClassFile"), "c.cls");
  EXPECT_EQ(pftest::Raised([&] { v->Attr("Other", "x"); }).Number, ERR_ATTR_NOT_ALLOWED);
  x.BkmkGoto("top");
  EXPECT_EQ(x.ElementName(), "Settings");
  EXPECT_TRUE(x.BkmkRemove("top"));
  EXPECT_FALSE(x.BkmkRemove("top"));
  EXPECT_EQ(pftest::Raised([&] { x.BkmkGoto("top"); }).Number, ERR_NOT_FOUND);

  // A new document drops the bookmarks and selection of the old one; the viewer keeps it.
  x.BkmkSet("old");
  x.SelAdd();
  x.Load("<New/>");
  EXPECT_FALSE(x.BkmkExists("old"));
  EXPECT_TRUE(x.Selection().empty());
  EXPECT_EQ(v->strAttr("ClassFile"), "c.cls");
}

TEST_F(Browser, RemovingElements) {
  bwXMLBrowser x;
  x.Load("<Settings><Packages><Package Name=\"P1\"/><Package Name=\"P2\"/></Packages><Misc/></Settings>");
  const std::string before = x.xml();
  const AppError e = pftest::Raised([&] { x.RemoveElement(); });
  EXPECT_EQ(e.Number, ERR_GENERAL);
  EXPECT_THAT(e.Description, StartsWith("Cannot remove root element"));
  EXPECT_EQ(x.xml(), before);

  // Handles inside a removed subtree never dangle: bookmarks go, viewers move up.
  x.MoveTo("Packages/Package");
  x.BkmkSet("pkg");
  auto v = x.CreateViewer("", true);
  x.POP(1);
  x.BkmkSet("pkgs");
  x.RemoveElement();
  EXPECT_EQ(x.ElementName(), "Settings");
  EXPECT_FALSE(x.BkmkExists("pkg"));
  EXPECT_FALSE(x.BkmkExists("pkgs"));
  EXPECT_EQ(v->RootElement(), x.Element());
  EXPECT_EQ(v->ElementName(), "Settings");
  EXPECT_EQ(x.xml(), "<Settings><Misc/></Settings>");

  // An element of another document reached through Element: that document's viewers move.
  bwXMLBrowser other;
  other.Load("<O><Sub><Leaf/></Sub></O>");
  other.MoveTo("Sub/Leaf");
  auto ov = other.CreateViewer("", true);
  other.POP(1);
  x.Element(other.Element());
  x.RemoveElement();
  EXPECT_EQ(ov->ElementName(), "O");
  EXPECT_EQ(other.xml(), "<O/>");
  x.POP(0);

  x.CreateChild("A", true, false);
  x.CreateChild("B", false, false);
  x.Attr("Kept", "1");
  x.RemoveSubElements();
  EXPECT_EQ(x.xml(), "<Settings><Misc/><A Kept=\"1\"/></Settings>");
  x.POP(0);
  x.ElementClear();
  EXPECT_EQ(x.xml(), "<Settings/>");
}

TEST_F(Browser, SelectionRemovesNestedElementsSafely) {
  bwXMLBrowser x;
  x.Load("<Packages><Package Name=\"A\"><Sub/></Package><Package Name=\"B\"/><Package Name=\"C\"/></Packages>");
  x.MoveTo("Package/Sub");
  const pugi::xml_node sub = x.Element();
  x.POP(1);
  x.SelAdd();
  x.SelAdd(sub);  // inside an element selected before it
  x.SelAdd(x.Element());
  EXPECT_EQ(x.Selection().size(), 2u);
  x.POP(0);
  x.FindElem("Package", "Name", "C");
  x.SelAdd();
  EXPECT_TRUE(x.SelIsSelected(x.Element()));
  x.SelUnselect(x.Element());
  EXPECT_FALSE(x.SelIsSelected(x.Element()));
  x.SelAdd();
  x.SelRemoveSelected();
  EXPECT_TRUE(x.Selection().empty());
  EXPECT_EQ(x.xml(), "<Packages><Package Name=\"B\"/></Packages>");

  x.SelAdd(x.RootElement());
  EXPECT_EQ(pftest::Raised([&] { x.SelRemoveSelected(); }).Number, ERR_GENERAL);
}

TEST_F(Browser, CopySubElementsIncludingIntoItsOwnSubtree) {
  bwXMLBrowser src;
  src.Load("<Params><Param Name=\"a\"/><!--c--><Param Name=\"b\"/></Params>");
  bwXMLBrowser dst;
  dst.Load("<Out><Old/></Out>");
  dst.CopySubElements(src, true);
  // MoveNext stops at the comment: only elements are siblings to move to.
  EXPECT_EQ(dst.xml(), "<Out><Param Name=\"a\"/></Out>");
  EXPECT_EQ(src.strAttr("Name"), "a");

  bwXMLBrowser self;
  self.Load("<R><A><B/></A></R>");
  self.MoveTo("A");
  auto from = self.CreateViewer("", false);
  self.CopySubElements(*from, false);
  EXPECT_EQ(self.xml(), "<R><A><B/><A><B/></A></A></R>");
}

TEST_F(Browser, FindDuplicatesComparesWholeKeys) {
  bwXMLBrowser x;
  x.Load("<L><P N=\"a\" O=\"1\"/><P N=\"x','a\" O=\"1\"/><P N=\"a\" O=\"1\"/><P N=\"b\"/><P N=\"a\" O=\"1\"/>"
         "<P N=\"b\"/></L>");
  std::string dups = "stale";
  EXPECT_TRUE(x.FindDuplicates("P", "N,O", dups));
  EXPECT_EQ(dups, ";,'a','1';,'b',''");
  EXPECT_TRUE(x.FindDuplicates("P[@O]", "N,O", dups));
  EXPECT_EQ(dups, ";,'a','1'");

  // A value that ends like another key is no duplicate of it.
  x.Load("<L><P N=\"x','a\"/><P N=\"a\"/></L>");
  EXPECT_FALSE(x.FindDuplicates("P", "N", dups));
  EXPECT_EQ(dups, "");

  const AppError e = pftest::Raised([&] { x.FindDuplicates("P/@N", "N", dups); });
  EXPECT_THAT(e.Description, StartsWith("Invalid search path: all result nodes should be xml elements."));
}

TEST_F(Browser, AttrListAndDateFormatting) {
  bwXMLBrowser x;
  x.Load("<L><P N=\"a\" Created=\"12/6/2026 2:03:05 PM\" Modified=\"\"/><P N=\"b\" Created=\"junk\" "
         "Other=\"2026-01-02\"/></L>");
  EXPECT_EQ(x.MakeAttrList("P/@N"), "a,b");
  EXPECT_EQ(x.MakeAttrList("P"), ",");  // elements have no node value
  x.FormatDates("Created,Modified", "Dd mmm yyyy, Hh:nn ", true);
  EXPECT_EQ(x.xml(), "<L><P N=\"a\" Created=\"06 Dec 2026, 14:03 \" Modified=\"\"/><P N=\"b\" Created=\"\" "
                     "Other=\"2026-01-02\"/></L>");
  x.FormatDates("Other", "yyyy", false);
  x.FormatDates("Modified", "yyyy", false);
  EXPECT_EQ(x.xml(), "<L><P N=\"a\" Created=\"06 Dec 2026, 14:03 \" Modified=\"1899\"/><P N=\"b\" Created=\"\" "
                     "Other=\"2026\"/></L>");
}

TEST_F(Browser, FilesRoundTripInCharacterSets) {
  pftest::TempDir dir;
  bwXMLBrowser x;
  x.Init("Settings");
  x.Attr("Name", "Caf\xC3\xA9");
  x.WriteToFile(dir.file("p.PFG"), false, "ASCII");
  EXPECT_EQ(pftest::ReadAll(dir.file("p.PFG")), "<Settings Name=\"Caf?\"/>");
  x.CreateChild("Code", true, false);
  x.AppendXML("<Text>line 1&#13;\nline 2\r\n</Text>");
  x.POP(0);
  x.WriteToFile(dir.file("u.xml"), false, "");
  const std::string utf16 = pftest::ReadAll(dir.file("u.xml"));
  EXPECT_EQ(utf16.substr(0, 4), std::string("\xFF\xFE<\0", 4));

  bwXMLBrowser y;
  y.ReadFromFile(dir.file("u.xml"), false, "");
  EXPECT_EQ(y.strAttr("Name"), "Caf\xC3\xA9");
  ASSERT_TRUE(y.MoveTo("Code/Text/text()"));
  EXPECT_EQ(std::string(y.Element().value()), "line 1\r\nline 2\r\n");  // text keeps its line ends
  y.Load(y.xml());
  y.RemoveSubElements();
  y.ReadFromFile(dir.file("p.PFG"), true, "ASCII");
  EXPECT_EQ(y.xml(), "<Settings Name=\"Caf\xC3\xA9\"><Settings Name=\"Caf?\"/></Settings>");
  y.MoveTo("Settings");
  y.WriteToFile(dir.file("sub.xml"), true, "UTF-8");
  EXPECT_EQ(pftest::ReadAll(dir.file("sub.xml")), "<Settings Name=\"Caf?\"/>");

  const AppError e = pftest::Raised([&] { y.ReadFromFile(dir.file("missing.PFG"), false, "ASCII"); });
  EXPECT_EQ(e.Number, ERR_FILE_NOT_FOUND);
  EXPECT_THAT(e.Description, HasSubstr(dir.file("missing.PFG")));

  pftest::WriteAll(dir.file("bad.xml"), "<a><b></a>");
  EXPECT_EQ(pftest::Raised([&] { y.ReadFromFile(dir.file("bad.xml"), true, "ASCII"); }).Number, ERR_GENERAL);
  EXPECT_EQ(y.ChildCount(), 0);
}

TEST(bwXMLBrowserValues, NeverFailingConversions) {
  using B = bwXMLBrowser;
  EXPECT_EQ(B::SafeStr(Variant::Null()), "");
  EXPECT_EQ(B::SafeStr(2.5), "2.5");
  EXPECT_EQ(B::SafeStr(1e20), "1E+20");
  EXPECT_EQ(B::SafeStr(false), "False");
  EXPECT_EQ(B::SafeLng(" 12 "), 12);
  EXPECT_EQ(B::SafeLng("2.5"), 2);  // halves round to even
  EXPECT_EQ(B::SafeLng("3.5"), 4);
  EXPECT_EQ(B::SafeLng("&HFF"), 255);
  EXPECT_EQ(B::SafeLng("abc"), 0);
  EXPECT_EQ(B::SafeLng("99999999999"), 0);
  EXPECT_EQ(B::SafeLng(true), -1);
  EXPECT_DOUBLE_EQ(B::SafeDbl("-1.25e2"), -125.0);
  EXPECT_DOUBLE_EQ(B::SafeDbl("1,5"), 0.0);
  EXPECT_TRUE(VBDate::IsZero(B::SafeDate("not a date")));
  EXPECT_TRUE(VBDate::IsZero(B::SafeDate(Variant())));
  EXPECT_EQ(B::SafeDate(1.5), (VBDate::DateTime{1899, 12, 31, 12, 0, 0}));
  EXPECT_TRUE(VBDate::IsZero(B::SafeDate(1e12)));
  EXPECT_TRUE(B::VBValue(Variant::Null()).IsEmpty());
  EXPECT_TRUE(B::DBValue(Variant()).IsNull());
  EXPECT_EQ(B::DBValue("x"), Variant("x"));
  EXPECT_EQ(B::Combine("", ",", B::Quote("x")), ",'x'");
  EXPECT_EQ(B::Combine("", ";", ""), "");
  EXPECT_EQ(B::Combine("a", ";", ""), "a;");
  EXPECT_EQ(B::Bracket("3"), "[3]");
}

// Children made from the rows of a result set: every field, or a map of renames and literals.
TEST(bwXMLBrowserRs, CreatesChildrenFromRows) {
  pftest::TempDir dir;
  pftest::WriteAll(dir.file("r.sql"),
                   "CREATE TABLE p (name TEXT, dir INTEGER, note TEXT);"
                   "INSERT INTO p VALUES ('@a', 1, NULL), ('@b', 3, 'it''s');");
  auto c = ado::Connection::Create();
  c->Open("Provider=Procforge.Snapshot;Data Source=" + dir.file("r.sql"));
  const char* const kSelect = "SELECT name, dir, note FROM p ORDER BY name";
  auto rs = c->Execute(kSelect);
  bwXMLBrowser x;
  x.Init("Parameters");
  x.rsCreateChildren("Param", *rs, "");
  EXPECT_TRUE(rs->Eof());
  EXPECT_EQ(x.ElementName(), "Parameters");  // the cursor stays on the parent
  EXPECT_EQ(x.xml(),
            "<Parameters><Param name=\"@a\" dir=\"1\" note=\"\"/><Param name=\"@b\" dir=\"3\" note=\"it's\"/>"
            "</Parameters>");

  rs = c->Execute(kSelect);
  x.Init("Parameters");
  x.rsCreateChild("Param", rs.get(), "Name=name,dir,Kind='in''put',Empty=''", true);
  EXPECT_EQ(x.ElementName(), "Param");  // SelectIt keeps the cursor on the new child
  EXPECT_EQ(x.strAttr("Name"), "@a");
  EXPECT_EQ(x.strAttr("dir"), "1");
  EXPECT_EQ(x.strAttr("Kind"), "input");
  EXPECT_EQ(x.strAttr("Empty"), "");
  x.POP(0);
  x.rsCreateChild("Blank", nullptr, "ignored", false);
  EXPECT_EQ(x.ElementName(), "Parameters");
  EXPECT_EQ(x.ChildCount(), 2);

  // An unknown field fails after the attributes before it were written.
  pftest::ExpectFailure([&] { x.rsCreateChild("Bad", rs.get(), "Name=name,Missing", true); },
                        {"bwXMLBrowser.rsSetAttributes(rsData,AttrList)"});
  x.POP(0);
  EXPECT_TRUE(x.MoveTo("Bad"));
  EXPECT_EQ(x.strAttr("Name"), "@a");
}
