#include "shell/ConsoleUserInterface.h"

#include "base/Os.h"

namespace pf {

int ConsoleUserInterface::ShowMessage(const std::string& Msg, int Buttons, const std::string& Title) {
  if (!Title.empty()) std::fprintf(out_, "%s: ", Title.c_str());
  std::fprintf(out_, "%s\n", Msg.c_str());
  if (!IsQuestion(Buttons)) {
    std::fflush(out_);
    return vbOK;
  }
  if (!in_ || !Os::IsTerminal(in_)) {
    std::fprintf(out_, "(no terminal to answer: No)\n");
    std::fflush(out_);
    return vbNo;
  }
  std::fprintf(out_, "[y/N] ");
  std::fflush(out_);
  char line[32] = {};
  if (!std::fgets(line, sizeof line, in_)) return vbNo;
  return line[0] == 'y' || line[0] == 'Y' ? vbYes : vbNo;
}

}  // namespace pf
