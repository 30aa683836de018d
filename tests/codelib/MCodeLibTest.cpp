#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "codelib/MCodeLib.h"
#include "errors/Faultnet31.h"
#include "support/RecordingDisplay.h"
#include "support/TestEnv.h"

using namespace pf;
namespace fs = std::filesystem;

namespace {

using pftest::RecordingDisplay;

const std::string kLib = pftest::CrLf("header\n'#block Decl\nOption Explicit\n'#endblock\n");
const std::vector<std::string> kLoadOnly = {" Loading code library..."};
const std::vector<std::string> kRebuild = {" Loading code library...", " Loading Source Code Library...",
                                           " Encrypting Code Library..."};

class MCodeLibTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Faultnet31::Reset();
    progress.ProgressForm = &display;
  }

  std::string Cls() const { return dir.file("CodeLib.cls"); }
  std::string Dat() const { return dir.file("CodeLib.dat"); }
  void SetTime(const std::string& path, int secondsFromNow) {
    fs::last_write_time(path, fs::file_time_type::clock::now() + std::chrono::seconds(secondsFromNow));
  }
  void Load() { MCodeLib::LoadCodeLibrary(progress, stream, blocks, dir.path().string()); }

  pftest::TempDir dir;
  RecordingDisplay display;
  CProgress progress;
  CTextStream stream;
  CBlocks blocks;
};

TEST_F(MCodeLibTest, OnlySourceFormBuildsScrambledFormAndReadsItBack) {
  pftest::WriteAll(Cls(), kLib);
  Load();
  EXPECT_EQ(display.Shown, kRebuild);
  EXPECT_EQ(pftest::ReadAll(Dat()), CTextStream::Scramble(kLib));
  EXPECT_EQ(stream.Text, kLib);
  EXPECT_EQ(blocks.GetBlock("DECL"), "Option Explicit\r\n");
}

TEST_F(MCodeLibTest, NewerSourceFormReplacesScrambledForm) {
  pftest::WriteAll(Dat(), CTextStream::Scramble("old"));
  pftest::WriteAll(Cls(), kLib);
  SetTime(Dat(), -10);
  Load();
  EXPECT_EQ(display.Shown, kRebuild);
  EXPECT_EQ(pftest::ReadAll(Dat()), CTextStream::Scramble(kLib));
  EXPECT_TRUE(blocks.HasBlock("decl"));
}

TEST_F(MCodeLibTest, ScrambledFormAsNewOrNewerIsReadWithoutTheSource) {
  for (int datAge : {0, 10}) {
    SCOPED_TRACE(datAge);
    display.Shown.clear();
    pftest::WriteAll(Cls(), "'#block fromsource\r\n'#endblock\r\n");
    pftest::WriteAll(Dat(), CTextStream::Scramble(kLib));
    const auto t = fs::last_write_time(Cls());
    fs::last_write_time(Dat(), t + std::chrono::seconds(datAge));
    Load();
    EXPECT_EQ(display.Shown, kLoadOnly);
    EXPECT_TRUE(blocks.HasBlock("decl"));
    EXPECT_FALSE(blocks.HasBlock("fromsource"));
  }
}

TEST_F(MCodeLibTest, OnlyScrambledFormIsReadDirectly) {
  pftest::WriteAll(Dat(), CTextStream::Scramble(kLib));
  Load();
  EXPECT_EQ(display.Shown, kLoadOnly);
  EXPECT_EQ(stream.Text, kLib);
  EXPECT_FALSE(fs::exists(Cls()));
}

TEST_F(MCodeLibTest, MissingLibraryIsAnApplicationError) {
  const AppError e = pftest::Raised([&] { Load(); });
  EXPECT_EQ(e.Number, ERR_CODELIB_MISSING);
  EXPECT_EQ(e.Description, "CodeLib.dat library file not found.");
  EXPECT_EQ(display.Shown, kLoadOnly);
}

TEST_F(MCodeLibTest, EmptySourceGivesEmptyScrambledFileAndNoBlocks) {
  pftest::WriteAll(Cls(), "");
  blocks.AddBlock("stale", "old");
  Load();
  EXPECT_TRUE(fs::exists(Dat()));
  EXPECT_EQ(fs::file_size(Dat()), 0u);
  EXPECT_EQ(blocks.BlockCount(), 0u);
}

TEST_F(MCodeLibTest, TextReachingTheEngineIsTheScrambledReadBack) {
  // A character above 127 keeps only its low seven bits in the scrambled form.
  pftest::WriteAll(Cls(), "'#block a\r\n\xE9\r\n'#endblock\r\n");
  Load();
  EXPECT_EQ(blocks.GetBlock("a"), "\x69\r\n");
}

TEST_F(MCodeLibTest, BackslashesSeparateFolders) {
  pftest::WriteAll(Cls(), kLib);
  std::string name = dir.path().string() + "\\CodeLib";
  MCodeLib::OpenCheckCodeLib(name, progress, stream);
  EXPECT_EQ(stream.Text, kLib);
  EXPECT_TRUE(fs::exists(Dat()));
}

TEST_F(MCodeLibTest, CancelStopsBeforeAnythingIsWritten) {
  pftest::WriteAll(Cls(), kLib);
  progress.Cancelled = true;
  const AppError e = pftest::Raised([&] { Load(); });
  EXPECT_EQ(e.Number, ERR_CANCELED);
  EXPECT_FALSE(fs::exists(Dat()));
  EXPECT_TRUE(display.Shown.empty());
}

}  // namespace
