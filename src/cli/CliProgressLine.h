#pragma once
// The progress display of procforge-cli: one line on stderr that each message
// overwrites ("\r", the count of procedures once it is known, and the text, padded over
// the previous one), cleared when the run
// ends or before another message is printed. Updates are limited to a few per second,
// so that a run over thousands of procedures does not spend its time writing them.
//
// The line is written only when the stream is a terminal: a file or a pipe would keep
// every overwritten text.
//
// While it exists, Ctrl-C (SIGINT) and SIGTERM cancel the run: the next event point sets
// Cancelled of the progress channel, and the next progress message ends the run with
// "Operation Canceled". A run that does not get there within a second (it waits on a
// server, or writes a large file) is ended where it is, with exit status 130 (143 for
// SIGTERM), after the temporary file of a write in progress is removed.

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>

#include "platform/StopSignals.h"
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
  // The count leads the line from then on: "12 of 38 procedures: Processing usp_X".
  void SetCount(int32_t Done, int32_t Total) override;
  // Removes the line, if one is shown.
  void Clear();

 private:
  CProgress& progress_;
  CliUserInterface& ui_;
  std::FILE* out_;
  size_t shownWidth_ = 0;
  std::string count_;  // CountText of the last count, empty before the first
  std::chrono::steady_clock::time_point lastWrite_{};
  bool wroteOnce_ = false;
  bool tty_ = false;
  StopSignals::Scope stopSignals_;
};

}  // namespace pf::cli
