#include "cli/CliProgressLine.h"

#include <signal.h>

#include <csignal>

#include "cli/CliUserInterface.h"
#include "base/Utf8.h"

namespace pf::cli {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;
struct sigaction gPrevious {};

extern "C" void OnInterrupt(int) {
  gInterrupted = 1;
  // The next Ctrl-C is not caught: it ends a run that sends no messages.
  std::signal(SIGINT, SIG_DFL);
}

constexpr auto kMinInterval = std::chrono::milliseconds(100);

}  // namespace

CliProgressLine::CliProgressLine(CProgress& Progress, CliUserInterface& Ui, std::FILE* out)
    : progress_(Progress), ui_(Ui), out_(out) {
  ui_.BeforeOutput = [this] { Clear(); };
  gInterrupted = 0;
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, &gPrevious);
}

CliProgressLine::~CliProgressLine() {
  ui_.BeforeOutput = nullptr;
  Clear();
  sigaction(SIGINT, &gPrevious, nullptr);
}

bool CliProgressLine::Interrupted() { return gInterrupted != 0; }

void CliProgressLine::SetMessage(const std::string& labelText) {
  const auto now = std::chrono::steady_clock::now();
  if (wroteOnce_ && now - lastWrite_ < kMinInterval) return;
  wroteOnce_ = true;
  lastWrite_ = now;
  const size_t width = Utf8::Length(labelText);  // terminal columns
  std::string line = "\r" + labelText;
  if (width < shownWidth_) line.append(shownWidth_ - width, ' ');
  std::fputs(line.c_str(), out_);
  std::fflush(out_);
  shownWidth_ = width;
}

void CliProgressLine::DoEvents() {
  if (gInterrupted) progress_.Cancelled = true;
}

void CliProgressLine::Clear() {
  if (shownWidth_ == 0) return;
  std::fputs(("\r" + std::string(shownWidth_, ' ') + "\r").c_str(), out_);
  std::fflush(out_);
  shownWidth_ = 0;
}

}  // namespace pf::cli
