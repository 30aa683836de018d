#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Registry.h"
#include "support/TestEnv.h"

namespace {

// A Wine local-machine hive as Wine writes it (tests/data/platform/system.reg), in a prefix
// of its own.
class RegistryTest : public ::testing::Test {
 protected:
  void WriteHive() {
    std::filesystem::copy_file(std::string(PF_SOURCE_DIR) + "/tests/data/platform/system.reg", dir_.file("system.reg"));
  }
  pftest::TempDir dir_;
  pftest::ScopedEnv prefix_{"WINEPREFIX", dir_.path().string()};
};

}  // namespace

TEST_F(RegistryTest, ReadsStringValuesOfTheWineHive) {
  WriteHive();
  EXPECT_EQ(pf::Registry::LocalMachineHive(), dir_.file("system.reg"));
  struct Row {
    const char* Key;
    const char* Value;
    const char* Expected;
  };
  const Row rows[] = {
      {"Software\\Acme\\Orders", "ConnStr", "Provider=SQLOLEDB;Data Source=sql01;Password=\"q\\t\""},
      {"\\SOFTWARE/acme/orders\\", "connstr", "Provider=SQLOLEDB;Data Source=sql01;Password=\"q\\t\""},
      {"Software\\Acme\\Orders", "", "default text"},
      {"Software\\Acme\\Orders", "Expand", "%ProgramFiles%\\Acme"},
      {"Software\\Acme\\Orders", "Caf\xC3\xA9", "Gr\xC3\xB6\xC3\x9f" "e"},
  };
  for (const Row& r : rows) EXPECT_EQ(pf::Registry::ReadLocalMachineString(r.Key, r.Value), r.Expected) << r.Key;
}

TEST_F(RegistryTest, FailuresNameTheKeyOrTheValue) {
  // No hive at all, then a hive without the key, a missing value, a value that is no string.
  EXPECT_EQ(pftest::Raised([] { pf::Registry::ReadLocalMachineString("Software\\Acme\\Orders", "ConnStr"); })
                .Description.rfind("Failed to open Registry key: Software\\Acme\\Orders (there is no registry", 0),
            0u);
  WriteHive();
  struct Row {
    const char* Key;
    const char* Value;
    const char* Message;
  };
  const Row rows[] = {
      {"Software\\Acme\\Missing", "ConnStr", "Failed to open Registry key: Software\\Acme\\Missing"},
      {"Software\\Acme", "ConnStr", "Failed to open Registry key: Software\\Acme"},
      {"Software\\Acme\\Orders", "Nope", "Failed to read registry value. Value Name: Nope"},
      {"Software\\Acme\\Orders", "Count", "Failed to read registry value. Value Name: Count"},
  };
  for (const Row& r : rows) {
    const pf::AppError e = pftest::Raised([&] { pf::Registry::ReadLocalMachineString(r.Key, r.Value); });
    EXPECT_EQ(e.Number, pf::ERR_USER_CHECK);
    EXPECT_EQ(e.Description, r.Message);
  }
}
