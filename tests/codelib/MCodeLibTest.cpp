#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "codelib/CTextStream.h"
#include "codelib/MCodeLib.h"
#include "errors/AppError.h"
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
  void Load() { MCodeLib::LoadCodeLibrary(progress, stream, blocks, dir.path().string()); }

  pftest::TempDir dir;
  RecordingDisplay display;
  CProgress progress;
  CTextStream stream;
  CBlocks blocks;
};

// Which form is read: the source form when it is alone or newer (the scrambled form is
// rebuilt from it), else the scrambled form without the source (a source of the same
// length: one of another length shows the scrambled form was not made from it).
TEST_F(MCodeLibTest, NewerFormIsReadAndTheScrambledFormRebuiltFromTheSource) {
  const std::string other = pftest::CrLf("header\n'#block Src0\nOption Explicit\n'#endblock\n");
  const struct {
    const char* Label;
    bool Source, Scrambled;
    int ScrambledAge;  // seconds after the source form
    const std::vector<std::string>& Shown;
  } cases[] = {{"only the source form", true, false, 0, kRebuild},
               {"newer source form", true, true, -10, kRebuild},
               {"scrambled form as new", true, true, 0, kLoadOnly},
               {"newer scrambled form", true, true, 10, kLoadOnly},
               {"only the scrambled form", false, true, 0, kLoadOnly}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Label);
    fs::remove(Cls());
    fs::remove(Dat());
    display.Shown.clear();
    const bool fromSource = c.Shown.size() > 1;
    if (c.Source) pftest::WriteAll(Cls(), fromSource ? kLib : other);
    if (c.Scrambled) pftest::WriteAll(Dat(), CTextStream::Scramble(fromSource ? "old" : kLib));
    if (c.Source && c.Scrambled)
      fs::last_write_time(Dat(), fs::last_write_time(Cls()) + std::chrono::seconds(c.ScrambledAge));
    Load();
    EXPECT_EQ(display.Shown, c.Shown);
    EXPECT_EQ(pftest::ReadAll(Dat()), CTextStream::Scramble(kLib));
    EXPECT_EQ(stream.Text, kLib);
    EXPECT_EQ(blocks.BlockCount(), 1u);
    EXPECT_EQ(blocks.GetBlock("DECL"), "Option Explicit\r\n");
    EXPECT_FALSE(blocks.HasBlock("src0"));
  }
}

// A newer scrambled form that is damaged (empty, cut short, other bytes, made with another
// offset) is rebuilt from the source form; a source form that does not read is named
// with the line where it breaks.
TEST_F(MCodeLibTest, DamagedScrambledFormIsRebuiltAndABrokenSourceNamed) {
  std::string random(kLib.size(), '\0');
  for (size_t i = 0; i < random.size(); ++i) random[i] = static_cast<char>((i * 7919 + 13) % 251);
  std::string shifted = CTextStream::Scramble(kLib);
  for (char& c : shifted) c = static_cast<char>((c + 5) & 127);
  const std::string damaged[] = {"", CTextStream::Scramble(kLib).substr(0, kLib.size() / 2), random, shifted};
  for (const std::string& bytes : damaged) {
    pftest::WriteAll(Cls(), kLib);
    pftest::WriteAll(Dat(), bytes);
    fs::last_write_time(Dat(), fs::last_write_time(Cls()) + std::chrono::seconds(10));
    Load();
    EXPECT_EQ(pftest::ReadAll(Dat()), CTextStream::Scramble(kLib));
    EXPECT_EQ(blocks.GetBlock("DECL"), "Option Explicit\r\n");
  }
  pftest::WriteAll(Cls(), pftest::CrLf("header\n'#block A\n'#block B\n'#endblock\n"));
  EXPECT_EQ(pftest::ExpectFailure([&] { Load(); }, {Cls(), " at line 3: No #ENDBLOCK found"}).Number, ERR_BLOCK_SYNTAX);
}

TEST(CTextStream, ScrambledFormIsFixed) {
  // (c + p + K) mod 128 with p counted from 1.
  const unsigned k = CTextStream::kScrambleOffset;
  const std::string s = CTextStream::Scramble("AB\x7F");
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(static_cast<unsigned char>(s[0]), (65 + 1 + k) % 128);
  EXPECT_EQ(static_cast<unsigned char>(s[1]), (66 + 2 + k) % 128);
  EXPECT_EQ(static_cast<unsigned char>(s[2]), (127 + 3 + k) % 128);
  // The position wraps: the character at position 129 is scrambled like position 1.
  const std::string long1 = CTextStream::Scramble(std::string(129, 'A'));
  EXPECT_EQ(long1[128], long1[0]);
}

TEST(CTextStream, FileErrorsNameThePath) {
  pftest::TempDir dir;
  CTextStream s;
  s.Text = "keep";
  s.SaveToFile(dir.file("keep.cls"), false);
  EXPECT_EQ(
      pftest::ExpectFailure([&] { s.LoadFromFile(dir.file("missing.dat"), true); }, {dir.file("missing.dat")}).Number,
      ERR_FILE_NOT_FOUND);
  EXPECT_EQ(s.Text, "keep");
  EXPECT_THROW(s.SaveToFile(dir.file("no/such/folder.dat"), true), AppError);
}

}  // namespace
