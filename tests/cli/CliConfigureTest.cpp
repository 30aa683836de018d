// configure beside another writer of the same profile, which a transcript cannot show.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "support/ProgramInstall.h"

namespace pftest {
namespace {

namespace fs = std::filesystem;

// A writer that saves the profile after configure read it (a wizard; here the test, while
// configure waits for its folder lock) keeps its change: configure makes its own again on
// the newer file.
TEST(CliConfigure, AChangeSavedInBetweenIsKept) {
  ProgramInstall cli;
  const std::string pfg = cli.File("Shared.PFG");
  ASSERT_EQ(cli.Run({"configure", "--profile", pfg, "--new", "--set", "Server.SrvrType=1"}).ExitCode, 0);
  const int folder = ::open(cli.File("").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_EQ(::flock(folder, LOCK_EX), 0);
  const int pid = cli.Start({"configure", "--profile", pfg, "--set", "IniOptions.CmdTimeout=5"});
  // Configure has read the profile once it waits for the lock on the folder's inode.
  struct stat st {};
  ::stat(cli.File("").c_str(), &st);
  const std::string waiter = ":" + std::to_string(st.st_ino) + " ";
  bool waiting = false;
  for (int i = 0; i < 1000 && !waiting; ++i) {
    std::istringstream locks(ReadAll("/proc/locks"));
    for (std::string line; std::getline(locks, line) && !waiting;) waiting = Has(line, "->") && Has(line, waiter);
    if (!waiting) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(waiting);
  std::string text = ReadAll(pfg);
  const std::string before = "ConnTimeout=\"15\"";
  ASSERT_TRUE(Has(text, before));
  text.replace(text.find(before), before.size(), "ConnTimeout=\"33\"");
  WriteAll(pfg + ".new", text);
  fs::rename(pfg + ".new", pfg);
  ::close(folder);
  const ProgramResult r = cli.Finish(pid);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  text = ReadAll(pfg);
  EXPECT_TRUE(Has(text, "ConnTimeout=\"33\"")) << text;
  EXPECT_TRUE(Has(text, "CmdTimeout=\"5\"")) << text;
}

}  // namespace
}  // namespace pftest
