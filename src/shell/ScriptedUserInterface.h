#pragma once
// A user interface that records what it is shown and answers Yes/No questions from a
// queue, for tests of everything that talks to the user.

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "shell/IUserInterface.h"

namespace pf {

class ScriptedUserInterface : public IUserInterface {
 public:
  struct Shown {
    std::string Msg;
    int Buttons;
    std::string Title;
  };

  void QueueAnswer(int button) { Answers.push_back(button); }

  // An OK-only message needs no answer; a question without a queued answer throws
  // std::logic_error, so a test notices a question it did not expect.
  int ShowMessage(const std::string& Msg, int Buttons, const std::string& Title) override {
    Messages.push_back({Msg, Buttons, Title});
    if (!IsQuestion(Buttons)) return vbOK;
    if (Answers.empty()) throw std::logic_error("No answer queued for the question: " + Msg);
    const int answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  void CloseSplash() override { ++SplashCloses; }
  void ResetMousePointer() override { ++PointerResets; }

  std::vector<Shown> Messages;
  std::deque<int> Answers;
  int SplashCloses = 0;
  int PointerResets = 0;
};

}  // namespace pf
