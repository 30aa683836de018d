#include "LibraryTestUtil.h"

#include "base/NoCase.h"
#include "support/TestEnv.h"

namespace pftest::lib {

namespace {

std::string Join(const std::vector<std::string>& Items, std::string_view Sep) {
  std::string out;
  for (size_t i = 0; i < Items.size(); ++i) {
    if (i) out += Sep;
    out += Items[i];
  }
  return out;
}

}  // namespace

std::string LibraryText(const std::string& Name) {
  return pftest::ReadAll(std::string(PF_SOURCE_DIR) + "/library/" + Name);
}

void LoadLibrary(pf::CBlocks& Blocks) {
  Blocks.Init();
  Blocks.UnpackCode(LibraryText());
}

std::vector<Procedure> Procedures(std::string_view Module) {
  const std::vector<pf::VBLine> lines = pf::VBLogicalLines(Module);
  std::vector<Procedure> out;
  size_t at = 0;
  for (pf::VBProcedure& p : pf::VBProcedures(Module)) {
    Procedure proc{std::move(p), {}, {}};
    while (at < lines.size() && lines[at].Line < proc.Line) ++at;
    if (at < lines.size()) proc.Header = lines[at++].Text;
    for (; at < lines.size() && (proc.EndLine == 0 || lines[at].Line < proc.EndLine); ++at) proc.Body.push_back(lines[at]);
    out.push_back(std::move(proc));
  }
  return out;
}

std::string HandlerProblems(std::string_view Module, const std::string& ClassName, bool UseFaultnet) {
  std::string problems;
  auto problem = [&](const Procedure& p, const std::string& what) {
    problems += "line " + std::to_string(p.Line) + " " + p.Kind + " " + p.Name + ": " + what + "\n";
  };
  for (const Procedure& p : Procedures(Module)) {
    size_t onErrors = 0, gotoHandler = 0, label = p.Body.size();
    for (size_t i = 0; i < p.Body.size(); ++i) {
      const std::string& t = p.Body[i].Text;
      if (pf::NoCase::StartsWith(t, "On Error ")) ++onErrors;
      if (pf::NoCase::StartsWith(t, "On Error GoTo errHandler")) ++gotoHandler;
      if (pf::NoCase::Equals(t, "errHandler:")) label = i;
    }
    if (gotoHandler == 0) continue;
    const bool isPublic = p.Scope == "Public";
    if (isPublic && onErrors != 1) problem(p, "public procedure with " + std::to_string(onErrors) + " On Error lines");
    if (label == p.Body.size()) {
      problem(p, "no errHandler label");
      continue;
    }
    std::vector<std::string> reports;
    for (size_t i = label + 1; i < p.Body.size(); ++i)
      if (pf::NoCase::StartsWith(p.Body[i].Text, "ErrorIn ")) reports.push_back(p.Body[i].Text);
    if (!UseFaultnet && !reports.empty()) problem(p, "error report line without the error library");
    if (UseFaultnet && reports.size() != 1) problem(p, std::to_string(reports.size()) + " error report lines");
    if (UseFaultnet && reports.size() == 1) {
      // A long report line may be broken inside its name text: "...," & _ "...".
      std::string r = reports[0];
      for (size_t at = r.find("\" & \""); at != std::string::npos; at = r.find("\" & \"", at)) r.erase(at, 5);
      std::string expectName = ClassName + "." + p.Name;
      if (!p.Params.empty()) expectName += "(" + Join(p.Params, ",") + ")";
      size_t q1 = r.find('"'), q2 = r.find('"', q1 + 1);
      std::string name = q1 == std::string::npos || q2 == std::string::npos ? "" : r.substr(q1 + 1, q2 - q1 - 1);
      if (!pf::NoCase::Equals(name, expectName)) problem(p, "reports itself as \"" + name + "\", expected \"" + expectName + "\"");
      const std::string tail = ", EA_PUBLIC";
      if (r.size() < tail.size() || r.compare(r.size() - tail.size(), tail.size(), tail) != 0) {
        problem(p, "error report line does not end with the flags EA_PUBLIC: " + r);
      } else if (q2 != std::string::npos && r.compare(q2 + 1, 2, ", ") == 0) {
        std::string args = r.substr(q2 + 3, r.size() - tail.size() - q2 - 3);
        std::string list = Join(p.Params, ", ");
        bool ok = p.Params.empty() ? args.empty()
                  : p.Params.size() == 1 ? (args == list || args == "Array(" + list + ")")
                                         : args == "Array(" + list + ")";
        if (!ok) problem(p, "passes the arguments \"" + args + "\", expected the values of (" + list + ")");
      } else {
        problem(p, "malformed error report line: " + r);
      }
    }
    if (label + 1 >= p.Body.size()) {
      problem(p, "empty error handler");
      continue;
    }
    const std::string& last = p.Body.back().Text;
    if (isPublic && last != "HandleError") problem(p, "public handler ends with \"" + last + "\" instead of HandleError");
    if (!isPublic && !pf::NoCase::StartsWith(last, "Err.Raise ") && !pf::NoCase::StartsWith(last, "HandleError"))
      problem(p, "private handler neither re-raises nor processes the error: \"" + last + "\"");
  }
  return problems;
}

}  // namespace pftest::lib
