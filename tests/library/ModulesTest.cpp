// The two Visual Basic modules shipped beside the code library: the error library of
// generated classes (Faultnet31.bas) and the XML helpers (pfgXMLUtils.bas). These tests read
// their source: text form, and agreement with the program's own error library. That they
// declare every name generated classes use is checked on the classes (ClassMatrixTest);
// that they keep the error being reported intact, by running the classes (tests/run).

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "LibraryTestUtil.h"
#include "errors/AppError.h"
#include "errors/Faultnet31.h"
#include "base/NoCase.h"
#include "base/SourceText.h"
#include "support/FakeConnection.h"
#include "support/TestEnv.h"
#include "vbcheck/VBCheck.h"

namespace {

namespace F = pf::Faultnet31;

using pf::NoCase::Lower;
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

bool IsPublic(const Procedure& p) { return p.Scope.empty() || p.Scope == "Public"; }

Module Parse(const std::string& text) {
  Module m;
  m.procs = pftest::lib::Procedures(text);
  const int firstProc = m.procs.empty() ? INT32_MAX : m.procs.front().Line;
  for (const pf::VBLine& line : pf::VBLogicalLines(text)) {
    if (line.Line < firstProc) m.declarations.push_back(line.Text);
  }
  return m;
}

// "Public Const NAME As Long = value" of the declarations, by name.
std::map<std::string, std::string> PublicConsts(const Module& m) {
  std::map<std::string, std::string> out;
  for (const std::string& line : m.declarations) {
    if (!StartsWith(line, "Public Const ")) continue;
    const std::string rest = line.substr(13);
    const size_t eq = rest.find('=');
    std::string name = Trim(rest.substr(0, rest.find(' ')));
    out[name] = Trim(rest.substr(eq + 1));
  }
  return out;
}

// A Long literal: decimal or &H hexadecimal (eight digits wrap to negative, as in VB).
int32_t VBLong(const std::string& literal) {
  if (StartsWith(literal, "&H")) return static_cast<int32_t>(std::stoul(literal.substr(2), nullptr, 16));
  return static_cast<int32_t>(std::stol(literal));
}

// The value of a string constant written as literals joined by "&".
std::string StringConst(const Module& m, const std::string& name) {
  for (const std::string& line : m.declarations) {
    if (line.find("Const " + name + " ") == std::string::npos) continue;
    std::string value;
    for (const std::string& lit : pf::VBStringLiterals(line.substr(line.find('=')))) value += lit;
    return value;
  }
  return {};
}

const std::vector<std::string>& ModuleFiles() {
  static const std::vector<std::string> files{"Faultnet31.bas", "pfgXMLUtils.bas"};
  return files;
}

class Faultnet31Module : public ::testing::Test {
 protected:
  void SetUp() override {
    F::Reset();
    F::Err().Clear();
  }
  static const Module& Vb() {
    static const Module m = Parse(LibraryText("Faultnet31.bas"));
    return m;
  }
};

const Module& XmlModule() {
  static const Module m = Parse(LibraryText("pfgXMLUtils.bas"));
  return m;
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

TEST(VBModules, PublicNamesDoNotClashAcrossModules) {
  // A project holds both modules; a public name defined twice is ambiguous where it is used.
  std::map<std::string, std::string> owner;
  for (const std::string& file : ModuleFiles()) {
    const Module m = Parse(LibraryText(file));
    std::vector<std::string> names;
    for (const Procedure& p : m.procs)
      if (IsPublic(p)) names.push_back(Lower(p.Name));
    for (const auto& [name, value] : PublicConsts(m)) names.push_back(Lower(name));
    for (const std::string& n : names) {
      auto [it, fresh] = owner.emplace(n, file);
      EXPECT_TRUE(fresh) << n << " is public in " << it->second << " and " << file;
    }
  }
}

TEST(VBModules, TheBuildShipsThemBesideTheProgram) {
  for (const std::string& name : ModuleFiles()) {
    const std::filesystem::path shipped = std::filesystem::path(PF_BIN_DIR) / name;
    ASSERT_TRUE(std::filesystem::exists(shipped)) << shipped;
    EXPECT_EQ(pftest::ReadAll(shipped.string()), LibraryText(name)) << name;
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

TEST_F(Faultnet31Module, ConstantsAgreeWithTheProgramsLibrary) {
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
  const std::map<std::string, std::string> consts = PublicConsts(Vb());
  for (const auto& [name, value] : expected) {
    SCOPED_TRACE(name);
    ASSERT_EQ(consts.count(name), 1u);
    EXPECT_EQ(VBLong(consts.at(name)), value) << consts.at(name);
  }
  // Every public constant has its counterpart, so a new one cannot drift unnoticed.
  for (const auto& [name, value] : consts) EXPECT_EQ(expected.count(name), 1u) << name;
  // Generated classes pass 42: report, disable commit, web section, no raise.
  EXPECT_EQ(pf::EF_GENERATED & pf::EF_RAISE, 0);
}

TEST_F(Faultnet31Module, ReportHeaderIsTheProgramsHeader) {
  const std::string tpl = StringConst(Vb(), "HEADER_TEMPLATE");
  ASSERT_FALSE(tpl.empty());
  // Two errors: the generic application error, and one below the object-error base.
  for (const int32_t number : {pf::ERRMAP_APP_FIRST, static_cast<int32_t>(0x8003FFFBu)}) {
    SCOPED_TRACE(number);
    F::Reset();
    F::Err() = {};
    F::Err().Number = number;
    F::Err().Source = "CMyDb";
    F::Err().Description = "Timeout 100% reached";
    const std::string report = F::ErrorIn("CMyDb.GetOrders(ID)", {7}, pf::EF_GENERATED);

    const bool general = number == pf::ERRMAP_APP_FIRST;
    const std::map<std::string, std::string> fields{
        {"nl", "\r\n"},
        {"Descr", "Timeout 100% reached"},
        {"Time", pftest::kFixedReportTime},
        {"App", F::Environment().AppName},
        {"Ver", F::Environment().AppVersion},
        {"ADOVersion", "2.8"},
        {"Comp", "TESTPC"},
        {"MethodName", "CMyDb.GetOrders(ID)"},
        {"ErrNum", std::to_string(number)},
        {"ErrHex", general ? "8004144E" : "8003FFFB"},
        {"ErrNumRel1", general ? "+ 5198" : "- 5"},
        {"ErrNumRel2", general ? "+ 0" : "- 5203"},
        {"ErrStd", general ? "= ERR_GENERAL" : ""},
        {"Source", "CMyDb"},
    };
    std::string filled;
    for (size_t i = 0; i < tpl.size();) {
      const size_t end = tpl[i] == '%' ? tpl.find('%', i + 1) : std::string::npos;
      if (end != std::string::npos && fields.count(tpl.substr(i + 1, end - i - 1))) {
        filled += fields.at(tpl.substr(i + 1, end - i - 1));
        i = end + 1;
      } else {
        filled += tpl[i++];
      }
    }
    EXPECT_EQ(report.substr(0, filled.size()), filled);
    EXPECT_EQ(report.substr(filled.size()), "  Call Stack: CMyDb.GetOrders(ID=7)\r\n");
  }
}

TEST_F(Faultnet31Module, ReportLinesUseTheProgramsLabels) {
  // A report from the program's library with every optional part present.
  auto conn = std::make_shared<pftest::FakeConnection>();
  F::PreserveConnection(conn);
  F::SetAdditionalLine("    extra");
  F::AddReleasedObject("rs");
  F::Environment().SystemErrorText = [](int) { return std::string("Access is denied."); };
  pf::AppError err(pf::ERR_GENERAL, "S", "D");
  err.Line = 12;
  err.SysError = 5;
  std::string report;
  try {
    throw err;
  } catch (...) {
    F::ErrPreserve();
    const pf::ErrEnvValues env{{"User", "sa"}};
    report = F::ErrorIn("M.P(Long,Text)", {std::string(50, 'x'), "a\r\nb"},
                        pf::EF_REPORT | pf::EF_ROLLBACK | pf::EF_CLOSE, nullptr, &env);
  }
  F::Environment().SystemErrorText = nullptr;

  const std::vector<std::string> all = pf::VBStringLiterals(LibraryText("Faultnet31.bas"));
  const std::set<std::string> literals(all.begin(), all.end());
  // Each label the report shows is also a literal of the Visual Basic module.
  for (const std::string label :
       {"  API Error: (", "  ADO Info: ", "    ADO Version:   ", "    DbObject:      ",
        " (Connection object was preserved internally)", "    Conn. String: '", "    Conn. State:   ", "adStateOpen",
        "    Error:         ", "  Call Stack: ", "{Text}", "    Value Of ", "  at Line ",
        "    Env: ", "    Released Objects: ", "    Transaction: ", "Attempt to call RollbackTrans ",
        "    Connection: Attempt to call Close ", "succeeded"}) {
    SCOPED_TRACE(label);
    EXPECT_NE(report.find(label), std::string::npos) << report;
    EXPECT_EQ(literals.count(label), 1u);
  }
  // Padding of a call-stack line with a line number, and the indent of full values.
  EXPECT_NE(report.find(std::string(40, '-') + "  at Line 12\r\n"), std::string::npos) << report;
  EXPECT_NE(report.find("\r\n    Value Of Text:\r\n      a\r\n      b\r\n"), std::string::npos) << report;
}

// --- pfgXMLUtils.bas ---

TEST(pfgXMLUtilsModule, RecordsetFailuresKeepNumberAndSourceUnderTheirPrefix) {
  for (const std::string name : {"xmlSaveRecordset", "xmlExtractRecords"}) {
    SCOPED_TRACE(name);
    const Procedure* p = XmlModule().Find(name);
    ASSERT_NE(p, nullptr);
    ASSERT_FALSE(p->Body.empty());
    EXPECT_EQ(p->Body.back().Text, "Err.Raise Err.Number, Err.Source, \"(" + name + ") \" & Err.Description");
  }
}
