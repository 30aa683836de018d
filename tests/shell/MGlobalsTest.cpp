#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "base/AppPaths.h"
#include "errors/AppError.h"
#include "errors/ErrGuard.h"
#include "errors/Faultnet31.h"
#include "shell/CProgress.h"
#include "shell/ConsoleUserInterface.h"
#include "shell/MGlobals.h"
#include "shell/ScriptedUserInterface.h"
#include "support/RecordingDisplay.h"
#include "support/SettingsTestEnv.h"
#include "support/TestEnv.h"

using namespace pf;

namespace {

class Messages : public pftest::SettingsTest {
 protected:
  void TearDown() override {
    MGlobals::SetDisconnectServer(nullptr);
    SettingsTest::TearDown();
  }
  // Raises `e` and hands it to the error handler the way an entry point does.
  template <class F>
  void Handle(F&& raise) {
    try {
      raise();
    } catch (...) {
      MGlobals::HandleUIError();
    }
  }
};

}  // namespace

TEST_F(Messages, HandleUIErrorByKindOfError) {
  int disconnects = 0;
  MGlobals::SetDisconnectServer([&] {
    ++disconnects;
    throw std::runtime_error("ignored");
  });
  Handle([] { Faultnet31::Check(false, ERR_USER_CHECK, ""); });  // empty text still shown
  Handle([] { Faultnet31::Check(false, ERR_CANCELED, "Operation Canceled"); });
  ASSERT_EQ(ui->Messages.size(), 1u);
  EXPECT_EQ(ui->Messages[0].Msg, "");
  EXPECT_EQ(ui->Messages[0].Buttons, vbOKOnly + vbExclamation);  // a refusal is a warning
  EXPECT_FALSE(pftest::ReadAll(dir.file("Errors.txt")).size());

  // An internal error goes to the log with its report and is shown as such.
  Handle([] {
    ErrGuard("CSettings.Load(AFile)", [] { throw std::runtime_error("disk on fire"); }, std::string("x.PFG"));
  });
  ASSERT_EQ(ui->Messages.size(), 2u);
  EXPECT_EQ(ui->Messages[1].Msg.substr(0, 33), "Internal app error: disk on fire ");
  const std::string log = pftest::ReadAll(dir.file("Errors.txt"));
  EXPECT_NE(log.find("Call Stack: CSettings.Load(AFile='x.PFG')"), std::string::npos);

  // One that passed no handler gets a report of its own.
  Handle([] { throw std::out_of_range("index 7"); });
  EXPECT_EQ(ui->Messages[2].Msg, "Internal app error: Subscript out of range: index 7");
  EXPECT_NE(pftest::ReadAll(dir.file("Errors.txt")).find("Subscript out of range: index 7 \r\n  Time="),
            std::string::npos);
  EXPECT_EQ(disconnects, 4);
  EXPECT_EQ(ui->PointerResets, 4);

  // While starting, a message closes the splash window first.
  MGlobals::AppState = MGlobals::AS_STARTING;
  MGlobals::ShowMessage("Starting");
  EXPECT_EQ(ui->SplashCloses, 1);
  EXPECT_THROW(MGlobals::AskYesNo("unanswered"), std::logic_error);
}

