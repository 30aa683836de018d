#pragma once
// The progress channel of a generation run. Every message is a cancellation point:
// once Cancelled is set, the next Message raises 0x80041068 "Operation Canceled"
// before anything is shown, which unwinds the whole run.

#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace pf {

// What shows progress messages: the wizard's progress window, the command line's
// progress line. Implemented by the front ends; owned by whoever creates the run.
class IProgressDisplay {
 public:
  virtual ~IProgressDisplay() = default;
  // Shows a label text already laid out by CProgress::DisplayText.
  virtual void SetMessage(const std::string& labelText) = 0;
  // Lets pending window events run (repaint, the Cancel button).
  virtual void DoEvents() = 0;
  // How far the run is: Done of Total procedures. Displays that show no count ignore it.
  virtual void SetCount(int32_t /*Done*/, int32_t /*Total*/) {}
};

class CProgress {
 public:
  // The attached display; set by the generation command before the build and cleared
  // after it. Not owned. Without one, messages are still cancellation points.
  IProgressDisplay* ProgressForm = nullptr;
  // Set by the display's Cancel button; only ever goes from false to true in a run. The
  // run may read it on another thread than the one that sets it.
  std::atomic<bool> Cancelled = false;

  // Raises 0x80041068 when Cancelled; otherwise shows DisplayText(Msg) and lets
  // pending events run.
  void Message(std::string_view Msg);
  // Passes the run's count of procedures (Done of Total) to the display; the message that
  // follows is the cancellation point.
  void Count(int32_t Done, int32_t Total) {
    if (ProgressForm) ProgressForm->SetCount(Done, Total);
  }
  // Lets pending events run without a message (long loops between messages).
  void DoEvents();
  // Lets pending events run, then raises 0x80041068 when Cancelled: a cancellation point
  // without a message, for long work between two messages.
  void Poll();

  // The run's warnings: what it skipped or changed on its own (a procedure left out, a
  // name made valid, a value read leniently). The run goes on; the front end shows them
  // when it ends. A text already recorded is not recorded twice.
  void Warning(std::string Text);
  const std::vector<std::string>& Warnings() const { return warnings_; }

  // The label text for a message: a blank, then the message, cut after 45 characters
  // with " ..." appended when it is longer. Characters are counted in UTF-8, so a cut
  // never splits one.
  static std::string DisplayText(std::string_view Msg);
  // How far a run is, as every display writes it: "12 of 38 procedures".
  static std::string CountText(int32_t Done, int32_t Total);

 private:
  std::vector<std::string> warnings_;
  std::set<std::string> recorded_;
};

}  // namespace pf
