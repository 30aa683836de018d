#pragma once
// Helpers of the code library tests: loading library/CodeLib.cls from the source tree, the
// procedures of a module, and a check of the error handlers of every procedure against the
// rules the generator and the error library rely on.

#include <string>
#include <string_view>
#include <vector>

#include "codelib/CBlocks.h"
#include "vbcheck/VBCheck.h"

namespace pftest::lib {

// The raw bytes of a file of library/ in the source tree (the code library by default).
std::string LibraryText(const std::string& Name = "CodeLib.cls");

// A fresh block table filled from the library file.
void LoadLibrary(pf::CBlocks& Blocks);

// One procedure of a module with its logical lines (comments left out).
struct Procedure : pf::VBProcedure {
  std::string Header;            // the header line as written
  std::vector<pf::VBLine> Body;  // logical lines after the header, without the End line
};
std::vector<Procedure> Procedures(std::string_view Module);

// Checks the error handlers of every procedure with an "On Error GoTo" line:
//  - a public procedure has exactly one "On Error" statement (the generator may put an
//    exit test before the last one, which must be the handler's);
//  - the error report line (with UseFaultnet; none without) names the procedure as
//    "<ClassName>.<Name>(<params>)", parentheses only with parameters, and passes the
//    parameter values in the same order: nothing, the single value, or Array(...);
//  - after it a public procedure runs HandleError, a private one re-raises with Err.Raise
//    (or runs HandleError when it is an entry point that COM+ or the class calls).
// Returns one line per problem, empty when there is none.
std::string HandlerProblems(std::string_view Module, const std::string& ClassName, bool UseFaultnet);

}  // namespace pftest::lib
