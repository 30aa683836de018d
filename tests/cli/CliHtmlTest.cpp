// html: the code viewer's HTML of a file, to a file or to stdout.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

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

// A disk that fills up (a file-size limit here): one plain line without the HTML, and the
// earlier file stays as it was.
TEST(CliHtml, AFullDiskLeavesTheEarlierFile) {
  ProgramInstall cli;
  const std::string out = cli.File("class.htm");
  WriteAll(out, "old");
  rlimit unlimited{}, small{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
  small = unlimited;
  small.rlim_cur = 4096;
  const auto handler = signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending the program
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const ProgramResult full = cli.Run({"html", pftest::GoldenDir() + "/classes/COrderEntryDB.cls", "-o", out});
  setrlimit(RLIMIT_FSIZE, &unlimited);
  signal(SIGXFSZ, handler);
  EXPECT_EQ(full.ExitCode, 1) << full.Err;
  EXPECT_NE(full.Err.find(out), std::string::npos) << full.Err;
  EXPECT_EQ(full.Err.find("Internal app error"), std::string::npos) << full.Err;
  EXPECT_LT(full.Err.size(), 400u) << full.Err;
  EXPECT_EQ(ReadAll(out), "old");
  for (const auto& e : std::filesystem::directory_iterator(cli.File("")))
    EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
}

}  // namespace
}  // namespace pftest
