#pragma once
// The user interface of procforge-cli. Messages go to stderr. A question is answered
// by --yes / --no when one was given (the question and the answer are still shown);
// otherwise it is asked on the terminal, and with no terminal it is answered No, so
// that an unattended run never overwrites anything on its own and never waits.
//
// It counts what it shows, so that the command line can tell when an operation that
// reports failures only as a message (saving a profile, say) has failed.

#include <cstdio>
#include <functional>

#include "shell/ConsoleUserInterface.h"
#include "shell/IUserInterface.h"

namespace pf::cli {

class CliUserInterface : public IUserInterface {
 public:
  // PresetAnswer: vbYes, vbNo, or 0 to ask.
  explicit CliUserInterface(int PresetAnswer, std::FILE* out = stderr, std::FILE* in = stdin);

  int ShowMessage(const std::string& Msg, int Buttons, const std::string& Title) override;
  void CloseSplash() override {}
  void ResetMousePointer() override {}

  // Runs before anything is written, so that a progress line can clear itself first.
  std::function<void()> BeforeOutput;

  // Messages shown so far.
  int MessagesShown() const { return messages_; }

 private:
  int preset_;
  std::FILE* out_;
  ConsoleUserInterface console_;
  int messages_ = 0;
};

}  // namespace pf::cli
