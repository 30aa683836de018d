#pragma once
// The generation command and the connection test of the module MGlobals, shared by every
// front end. The module's message routines live below, in shell/MGlobals.h, because the
// layers under the generation command report through them too.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/MGlobals.h"

namespace pf {
class CSettings;
class CProgress;
}  // namespace pf

namespace pf::MGlobals {

// What one generation run produced and where it went.
struct GenerationResult {
  int32_t NumSPs = 0;    // procedure methods wrapped
  int32_t NumLines = 0;  // lines of the class text
  int32_t NumChars = 0;  // characters of the class text
  // Each file's text is its prolog followed by its code, kept once: the code is a view of it.
  std::string ClassFile, ClassProlog, ClassText;
  std::string_view ClassCode() const { return CodeOf(ClassText, ClassProlog); }
  bool ClassSaved = false;       // SaveFile of the class file succeeded
  bool ParamDefsWanted = false;  // AddExecSPByName: the module was built and written
  std::string ParamDefsFile, ModuleProlog, ParamDefsText;
  std::string_view ParamDefsCode() const { return CodeOf(ParamDefsText, ModuleProlog); }
  bool ParamDefsSaved = false;  // SaveFile of the module succeeded
  // What the run skipped or changed on its own, in the order it happened (the progress
  // channel's warnings). The wizard lists them on its results page, procforge-cli prints
  // them as "warning: " lines.
  std::vector<std::string> Warnings;

 private:
  static std::string_view CodeOf(std::string_view Text, std::string_view Prolog) {
    return Text.substr(std::min(Prolog.size(), Text.size()));
  }
};

// What a front end does around the build itself (the wizard disables its main window and
// shows the progress window). Both are optional; AfterBuild runs also when the build fails.
struct GenerationHooks {
  std::function<void()> BeforeBuild;  // after the checks, before the builder runs
  std::function<void()> AfterBuild;   // after the build, before the files are written
  // False: build only. The output files are checked for names but neither created nor
  // written; the result carries the texts (a check of the files on disk).
  bool WriteFiles = true;
};

// The generation command shared by every front end: checks the output files (may ask
// before overwriting), validates the profile, builds under Progress, writes the class file
// (prolog and text) and, with AddExecSPByName, the parameter-definitions module, with
// SaveFile (a failed save shows its message and the run goes on; see the Saved flags),
// and disconnects from the server. Errors, "Operation Canceled" included, are recorded
// under "MGlobals.GenerateCode" and passed on; a failed check or build writes nothing.
// The last cancellation point comes right before the files are written: a run that
// returns has written them, whatever Progress.Cancelled says by then.
GenerationResult GenerateCode(CSettings& Settings, CProgress& Progress, const GenerationHooks& Hooks = {});

// Tests AConnectString with the server object of the profile's server type. A failure
// raises 0x80041065 "Connection test failed: " and the reason; success shows
// "Connection tested successfully.". Recorded under "MGlobals.TestConnection(AConnectString)".
// What the string asks for that its driver has no keyword for goes to Warnings, before the
// test runs; without Warnings it ends the message shown or raised, under "Warnings:". A
// server that lets the test in and does not answer its logout passes, with a warning
// saying so after those.
void TestConnection(CSettings& Settings, const std::string& AConnectString,
                    std::vector<std::string>* Warnings = nullptr);

}  // namespace pf::MGlobals
