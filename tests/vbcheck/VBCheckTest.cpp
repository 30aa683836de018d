// The Visual Basic checker must stay silent on valid code, tricky forms included, and must
// report each kind of fault on the right line; otherwise a clean check proves nothing. Most
// cases are the table in tests/data/vbcheck/Cases.txt; the ones here need a text built in
// code or more than one module.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestEnv.h"
#include "vbcheck/VBCheck.h"

namespace pftest {
namespace {

using pf::CheckVB;
using pf::FormatFindings;
using pf::VBFinding;

std::string DataFile(const std::string& Name) { return ReadAll(std::string(PF_SOURCE_DIR) + "/tests/data/vbcheck/" + Name); }

// Checks a module made of "Option Explicit" and Body (LF line ends), so Body's first line is
// line 2 of the checked text.
std::vector<VBFinding> CheckBody(const std::string& Body, const std::vector<std::string_view>& Others = {}) {
  return CheckVB("Option Explicit\n" + Body, Others, {.NamesRead = true});
}

// Expects a first finding on Line whose message contains Part; with Only, no other finding.
void ExpectFinding(const std::vector<VBFinding>& Findings, int Line, const std::string& Part, bool Only = true) {
  ASSERT_FALSE(Findings.empty());
  if (Only) {
    EXPECT_EQ(Findings.size(), 1u) << FormatFindings(Findings);
  }
  EXPECT_EQ(Findings[0].Line, Line) << FormatFindings(Findings);
  EXPECT_NE(Findings[0].Message.find(Part), std::string::npos) << FormatFindings(Findings);
}

TEST(VBCheck, CasesOfTheTable) {
  struct Case {
    int FileLine;
    std::string Head;  // after "### "
    std::string Body;
  };
  std::vector<Case> cases;
  std::istringstream table(DataFile("Cases.txt"));
  int lineNo = 0;
  for (std::string line; std::getline(table, line);) {
    ++lineNo;
    if (line.rfind("### ", 0) == 0) cases.push_back({lineNo, line.substr(4), ""});
    else if (line.rfind("##", 0) != 0 && !cases.empty()) cases.back().Body += line + "\n";
  }
  ASSERT_GT(cases.size(), 100u);
  for (Case& c : cases) {
    SCOPED_TRACE("Cases.txt line " + std::to_string(c.FileLine) + ": " + c.Head);
    while (c.Body.size() > 1 && c.Body.ends_with("\n\n")) c.Body.pop_back();
    // "+File" words before the expectation name other modules checked with the body.
    std::vector<std::string> others;
    while (c.Head.starts_with("+")) {
      const size_t blank = c.Head.find(' ');
      others.push_back(DataFile(c.Head.substr(1, blank - 1)));
      c.Head.erase(0, blank + 1);
    }
    // "whole": the body is a whole module, checked as it is and without looking names up.
    const bool whole = c.Head.starts_with("whole ");
    if (whole) c.Head.erase(0, 6);
    const std::vector<VBFinding> findings =
        whole ? CheckVB(c.Body) : CheckBody(c.Body, {others.begin(), others.end()});
    if (c.Head == "ok") {
      EXPECT_EQ(FormatFindings(findings), "");
      continue;
    }
    const bool first = c.Head.rfind("first ", 0) == 0;
    const std::string expect = first ? c.Head.substr(6) : c.Head;
    const size_t blank = expect.find(' ');
    ExpectFinding(findings, std::stoi(expect.substr(0, blank)), expect.substr(blank + 1), !first);
  }
}

TEST(VBCheckValid, ClassWithDataAccessCodeAndStandardModuleHaveNoFinding) {
  const std::string text = DataFile("Valid.cls");
  EXPECT_EQ(FormatFindings(CheckVB(text, {}, {.NamesRead = true})), "");
  EXPECT_EQ(FormatFindings(CheckVB(CrLf(text), {}, {.NamesRead = true})), "");
  EXPECT_EQ(FormatFindings(CheckVB(DataFile("Faults.bas"), {}, {.NamesRead = true})), "");
}

// Every cut of a valid class is some text the checker must read without failing, and a cut
// inside a procedure leaves that procedure open.
TEST(VBCheckValid, TruncatedTextsAreReportedNotMisread) {
  const std::string text = DataFile("Valid.cls");
  size_t cuts = 0;
  for (size_t n = 0; n < text.size(); n += 3) {
    const auto findings = CheckVB(std::string_view(text).substr(0, n));
    ++cuts;
    // A finding names a line of the text, also where the text stops inside a line.
    const int lines = 1 + static_cast<int>(std::count(text.begin(), text.begin() + n, '\n'));
    for (const VBFinding& f : findings)
      EXPECT_TRUE(f.Line >= 1 && f.Line <= lines) << "cut at " << n << ": " << f.Line << " " << f.Message;
    if (n > text.find("    Dim cmd As ADODB.Command") && n < text.find("End Function")) {
      bool open = false;
      for (const VBFinding& f : findings) open = open || f.Message.find("without 'End Function'") != std::string::npos;
      EXPECT_TRUE(open) << "cut at " << n << "\n" << FormatFindings(findings);
    }
  }
  EXPECT_GT(cuts, 1000u);
}

// Cases whose text is built in code.
TEST(VBCheck, TextsBuiltInCode) {
  ExpectFinding(CheckBody("Sub A()\nEnd Sub\n' last _"), 4, "line continuation on the last line");
  // 24 continuations are allowed, 25 are not.
  for (const int n : {24, 25}) {
    std::string text = "Sub A(x)\n  x = 1";
    for (int i = 0; i < n; ++i) text += " + _\n    1";
    text += "\nEnd Sub\n";
    if (n == 24) EXPECT_EQ(FormatFindings(CheckBody(text)), "");
    else
      ExpectFinding(CheckBody(text), 28, "more than 24 line continuations");
  }
  ExpectFinding(CheckBody("Private Const A = \"" + std::string(1020, 'a') + "\"\n"), 2, "line of 1040 characters");
  ExpectFinding(CheckBody("Private " + std::string(256, 'n') + " As Long\n"), 2, "name of 256 characters");
  EXPECT_EQ(FormatFindings(CheckBody("Private " + std::string(255, 'n') + " As Long\n")), "");
  // A lone CR ends a line too: a leftover after one is reported on its own line.
  ExpectFinding(CheckBody("' a\r' b\r\n' c\n' XXNameXX\n"), 5, "leftover reference 'XXNameXX'");
  ExpectFinding(CheckBody("' a\r' XXNameXX\n"), 3, "leftover reference 'XXNameXX'");
  // 60 parameters are allowed, 61 are not.
  for (const int n : {60, 61}) {
    std::string text = "Sub A(p1";
    for (int i = 2; i <= n; ++i) text += ", p" + std::to_string(i);
    text += ")\nEnd Sub\n";
    if (n == 60) EXPECT_EQ(FormatFindings(CheckBody(text)), "");
    else
      ExpectFinding(CheckBody(text), 2, "'A' has 61 parameters; at most 60 are allowed (Too many arguments)");
  }
}

TEST(VBCheck, LogicalLinesJoinContinuationsAndDropComments) {
  const std::string text = CrLf("' heading\n\nPrivate Const A = \"it's\" & _\n      \"b\"   ' note\n"
                                "  If a_ Then x$ = [my name]: Beep _\n  ' comment\nRem old _\n  code\nEnd Sub");
  std::string lines;
  for (const pf::VBLine& l : pf::VBLogicalLines(text)) lines += std::to_string(l.Line) + "|" + l.Text + "\n";
  EXPECT_EQ(lines, "3|Private Const A = \"it's\" & \"b\"\n5|If a_ Then x$ = [my name]: Beep\n9|End Sub\n");
  EXPECT_EQ(pf::VBStringLiterals("s = \"a \"\"b\"\"\" & \"\" ' \"no\"\nt = \"open"),
            (std::vector<std::string>{"a \"b\"", "", "open"}));
}

TEST(VBCheck, ProceduresWithScopeKindParametersAndEnd) {
  std::string procs;
  for (const pf::VBProcedure& p : pf::VBProcedures(CrLf("Option Explicit\nPrivate Sub A(ByVal x As Long, _\n Optional y)\n"
                                                         "End Sub\nFriend Property Get P() As Long\nEnd Property\n"
                                                         "Static Function F(ParamArray v())\n  x = 1\n"))) {
    procs += std::to_string(p.Line) + "-" + std::to_string(p.EndLine) + " " + p.Scope + "|" + p.Kind + " " + p.Name + "(";
    for (const std::string& n : p.Params) procs += n + ";";
    procs += ")\n";
  }
  EXPECT_EQ(procs, "2-4 Private|Sub A(x;y;)\n5-6 Friend|Property Get P()\n7-0 |Function F(v;)\n");
}

TEST(VBCheckFormat, OneLinePerFinding) {
  EXPECT_EQ(FormatFindings({}), "");
  EXPECT_EQ(FormatFindings({{3, "a"}, {10, "b c"}}), "line 3: a\nline 10: b c\n");
  // Findings come ordered by line whatever found them first.
  const auto f = CheckBody("Sub A()\n  x = \"XXaXX\"\n  End If\n");
  ASSERT_GE(f.size(), 3u) << FormatFindings(f);
  for (size_t i = 1; i < f.size(); ++i) EXPECT_LE(f[i - 1].Line, f[i].Line);
}

}  // namespace
}  // namespace pftest
