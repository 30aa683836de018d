// html on a full disk; the other html sessions are in tests/data/cli.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "support/ProgramInstall.h"
#include "support/Golden.h"

namespace pftest {
namespace {

using pftest::ReadAll;

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
