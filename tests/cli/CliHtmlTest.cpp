// html: the code viewer's HTML of a file, to a file or to stdout.

#include <gtest/gtest.h>

#include "support/ProgramInstall.h"
#include "support/Golden.h"

namespace pftest {
namespace {

using pftest::ReadAll;

TEST(CliHtml, SampleClassToFileAndToStdout) {
  ProgramInstall cli;
  const std::string cls = pftest::GoldenDir() + "/classes/COrderEntryDB.cls";
  // The viewer's file: the HTML the colouring test checks in, and a line break.
  const std::string expected = ReadAll(pftest::GoldenDir() + "/html/COrderEntryDB.htm") + "\r\n";

  const std::string out = cli.File("class.htm");
  ProgramResult r = cli.Run({"html", cls, "-o", out});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, out + "\n");
  EXPECT_EQ(ReadAll(out), expected);

  r = cli.Run({"html", cls});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, expected);
}

}  // namespace
}  // namespace pftest
