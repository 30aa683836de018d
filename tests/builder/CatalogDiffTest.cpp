// Which catalogue changes break callers of the generated class.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "builder/CCatalogDiff.h"
#include "support/TestEnv.h"

namespace {

using pf::CCatalogDiff;
using Param = CCatalogDiff::Param;

// A parameter with the attributes the diff reads, in its order: Dir, Type, NativeType,
// NativeTypeName, Size, Precision, NumericScale, IsNullable, IsLongBinary, IsRetVal,
// DataTypeNotSupported, default.
Param P(const char* name, const char* dir, const char* type, const char* size, const char* nullable = "True",
        const char* omittable = "") {
  return {name, {dir, type, "", "", size, "0", "0", nullable, "False", "", "", omittable}};
}

TEST(CatalogDiff, ChangesAreListedSortedAndMarkedWhenTheDeclarationChanges) {
  CCatalogDiff::Catalogue before, after;
  // Generated, then gone: breaking. Filtered out (no method), then gone: not breaking.
  before["spGone"] = {{P("@a", "1", "3", "4")}, "Public Function ExecGone(ByVal lngA As Long) As Boolean"};
  before["dt_gone"] = {{}, ""};
  // New procedures never break a caller.
  after["spNew"] = {{}, "Public Function ExecNew() As Boolean"};
  // A size and a nullability change that leave the declaration as it was.
  before["spSame"] = {{P("@n", "1", "200", "20", "True")}, "Public Function ExecSame(ByVal strN As String) As Boolean"};
  after["spSame"] = {{P("@n", "1", "200", "40", "False")}, "Public Function ExecSame(ByVal strN As String) As Boolean"};
  // A type change and a swap of two parameters that change it; a nullability change
  // beside them does not break anything by itself.
  before["spTyped"] = {{P("@a", "1", "3", "4"), P("@b", "1", "200", "10"), P("@c", "1", "3", "4", "True")},
                       "Public Function ExecTyped(ByVal lngA As Long, ByVal strB As String, ByVal lngC As Long) As Boolean"};
  after["spTyped"] = {{P("@b", "1", "200", "10"), P("@a", "1", "202", "4"), P("@c", "1", "3", "4", "False")},
                      "Public Function ExecTyped(ByVal strB As String, ByVal strA As String, ByVal lngC As Long) As Boolean"};
  // The method is named otherwise (a naming rule met a new neighbour): breaking, though
  // no parameter changed.
  before["spRenamed"] = {{}, "Public Function ExecRenamed() As Boolean"};
  after["spRenamed"] = {{}, "Public Function ExecRenamed2() As Boolean"};
  // A wider type behind the same Visual Basic type: the class declares it otherwise.
  const std::string wider = "Public Function ExecWider(ByVal lngA As Long) As Boolean\nAddParam \"@a\", ";
  before["spWider"] = {{P("@a", "1", "3", "4")}, wider + "adInteger, adParamInput"};
  after["spWider"] = {{P("@a", "1", "20", "8")}, wider + "adBigInt, adParamInput"};
  // Where a default makes a trailing input Optional, every earlier call still compiles and
  // the server is told the same; a default gone, or an Optional input declared otherwise,
  // breaks callers. The declaration goes on in a continuation line.
  const std::string opt = "Public Function ExecOpt(ByVal lngA As Long, _\n",
                    a = "\nAddParam \"a\", adInteger, adParamInput", b = "\nAddParam \"b\", adVarChar, adParamInput",
                    optB = opt + "Optional ByVal strB) As Boolean" + a;
  const Param pa = P("a", "1", "3", "4"), pb = P("b", "1", "200", "10"),
              pbOpt = P("b", "1", "200", "10", "True", "True");
  before["spOptGot"] = after["spOptLost"] =
      before["spOptAdded"] = {{pa, pb}, opt + "ByVal strB As String) As Boolean" + a + b};
  after["spOptGot"] = before["spOptLost"] = before["spOptTyped"] = {{pa, pbOpt}, optB + b};
  after["spOptAdded"] = {{pa, pb, P("c", "1", "3", "4", "True", "True")},
                         opt + "ByVal strB As String, Optional ByVal lngC) As Boolean" + a + b + "\nAddParam \"c\""};
  after["spOptTyped"] = {{pa, P("b", "1", "202", "10", "True", "True")}, optB + "\nAddParam \"b\", adVarWChar"};
  // Renamed, or spelled in another case, into the same method: no caller breaks.
  before["usp_Moved"] = {{}, "Public Function Moved() As Boolean"};
  after["sp_Moved"] = {{}, "Public Function Moved() As Boolean"};
  before["usp_case"] = {{}, "Public Function Case1() As Boolean"};
  after["USP_CASE"] = {{}, "Public Function CASE1() As Boolean"};

  const std::vector<std::string> want = pftest::DataLines("builder/catalog-diff.txt");
  EXPECT_EQ(CCatalogDiff::Compare(before, after), want);
  EXPECT_TRUE(CCatalogDiff::Compare(before, before).empty());
  for (const std::string& line : want) EXPECT_EQ(CCatalogDiff::IsBreaking(line), line.ends_with("(breaking)")) << line;
}

// The lines come out in the order a sort of all of them gives, also where a name is the
// beginning of another ("sp" and "sp2": "sp2: ..." sorts before "sp: ...", though the
// catalogue lists "sp" first), where a name holds ": " and where lines of procedures
// removed and kept meet.
TEST(CatalogDiff, LinesAreInTheOrderOfOneSortOfThemAll) {
  for (const char* odd : {"sp!", "sp: odd", "sp:"}) {
    CCatalogDiff::Catalogue before, after;
    for (const char* name : {"sp", "sp2", "sp_x", "sp ", "SP", "s", odd}) {
      before[name] = {{P("@a", "1", "3", "4"), P("@b", "1", "3", "4")}, ""};
      after[name] = {{P("@b", "1", "20", "8"), P("@c", "1", "3", "4")}, ""};
    }
    before["sp1"] = {{}, ""};  // removed, between kept ones
    after["sp0"] = {{}, ""};   // added
    const std::vector<std::string> lines = CCatalogDiff::Compare(before, after);
    std::vector<std::string> sorted = lines;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(lines, sorted) << odd;
    EXPECT_EQ(lines.size(), 7u * 3 + 2) << odd;
  }
}

}  // namespace
