#include <gtest/gtest.h>

#include "errors/ErrGuard.h"
#include "support/TestEnv.h"

using namespace pf;

TEST(Faultnet, Smoke) {
  Faultnet31::Reset();
  EXPECT_THROW(Faultnet31::Check(false, ERR_GENERAL, "x"), AppError);
}
