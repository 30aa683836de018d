#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "errors/AppError.h"
#include "platform/FileIO.h"
#include "platform/Registry.h"
#include "platform/TextFiles.h"
#include "support/TestEnv.h"

using namespace pf;
using pftest::Has;

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
  const std::string none = dir.file("none.txt"), deep = dir.file("no/such/folder.txt");
  EXPECT_EQ(pftest::ExpectFailure([&] { TextFiles::ReadText(none, "ASCII"); }, {none}).Number, ERR_FILE_NOT_FOUND);
  EXPECT_EQ(pftest::ExpectFailure([&] { FileIO::WriteAtomic(deep, "x"); }, {"no/such/folder.txt"}).Number,
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

// Run by WritesGoThroughASyncedTemporaryFileAndARename under strace: replaces the two files
// of the folder PF_TRACE_DIR names.
TEST(FileWrites, DISABLED_TracedWrite) {
  const std::string dir = std::getenv("PF_TRACE_DIR");
  const std::string big(3 << 19, 'b');  // written in pieces
  FileIO::WriteAtomicAll({{dir + "/a.cls", "new class"}, {dir + "/b.bas", big}});
}

// The system calls of a replacing write, as strace sees them: each file's bytes go to a new
// file in the same folder, which is flushed to the disk (fsync) after its last byte and
// before it is closed and renamed over the target; the target itself is never opened for
// writing; and no target is replaced before every file is flushed.
TEST(FileWrites, WritesGoThroughASyncedTemporaryFileAndARename) {
#ifdef _WIN32
  GTEST_SKIP() << "strace traces Linux system calls";
#else
  pftest::TempDir dir;
  const std::string folder = std::filesystem::canonical(dir.path()).string();
  const std::map<std::string, size_t> sizes = {{folder + "/a.cls", 9}, {folder + "/b.bas", 3 << 19}};
  for (const auto& [path, size] : sizes) pftest::WriteAll(path, "old");
  const std::string log = dir.file("trace.log");
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  // LeakSanitizer cannot work under ptrace: a sanitizer build leaves leak checks to the other tests.
  const std::string cmd = "ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" PF_TRACE_DIR='" + folder +
                          "' strace -f -y -qq -o '" + log +
                          "' -e trace=open,openat,creat,write,pwrite64,writev,fsync,fdatasync,close,rename,renameat,"
                          "renameat2 '" +
                          self +
                          "' --gtest_filter=FileWrites.DISABLED_TracedWrite "
                          "--gtest_also_run_disabled_tests >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd << " (strace is in scripts/bootstrap.sh --test)";
  std::vector<std::string> calls;
  std::istringstream in(pftest::ReadAll(log));
  for (std::string line; std::getline(in, line);) calls.push_back(line);
  const auto find = [&](const std::string& part, size_t from = 0) {
    for (size_t i = from; i < calls.size(); ++i)
      if (calls[i].find(part) != std::string::npos) return i;
    return calls.size();
  };
  size_t lastSync = 0, firstRename = calls.size();
  for (const auto& [target, size] : sizes) {
    SCOPED_TRACE(target);
    const std::regex renameCall("rename(at2?)?\\((AT_FDCWD[^,]*, )?\"([^\"]+)\", (AT_FDCWD[^,]*, )?\"" + target + "\"");
    size_t renamed = calls.size();
    std::smatch m;
    for (size_t i = 0; i < calls.size() && renamed == calls.size(); ++i)
      if (std::regex_search(calls[i], m, renameCall)) renamed = i;
    ASSERT_LT(renamed, calls.size()) << "no rename over the target";
    const std::string tmp = m[3];
    EXPECT_EQ(std::filesystem::path(tmp).parent_path(), std::filesystem::path(target).parent_path());
    size_t written = 0, lastWrite = 0;
    for (size_t i = 0; i < calls.size(); ++i) {
      if (calls[i].find("write(") != std::string::npos && Has(calls[i], "<" + tmp + ">")) {
        written += std::stoul(calls[i].substr(calls[i].rfind("= ") + 2));
        lastWrite = i;
      }
      EXPECT_FALSE(Has(calls[i], "<" + target + ">") && Has(calls[i], "write")) << calls[i];
    }
    EXPECT_EQ(written, size);
    size_t synced = std::min(find("fsync(", lastWrite), find("fdatasync(", lastWrite));
    while (synced < calls.size() && !Has(calls[synced], "<" + tmp + ">"))
      synced = std::min(find("fsync(", synced + 1), find("fdatasync(", synced + 1));
    ASSERT_LT(synced, calls.size()) << "the temporary file is not flushed after its last write";
    const size_t closed = find("close(", synced);
    EXPECT_TRUE(closed < renamed && Has(calls[closed], "<" + tmp + ">")) << "closed after the flush, before the rename";
    lastSync = std::max(lastSync, synced);
    firstRename = std::min(firstRename, renamed);
  }
  EXPECT_LT(lastSync, firstRename) << "a target was replaced before every file was flushed";
#endif
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
