#pragma once
// The progress display of procforge-cli: one line on stderr that each message
// overwrites ("\r" and the text, padded over the previous one), cleared when the run
// ends or before another message is printed. Updates are limited to a few per second,
// so that a run over thousands of procedures does not spend its time writing them.
//
// While it exists, Ctrl-C (SIGINT) cancels the run: the next event point sets
// Cancelled of the progress channel, and the next progress message ends the run with
// "Operation Canceled". A second Ctrl-C ends the program at once (the default action),
// for a run that waits on a server and sends no messages.

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>

#include "shell/CProgress.h"

namespace pf::cli {
class CliUserInterface;
}

namespace pf::cli {

class CliProgressLine : public IProgressDisplay {
 public:
  // Attaches nothing to Progress (the generation command does that); clears the line
  // before every message Ui shows.
  CliProgressLine(CProgress& Progress, CliUserInterface& Ui, std::FILE* out = stderr);
  ~CliProgressLine() override;
  CliProgressLine(const CliProgressLine&) = delete;
  CliProgressLine& operator=(const CliProgressLine&) = delete;

  void SetMessage(const std::string& labelText) override;
  void DoEvents() override;
  // Removes the line, if one is shown.
  void Clear();

  // True once Ctrl-C was pressed while a progress line existed.
  static bool Interrupted();

 private:
  CProgress& progress_;
  CliUserInterface& ui_;
  std::FILE* out_;
  size_t shownWidth_ = 0;
  std::chrono::steady_clock::time_point lastWrite_{};
  bool wroteOnce_ = false;
};

}  // namespace pf::cli
