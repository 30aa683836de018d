#pragma once
// A progress display that records what a run shows: each label text as laid out (Shown),
// the message itself without the label's leading blank (Messages), and how often pending
// events were let run (Pumped). Attached to a progress channel, it cancels the run when a
// chosen message is shown or events are let run a chosen time, as the Cancel button of the
// progress window does.

#include <string>
#include <vector>

#include "shell/CProgress.h"

namespace pftest {

class RecordingDisplay : public pf::IProgressDisplay {
 public:
  RecordingDisplay() = default;
  explicit RecordingDisplay(pf::CProgress& progress) : progress_(&progress) { progress.ProgressForm = this; }
  ~RecordingDisplay() override {
    if (progress_) progress_->ProgressForm = nullptr;
  }
  RecordingDisplay(const RecordingDisplay&) = delete;
  RecordingDisplay& operator=(const RecordingDisplay&) = delete;

  void SetMessage(const std::string& labelText) override {
    Shown.push_back(labelText);
    Messages.push_back(labelText.empty() ? labelText : labelText.substr(1));
    if (progress_ && !CancelAt.empty() && Messages.back() == CancelAt) progress_->Cancelled = true;
  }
  void DoEvents() override {
    if (++Pumped == CancelAtPump && progress_) progress_->Cancelled = true;
  }

  std::vector<std::string> Shown;
  std::vector<std::string> Messages;
  int Pumped = 0;
  std::string CancelAt;  // with a progress channel: the message that cancels the run
  int CancelAtPump = 0;  // with a progress channel: the pass of DoEvents that cancels it (0: none)

 private:
  pf::CProgress* progress_ = nullptr;
};

}  // namespace pftest
