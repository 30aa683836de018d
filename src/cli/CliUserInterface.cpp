#include "cli/CliUserInterface.h"

namespace pf::cli {

CliUserInterface::CliUserInterface(int PresetAnswer, std::FILE* out, std::FILE* in)
    : preset_(PresetAnswer), out_(out), console_(out, in) {}

int CliUserInterface::ShowMessage(const std::string& Msg, int Buttons, const std::string& Title) {
  if (BeforeOutput) BeforeOutput();
  ++messages_;
  if (!IsQuestion(Buttons) || preset_ == 0) return console_.ShowMessage(Msg, Buttons, Title);
  std::fprintf(out_, "%s%s%s\n", Title.c_str(), Title.empty() ? "" : ": ", Msg.c_str());
  std::fprintf(out_, "(answered %s by %s)\n", preset_ == vbYes ? "Yes" : "No", preset_ == vbYes ? "--yes" : "--no");
  std::fflush(out_);
  return preset_;
}

}  // namespace pf::cli
