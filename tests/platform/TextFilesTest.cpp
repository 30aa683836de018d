#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "errors/AppError.h"
#include "platform/FileIO.h"
#include "platform/Registry.h"
#include "platform/TextFiles.h"
#include "support/TestEnv.h"

using namespace pf;

TEST(TextFiles, CharacterSets) {
  const std::string text = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // A é € 😀
  EXPECT_EQ(TextFiles::Encode(text, "ASCII"), "A???");
  EXPECT_EQ(TextFiles::Decode("A\xE9\x80", "us-ascii"), "A??");
  EXPECT_EQ(TextFiles::Encode(text, "iso-8859-1"), "A\xE9??");
  EXPECT_EQ(TextFiles::Encode(text, "Windows-1252"), "A\xE9\x80?");
  EXPECT_EQ(TextFiles::Decode("A\xE9\x80", "windows-1252"), "A\xC3\xA9\xE2\x82\xAC");
  for (const char* cs : {"Unicode", "UTF-16BE", "UTF-8"}) {
    EXPECT_EQ(TextFiles::Decode(TextFiles::Encode(text, cs), cs), text) << cs;
    EXPECT_EQ(TextFiles::Decode(TextFiles::Encode(text, cs), ""), text) << cs;  // found by byte-order mark
  }
  EXPECT_EQ(TextFiles::Encode("a", ""), std::string("\xFF\xFE" "a\0", 4));
  EXPECT_EQ(TextFiles::Decode("\xEF\xBB\xBFx", "utf-8"), "x");
  EXPECT_EQ(TextFiles::Encode("a\xFF" "b", "ASCII"), "a?b");  // broken UTF-8 input
  const AppError e = pftest::Raised([&] { TextFiles::Encode("x", "klingon"); });
  EXPECT_EQ(e.Description, "Character set 'klingon' is not supported.");
}

TEST(TextFiles, AtomicReplaceKeepsModeAndLeavesNoLitter) {
  pftest::TempDir dir;
  const std::string path = dir.file("out.cls");
  FileIO::WriteAtomic(path, "first");
  ::chmod(path.c_str(), 0640);
  TextFiles::WriteText(path, "second\r\n", "ASCII");
  EXPECT_EQ(TextFiles::ReadText(path, "ASCII"), "second\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  // Through a symbolic link the target is replaced and the link stays.
  const std::string link = dir.file("link.cls");
  std::filesystem::create_symlink(path, link);
  FileIO::WriteAtomic(link, "third");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(pftest::ReadAll(path), "third");

  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);  // nothing left beside them
}

TEST(TextFiles, FailuresNameThePathAndKeepTheOldFile) {
  pftest::TempDir dir;
  EXPECT_EQ(
      pftest::ExpectFailure([&] { TextFiles::ReadText(dir.file("none.txt"), "ASCII"); }, {dir.file("none.txt")}).Number,
      ERR_FILE_NOT_FOUND);
  EXPECT_EQ(
      pftest::ExpectFailure([&] { FileIO::WriteAtomic(dir.file("no/such/folder.txt"), "x"); }, {"no/such/folder.txt"})
          .Number,
      ERR_FILE_NOT_FOUND);
  // A folder that cannot take the temporary file: the old file is untouched.
  if (::geteuid() != 0) {
    const std::string path = dir.file("keep.txt");
    pftest::WriteAll(path, "old");
    ::chmod(dir.path().c_str(), 0555);
    EXPECT_THROW(FileIO::WriteAtomic(path, "new"), AppError);
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(pftest::ReadAll(path), "old");
  }
  EXPECT_THROW(FileIO::ReadBytes(dir.path().string()), AppError);
}

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

// The cases of tests/data/platform/registry.txt; without a hive every key is missing.
TEST_F(RegistryTest, ReadsStringValuesOfTheWineHiveAndNamesWhatIsMissing) {
  EXPECT_EQ(pftest::Raised([] {
              pf::Registry::ReadLocalMachineString("Software\\Acme\\Orders", "ConnStr");
            }).Description.rfind("Failed to open Registry key: Software\\Acme\\Orders (there is no registry", 0),
            0u);
  WriteHive();
  EXPECT_EQ(pf::Registry::LocalMachineHive(), dir_.file("system.reg"));
  for (const std::string& line : pftest::DataLines("platform/registry.txt")) {
    const std::vector<std::string> f = pftest::Fields(line);
    if (!f[2].starts_with("error: ")) {
      EXPECT_EQ(pf::Registry::ReadLocalMachineString(f[0], f[1]), f[2]) << line;
      continue;
    }
    const pf::AppError e = pftest::Raised([&] { pf::Registry::ReadLocalMachineString(f[0], f[1]); });
    EXPECT_EQ(e.Number, pf::ERR_USER_CHECK);
    EXPECT_EQ("error: " + e.Description, f[2]);
  }
}
