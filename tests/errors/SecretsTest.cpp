#include <gtest/gtest.h>

#include <string>

#include "errors/Secrets.h"

using namespace pf;

namespace {

TEST(Secrets, PasswordValuesAreMaskedWhereverTheyStand) {
  const struct {
    const char* in;
    const char* masked;
    bool holds;
  } cases[] = {
      {"Provider=SQLOLEDB;User ID=sa;Password=s3cret;Data Source=x", "Provider=SQLOLEDB;User ID=sa;Password=***;Data Source=x", true},
      {"DSN=a;UID=u;PWD=p", "DSN=a;UID=u;PWD=***", true},
      {"pwd = two words ;x=1", "pwd = *** ;x=1", true},
      {"Password=\"a;b\";Server=s", "Password=***;Server=s", true},
      {"Password={x}}y};Server=s", "Password=***;Server=s", true},
      {"Jet OLEDB:Database Password=abc", "Jet OLEDB:Database Password=***", true},
      {"failed: 'Driver=X;Pwd=abc'\r\nnext line", "failed: 'Driver=X;Pwd=***\r\nnext line", true},
      // A quote or a blank inside a plain value, and what follows a braced one, are the value's.
      {"Password=Leak\"Me;x", "Password=***;x", true},
      {"Password=Leak Me;x", "Password=***;x", true},
      {"Password={a;b}c;x", "Password=***;x", true},
      {"Pwd='it''s';x", "Pwd=***;x", true},
      {"Password=;User=u", "Password=;User=u", false},
      // Keys that merely end in the word, and words without "=", are left alone.
      {"OldPassword=abc;Pwdx=1", "OldPassword=abc;Pwdx=1", false},
      {"the password is wrong", "the password is wrong", false},
      {"", "", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Secrets::Mask(c.in), c.masked) << c.in;
    EXPECT_EQ(Secrets::HoldsPassword(c.in), c.holds) << c.in;
  }
}

}  // namespace