TEST_F(Messages, SaveFileAndCheckFile) {
  EXPECT_TRUE(MGlobals::SaveFile(dir.file("Db.cls"), "VERSION 1.0 CLASS\r\n"));
  EXPECT_EQ(pftest::ReadAll(dir.file("Db.cls")), "VERSION 1.0 CLASS\r\n");
  EXPECT_FALSE(MGlobals::SaveFile(dir.file("missing/Db.cls"), "x"));
  ASSERT_EQ(ui->Messages.size(), 1u);
  EXPECT_EQ(ui->Messages[0].Msg.rfind("Error Saving File: Cannot write file '" + dir.file("missing/Db.cls"), 0), 0u);

  std::string err = "untouched";
  EXPECT_TRUE(MGlobals::CheckFile(dir.file("Db.cls"), err, false));
  EXPECT_EQ(err, "untouched");
  EXPECT_FALSE(MGlobals::CheckFile(dir.file("New.bas"), err, false));
  EXPECT_EQ(err, "File not found (" + dir.file("New.bas") + ")");
  // Checked for writing, an output is neither created nor touched, and nothing is left beside it.
  EXPECT_TRUE(MGlobals::CheckFile(dir.file("New.bas"), err, true));
  EXPECT_FALSE(std::filesystem::exists(dir.file("New.bas")));
  EXPECT_TRUE(MGlobals::CheckFile(dir.file("Db.cls"), err, true));
  EXPECT_EQ(pftest::ReadAll(dir.file("Db.cls")), "VERSION 1.0 CLASS\r\n");
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    EXPECT_FALSE(pftest::Has(e.path().string(), ".tmp-")) << e.path();
  EXPECT_FALSE(MGlobals::CheckFile(dir.file("no/dir/x.bas"), err, true));
  EXPECT_NE(err.find("no/dir/x.bas"), std::string::npos);
  // A FIFO is refused either way, without waiting for a writer or a reader.
  ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
  for (const bool createIt : {false, true}) {
    EXPECT_FALSE(MGlobals::CheckFile(dir.file("pipe"), err, createIt));
    EXPECT_EQ(err, dir.file("pipe") + " is a FIFO (named pipe), not a file.");
  }

  EXPECT_EQ(MGlobals::GetHelpFileName(), dir.file("PFG_UserGuide.htm"));
}

TEST(ConsoleUserInterface, UnattendedQuestionsAreAnsweredNo) {
  std::FILE* out = std::tmpfile();
  std::FILE* in = std::tmpfile();
  std::fputs("y\n", in);  // not a terminal: never read
  std::rewind(in);
  ConsoleUserInterface console(out, in);
  EXPECT_EQ(console.ShowMessage("Overwrite?", vbYesNo, "Procforge"), vbNo);
  EXPECT_EQ(console.ShowMessage("Done.", vbOKOnly, ""), vbOK);
  std::rewind(out);
  char buf[256] = {};
  const size_t n = std::fread(buf, 1, sizeof buf - 1, out);
  EXPECT_EQ(std::string(buf, n), "Procforge: Overwrite?\n(no terminal to answer: No)\nDone.\n");
  std::fclose(out);
  std::fclose(in);
}

namespace {

using pftest::RecordingDisplay;

TEST(CProgress, DisplayTextCutsAfter45Characters) {
  const std::string s45(45, 'a');
  EXPECT_EQ(CProgress::DisplayText(s45), " " + s45);
  EXPECT_EQ(CProgress::DisplayText(s45 + "b"), " " + s45 + " ...");
  EXPECT_EQ(CProgress::DisplayText(""), " ");
  // Characters, not bytes: 45 two-byte letters are shown whole, and a cut never
  // splits a letter.
  const std::string umlauts = pftest::ReplaceAll(std::string(45, 'a'), "a", "\xC3\xA4");
  EXPECT_EQ(CProgress::DisplayText(umlauts), " " + umlauts);
  EXPECT_EQ(CProgress::DisplayText(umlauts + "\xC3\xB6"), " " + umlauts + " ...");
}

TEST(CProgress, CancelRaisesBeforeAnythingIsShown) {
  Faultnet31::Reset();
  RecordingDisplay display;
  CProgress progress;
  progress.ProgressForm = &display;
  progress.Cancelled = true;
  const AppError e = pftest::Raised([&] { progress.Message("Processing sp_x"); });
  EXPECT_EQ(e.Number, ERR_CANCELED);
  EXPECT_EQ(e.Description, "Operation Canceled");
  EXPECT_TRUE(display.Shown.empty());
  EXPECT_EQ(display.Pumped, 0);
}

TEST(CProgress, WarningsKeepTheirOrderAndAreRecordedOnce) {
  CProgress progress;
  progress.Warning("b left out");
  progress.Warning("a renamed");
  progress.Warning("b left out");
  // Control characters of names are shown escaped, in warnings and on the display.
  progress.Warning("usp_\rX\x1B[2J\x7F left out");
  EXPECT_EQ(progress.Warnings(),
            (std::vector<std::string>{"b left out", "a renamed", "usp_\\rX\\x1B[2J\\x7F left out"}));
  EXPECT_EQ(CProgress::DisplayText("a\tb\n"), " a\\tb\\n");
  // A warning is no cancellation point: it never raises.
  progress.Cancelled = true;
  progress.Warning("c");
  EXPECT_EQ(progress.Warnings().size(), 4u);
}

}  // namespace
