// A test that hangs ends its executable with the hung test's name and every thread's stack,
// instead of holding the whole run until an outer time limit kills it without a word.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "support/TestEnv.h"

namespace pftest {

namespace {

struct Running {
  std::mutex Mutex;
  std::string Name;  // empty between tests
  std::chrono::steady_clock::time_point Start;
};

Running& Current() {
  static Running* running = new Running;  // never destroyed: the watchdog reads it to the end
  return *running;
}

class Recorder : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo& info) override {
    std::lock_guard<std::mutex> lock(Current().Mutex);
    Current().Name = std::string(info.test_suite_name()) + "." + info.name();
    Current().Start = std::chrono::steady_clock::now();
  }
  void OnTestEnd(const testing::TestInfo&) override {
    std::lock_guard<std::mutex> lock(Current().Mutex);
    Current().Name.clear();
  }
  // What runs after the last test (static destructors: pools, servers) is watched too.
  void OnTestProgramEnd(const testing::UnitTest&) override {
    std::lock_guard<std::mutex> lock(Current().Mutex);
    Current().Name = "The exit after the last test";
    Current().Start = std::chrono::steady_clock::now();
  }
};

[[noreturn]] void Expire(const std::string& name, int limit) {
  std::fprintf(stderr, "\n*** %s has run for over %d s: the threads' stacks follow, then the run ends.\n", name.c_str(),
               limit);
  std::fflush(stderr);
  const std::string gdb =
      "gdb -p " + std::to_string(::getpid()) + " -batch -nx -ex 'thread apply all bt 40' </dev/null 1>&2 2>/dev/null";
  if (std::system(gdb.c_str()) != 0) std::fprintf(stderr, "(gdb could not show the stacks)\n");
  std::fflush(stderr);
  std::_Exit(124);
}

}  // namespace

void InstallTestWatchdog() {
  const char* given = std::getenv("PF_TEST_LIMIT_SECONDS");
  const int limit = given && std::atoi(given) > 0 ? std::atoi(given) : 300;
  testing::UnitTest::GetInstance()->listeners().Append(new Recorder);
  std::thread([limit] {
    for (;;) {
      std::this_thread::sleep_for(std::chrono::seconds(1));
      std::string name;
      {
        std::lock_guard<std::mutex> lock(Current().Mutex);
        if (Current().Name.empty() || std::chrono::steady_clock::now() - Current().Start < std::chrono::seconds(limit))
          continue;
        name = Current().Name;
      }
      Expire(name, limit);
    }
  }).detach();
}

}  // namespace pftest
