#include "builder/CMethod.h"

#include <vector>

#include "text/MMethUtils.h"
#include "base/SourceText.h"
#include "errors/ErrGuard.h"

namespace pf {

using namespace pf::srctext;

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

// A header line continues on the next line when it ends in "_" (trailing blanks aside).
bool ContinuesOnNextLine(std::string_view line) { return RTrimBlanks(line).ends_with('_'); }

}  // namespace

void CMethod::Assign(const CMethod& oM) {
  ErrGuard(
      "CMethod.Assign(oM)",
      [&] {
        if (&oM == this) return;
        Name = oM.Name;
        ParamCount = oM.ParamCount;
        ProcType = oM.ProcType;
        Scope = oM.Scope;
        IsFunction = oM.IsFunction;
        Source = oM.Source;
        ParamDefs = oM.ParamDefs;
      },
      oM);
}

void CMethod::AppendSrcLines(std::string_view Lines) {
  ErrGuard(
      "CMethod.AppendSrcLines(Lines)",
      [&] {
        Source += kCrLf;
        Source += Lines;
      },
      Lines);
}

void CMethod::SetupErrHandlers(bool UseFaultnet, bool AddStopOnError, bool DisOnError) {
  ErrGuard("CMethod.SetupErrHandlers(Indent)", [&] {
    // With these settings every line stays as it is.
    if (UseFaultnet && !AddStopOnError && !DisOnError) return;
    std::vector<std::string_view> lines;
    std::string_view line;
    for (LineCursor cursor(Source); cursor.Next(line);) lines.push_back(line);

    size_t errLine = kNone, onErrLine = kNone, endLine = kNone;
    bool isPublic = false;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (MMethUtils::uBeginsWith(lines[i], {"ErrorIn"})) errLine = i;
      if (MMethUtils::uBeginsWith(lines[i], {"On Error "})) onErrLine = i;
      if (MMethUtils::uIsPublicProcStart(lines[i])) isPublic = true;
      if (MMethUtils::uIsProcEnd(lines[i])) endLine = i;
    }
    if (errLine == kNone) return;
    const std::string kind = endLine == kNone ? std::string() : MMethUtils::uExtractSecondWord(lines[endLine]);

    std::string out;
    out.reserve(Source.size() + 128);
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) out += kCrLf;
      // The exit goes before an "On Error" line only: without one it would land outside the procedure.
      if (DisOnError && isPublic && i == onErrLine) {
        out += "    If ErrorOccurred Then Exit  ";
        out += kind;
        out += kCrLf;
      }
      if (!UseFaultnet && i == errLine) {
        // The handler from ErrorIn up to the procedure end becomes this one line.
        if (isPublic) {
          out += "    HandleError";
        } else {
          out += "    Err.Raise Err.Number, Err.Source, \"(";
          out += Name;
          out += ") \" & Err.Description";
        }
        continue;
      }
      if (!UseFaultnet && i > errLine && endLine != kNone && i < endLine) continue;
      if (UseFaultnet && AddStopOnError && i == errLine) {
        out += "    If ErrMustStop Then Debug.Assert False: Resume";
        out += kCrLf;
      }
      out += lines[i];
    }
    Source = std::move(out);
  });
}

std::string CMethod::GetCommentedDeclaration() const {
  std::string out;
  AppendCommentedDeclaration(out);
  return out;
}

void CMethod::AppendCommentedDeclaration(std::string& Out) const {
  ErrGuard("CMethod.GetCommentedDeclaration", [&] {
    bool continued = false;
    std::string_view line;
    for (LineCursor cursor(Source); cursor.Next(line);) {
      if (continued || MMethUtils::uIsPublicProcStart(line)) {
        Out += '\'';
        Out += line;
        Out += kCrLf;
        continued = ContinuesOnNextLine(line);
      } else if (const std::string_view t = LTrimBlanks(line); t.starts_with("'#")) {
        // A documentation comment becomes an ordinary one: "'#text" gives "'text".
        Out += '\'';
        Out += t.substr(2);
        Out += kCrLf;
      }
    }
  });
}

}  // namespace pf
