// check: Visual Basic files checked from the command line, alone or as one project.

#include <gtest/gtest.h>

#include "support/ProgramInstall.h"
#include "support/Golden.h"

namespace pftest {
namespace {

TEST(CliCheck, FindingsWithFileAndLineAndTheExitStatus) {
  ProgramInstall cli;
  const std::string cls = pftest::GoldenDir() + "/classes/COrderEntryDB.cls";
  const std::string lib = std::string(PF_SOURCE_DIR) + "/library/";
  const std::string broken = cli.File("Broken.bas");
  pftest::WriteAll(broken, pftest::CrLf("Attribute VB_Name = \"Broken\"\n"
                                        "Option Explicit\n"
                                        "Public Sub Go()\n"
                                        "    For i = 1 To 2\n"
                                        "End Sub\n"));
  const std::string user = cli.File("User.bas");
  pftest::WriteAll(user, pftest::CrLf("Attribute VB_Name = \"User\"\nOption Explicit\n"
                                      "Public Sub Use()\n    Go\nEnd Sub\n"));
  struct Case {
    std::vector<std::string> Args;
    int Exit;
    std::string Out;
  };
  const Case cases[] = {
      // A generated class is clean, structurally and with every name it reads declared.
      {{"check", cls}, 0, ""},
      {{"check", "--names", cls, lib + "Faultnet31.bas", lib + "pfgXMLUtils.bas"}, 0, ""},
      {{"check", broken}, 1,
       broken + ":4: 'i' is used as loop variable but not declared\n" + broken +
           ":5: 'End Sub' while 'For' from line 4 is still open (missing 'Next')\n"},
      // With --names a file may use what the others declare, and only that.
      {{"check", "--names", user}, 1, user + ":4: 'Go' is used but not declared\n"},
  };
  for (const Case& c : cases) {
    const ProgramResult r = cli.Run(c.Args);
    EXPECT_EQ(r.ExitCode, c.Exit) << c.Args.back() << r.Err;
    EXPECT_EQ(r.Out, c.Out);
  }
  // A file that cannot be checked is a command line that cannot be carried out.
  const ProgramResult r = cli.Run({"check", cls, cli.File("missing.bas")});
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_EQ(r.Err, "procforge-cli: File not found (" + cli.File("missing.bas") + ")\n");
}

}  // namespace
}  // namespace pftest
