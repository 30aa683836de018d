#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "errors/AppError.h"
#include "errors/Faultnet31.h"
#include "shell/CProgress.h"
#include "support/RecordingDisplay.h"
#include "support/TestEnv.h"

using namespace pf;

namespace {

using pftest::RecordingDisplay;

TEST(CProgress, DisplayTextCutsAfter45Characters) {
  const std::string s45(45, 'a');
  EXPECT_EQ(CProgress::DisplayText(s45), " " + s45);
  EXPECT_EQ(CProgress::DisplayText(s45 + "b"), " " + s45 + " ...");
  EXPECT_EQ(CProgress::DisplayText(""), " ");
  // Characters, not bytes: 45 two-byte letters are shown whole, and a cut never
  // splits a letter.
  std::string umlauts;
  for (int i = 0; i < 45; ++i) umlauts += "\xC3\xA4";
  EXPECT_EQ(CProgress::DisplayText(umlauts), " " + umlauts);
  EXPECT_EQ(CProgress::DisplayText(umlauts + "\xC3\xB6"), " " + umlauts + " ...");
}

TEST(CProgress, MessageShowsAndLetsEventsRun) {
  RecordingDisplay display;
  CProgress progress;
  progress.ProgressForm = &display;
  progress.Message("Loading code library...");
  EXPECT_EQ(display.Shown, std::vector<std::string>{" Loading code library..."});
  EXPECT_EQ(display.Pumped, 1);
  // Without a display a message is still a cancellation point, and nothing breaks.
  progress.ProgressForm = nullptr;
  progress.Message("x");
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
