#include "cli/CliProgressLine.h"

#include <signal.h>
#include <unistd.h>

#include <csignal>

#include "cli/CliUserInterface.h"
#include "base/Utf8.h"
#include "platform/FileIO.h"

namespace pf::cli {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;  // the signal that asked to stop, or 0
struct sigaction gPreviousInt {}, gPreviousTerm {}, gPreviousAlarm {};

// The run stops at its next progress message. One that does not come within a second (a
// connection being opened, a long write) is not waited for: the program ends there, and
// removes the temporary file of a write in progress first.
extern "C" void OnAlarm(int) {
  FileIO::RemovePendingTemporaries();
  _exit(ExitStatusForSignal(gInterrupted));
}

extern "C" void OnInterrupt(int sig) {
  if (gInterrupted) return;
  gInterrupted = sig;
  alarm(1);
}

constexpr auto kMinInterval = std::chrono::milliseconds(100);

}  // namespace

CliProgressLine::CliProgressLine(CProgress& Progress, CliUserInterface& Ui, std::FILE* out)
    : progress_(Progress), ui_(Ui), out_(out) {
  ui_.BeforeOutput = [this] { Clear(); };
  gInterrupted = 0;
  tty_ = ::isatty(::fileno(out_)) == 1;
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, &gPreviousInt);
  sigaction(SIGTERM, &sa, &gPreviousTerm);
  sa.sa_handler = OnAlarm;
  sigaction(SIGALRM, &sa, &gPreviousAlarm);
}

CliProgressLine::~CliProgressLine() {
  ui_.BeforeOutput = nullptr;
  Clear();
  sigaction(SIGINT, &gPreviousInt, nullptr);
  sigaction(SIGTERM, &gPreviousTerm, nullptr);
  // A run that stopped in time is ended by its caller; the alarm is no longer needed.
  alarm(0);
  sigaction(SIGALRM, &gPreviousAlarm, nullptr);
}

bool CliProgressLine::Interrupted() { return gInterrupted != 0; }

int CliProgressLine::InterruptSignal() { return gInterrupted; }

int ExitStatusForSignal(int sig) { return sig == SIGTERM ? 143 : 130; }

void CliProgressLine::SetMessage(const std::string& labelText) {
  // Only a terminal can overwrite a line; a file or a pipe gets no progress line.
  if (!tty_) return;
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
