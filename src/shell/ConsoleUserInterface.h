#pragma once
// The console as user interface: messages go to the error stream; a question is asked
// on the terminal when there is one and answered No otherwise, so that an unattended
// run never overwrites or discards anything on its own.

#include <cstdio>
#include <string>

#include "shell/IUserInterface.h"

namespace pf {

class ConsoleUserInterface : public IUserInterface {
 public:
  explicit ConsoleUserInterface(std::FILE* out = stderr, std::FILE* in = stdin) : out_(out), in_(in) {}
  int ShowMessage(const std::string& Msg, int Buttons, const std::string& Title) override;
  void CloseSplash() override {}
  void ResetMousePointer() override {}

 private:
  std::FILE* out_;
  std::FILE* in_;
};

}  // namespace pf
