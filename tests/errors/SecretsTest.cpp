#include <gtest/gtest.h>

#include "errors/Secrets.h"
#include "support/TestEnv.h"

// The cases of tests/data/errors/secrets.txt.
TEST(Secrets, PasswordValuesAreMaskedWhereverTheyStand) {
  for (const std::string& line : pftest::DataLines("errors/secrets.txt")) {
    const std::vector<std::string> f = pftest::Fields(line);
    ASSERT_EQ(f.size(), 3u) << line;
    EXPECT_EQ(pf::Secrets::Mask(f[0]), f[1]) << line;
    EXPECT_EQ(pf::Secrets::HoldsPassword(f[0]), f[2] == "yes") << line;
  }
}
