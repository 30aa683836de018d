// Generated classes executed: harness.py generates the sample classes, loads them with the
// shipped modules into LibreOffice Basic and calls every method against the shared test
// PostgreSQL server. The test fails with the faults the harness reports.

#include <gtest/gtest.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "support/PgServer.h"

namespace {

TEST(RunTest, SampleClassesRunAgainstTheServer) {
  pftest::PgServer& pg = pftest::PgServer::Shared();
  pg.CreateDatabase("pfrun");
  const std::string command = std::string("/usr/bin/python3 ") + PF_SOURCE_DIR + "/tests/run/harness.py --cli " +
                              PF_BIN_DIR + "/procforge-cli --db pfrun --port " + std::to_string(pg.Port()) +
                              " --password " + pftest::PgServer::kPassword + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  const int status = pclose(pipe);
  std::cout << output;
  EXPECT_EQ(status, 0) << output;
}

}  // namespace
