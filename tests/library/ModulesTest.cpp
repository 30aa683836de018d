// The two Visual Basic modules shipped beside the code library: the error library of
// generated classes (Faultnet31.bas) and the XML helpers (pfgXMLUtils.bas). These tests read
// their source: text form, and agreement with the program's own error constants. That they
// declare every name generated classes use is checked on the classes (ClassMatrixTest);
// that they keep the error being reported intact, by running the classes (tests/run).

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "LibraryTestUtil.h"
#include "errors/AppError.h"
#include "errors/Faultnet31.h"
#include "base/NoCase.h"
#include "base/SourceText.h"
#include "vbcheck/VBCheck.h"

namespace {

using pf::NoCase::StartsWith;
using pftest::lib::LibraryText;
using pftest::lib::Procedure;

std::string Trim(std::string_view s) { return std::string(pf::srctext::TrimSpace(s)); }

// A module read as logical lines, without comments.
struct Module {
  std::vector<std::string> declarations;  // the lines before the first procedure
  std::vector<Procedure> procs;

  const Procedure* Find(std::string_view name) const {
    for (const Procedure& p : procs)
      if (pf::NoCase::Equals(p.Name, name)) return &p;
    return nullptr;
  }
};

Module Parse(const std::string& text) {
  Module m;
  m.procs = pftest::lib::Procedures(text);
  const int firstProc = m.procs.empty() ? INT32_MAX : m.procs.front().Line;
  for (const pf::VBLine& line : pf::VBLogicalLines(text))
    if (line.Line < firstProc) m.declarations.push_back(line.Text);
  return m;
}

// "Public Const NAME As Long = value" of the declarations, by name.
std::map<std::string, std::string> PublicConsts(const Module& m) {
  std::map<std::string, std::string> out;
  for (const std::string& line : m.declarations) {
    if (!StartsWith(line, "Public Const ")) continue;
    const std::string rest = line.substr(13);
    out[Trim(rest.substr(0, rest.find(' ')))] = Trim(rest.substr(rest.find('=') + 1));
  }
  return out;
}

// A Long literal: decimal or &H hexadecimal (eight digits wrap to negative, as in VB).
int32_t VBLong(const std::string& literal) {
  if (StartsWith(literal, "&H")) return static_cast<int32_t>(std::stoul(literal.substr(2), nullptr, 16));
  return static_cast<int32_t>(std::stol(literal));
}

}  // namespace

// --- Text form, shared by both modules ---

TEST(VBModules, LibraryFilesAreSevenBitTextWithCrLfLinesAndModulesBeginWithOptionExplicit) {
  for (const std::string name : {"CodeLib.cls", "Faultnet31.bas", "pfgXMLUtils.bas"}) {
    SCOPED_TRACE(name);
    const std::string text = LibraryText(name);
    ASSERT_FALSE(text.empty());
    for (size_t i = 0; i < text.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(text[i]);
      ASSERT_LT(c, 0x80) << "byte " << i;
      ASSERT_TRUE(c != '\n' || (i > 0 && text[i - 1] == '\r')) << "bare LF at byte " << i;
      ASSERT_TRUE(c != '\r' || (i + 1 < text.size() && text[i + 1] == '\n')) << "bare CR at byte " << i;
    }
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    if (name == "CodeLib.cls") continue;
    const std::string module = name.substr(0, name.find('.'));
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "Attribute VB_Name = \"" + module + "\"");
    // Option Explicit is the first statement after the attribute line.
    const Module m = Parse(text);
    ASSERT_GE(m.declarations.size(), 2u);
    EXPECT_EQ(m.declarations[1], "Option Explicit");
  }
}

TEST(VBModules, PassTheVisualBasicChecker) {
  const std::string errors = LibraryText("Faultnet31.bas");
  const std::string xml = LibraryText("pfgXMLUtils.bas");
  EXPECT_EQ(pf::FormatFindings(pf::CheckVB(errors, {xml}, {.NamesRead = true})), "");
  EXPECT_EQ(pf::FormatFindings(pf::CheckVB(xml, {errors}, {.NamesRead = true})), "");
  // Projects with XML output but without the error library include the XML module alone.
  EXPECT_EQ(pf::FormatFindings(pf::CheckVB(xml, {}, {.NamesRead = true})), "");
}

// --- Faultnet31.bas ---

TEST(Faultnet31Module, ConstantsAgreeWithTheProgramsLibrary) {
  const std::map<std::string, int32_t> expected{
      {"EA_RAISE", pf::EF_RAISE},
      {"EA_REPORT", pf::EF_REPORT},
      {"EA_SETABORT", pf::EF_SETABORT},
      {"EA_DISABLECOMMIT", pf::EF_DISABLECOMMIT},
      {"EA_ROLLBACK", pf::EF_ROLLBACK},
      {"EA_WEB", pf::EF_WEB},
      {"EA_CLOSE", pf::EF_CLOSE},
      {"EA_DEFAULT", pf::EF_PROGRAM},
      {"EA_PUBLIC", pf::EF_GENERATED},
      {"EA_REPORTONLY", pf::EF_BROWSER},
      {"ERRMAP_APP_FIRST", pf::ERRMAP_APP_FIRST},
      {"ERRMAP_MSG_FIRST", pf::ERR_MSG_FIRST},
      {"ERRMAP_MSG_LAST", pf::ERR_MSG_LAST},
  };
  const std::map<std::string, std::string> consts = PublicConsts(Parse(LibraryText("Faultnet31.bas")));
  for (const auto& [name, value] : expected) {
    SCOPED_TRACE(name);
    ASSERT_EQ(consts.count(name), 1u);
    EXPECT_EQ(VBLong(consts.at(name)), value) << consts.at(name);
  }
  // Every public constant has its counterpart, so a new one cannot drift unnoticed; the
  // statement forms of the database log (ERRLOG_*) serve generated classes only.
  for (const auto& [name, value] : consts)
    if (name.rfind("ERRLOG_", 0) != 0) EXPECT_EQ(expected.count(name), 1u) << name;
  // Generated classes pass 42: report, disable commit, web section, no raise.
  EXPECT_EQ(pf::EF_GENERATED & pf::EF_RAISE, 0);
}

// --- pfgXMLUtils.bas ---

TEST(pfgXMLUtilsModule, RecordsetFailuresKeepNumberAndSourceUnderTheirPrefix) {
  const Module xml = Parse(LibraryText("pfgXMLUtils.bas"));
  for (const std::string name : {"xmlSaveRecordset", "xmlExtractRecords"}) {
    SCOPED_TRACE(name);
    const Procedure* p = xml.Find(name);
    ASSERT_NE(p, nullptr);
    ASSERT_FALSE(p->Body.empty());
    EXPECT_EQ(p->Body.back().Text, "Err.Raise Err.Number, Err.Source, \"(" + name + ") \" & Err.Description");
  }
}
