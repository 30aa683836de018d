#include <gtest/gtest.h>

#include "support/TestEnv.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  pftest::InstallTestEnvironment();
  return RUN_ALL_TESTS();
}
