#include "cli/CliProgressLine.h"

#include "base/Os.h"
#include "base/Utf8.h"
#include "cli/CliUserInterface.h"

namespace pf::cli {

namespace {

constexpr auto kMinInterval = std::chrono::milliseconds(100);

}  // namespace

CliProgressLine::CliProgressLine(CProgress& Progress, CliUserInterface& Ui, std::FILE* out)
    : progress_(Progress), ui_(Ui), out_(out) {
  ui_.BeforeOutput = [this] { Clear(); };
  tty_ = Os::IsTerminal(out_);
}

CliProgressLine::~CliProgressLine() {
  ui_.BeforeOutput = nullptr;
  Clear();
}

void CliProgressLine::SetMessage(const std::string& labelText) {
  // Only a terminal can overwrite a line; a file or a pipe gets no progress line.
  if (!tty_) return;
  const auto now = std::chrono::steady_clock::now();
  if (wroteOnce_ && now - lastWrite_ < kMinInterval) return;
  wroteOnce_ = true;
  lastWrite_ = now;
  const std::string text = count_.empty() ? labelText : count_ + ":" + labelText;
  const size_t width = Utf8::Length(text);  // terminal columns
  std::string line = "\r" + text;
  if (width < shownWidth_) line.append(shownWidth_ - width, ' ');
  std::fputs(line.c_str(), out_);
  std::fflush(out_);
  shownWidth_ = width;
}

void CliProgressLine::SetCount(int32_t Done, int32_t Total) {
  if (tty_) count_ = CProgress::CountText(Done, Total);
}

void CliProgressLine::DoEvents() {
  if (StopSignals::Received()) progress_.Cancelled = true;
}

void CliProgressLine::Clear() {
  if (shownWidth_ == 0) return;
  std::fputs(("\r" + std::string(shownWidth_, ' ') + "\r").c_str(), out_);
  std::fflush(out_);
  shownWidth_ = 0;
}

}  // namespace pf::cli
