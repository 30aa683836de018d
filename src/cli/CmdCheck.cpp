#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/CliSession.h"
#include "errors/AppError.h"
#include "vbcheck/VBCheck.h"

namespace pf::cli {

int RunCheck(CliSession& Session) {
  const CliOptions& o = Session.Options();
  // Every file is read before any is checked: with --names each is checked against the others.
  std::vector<std::string> texts;
  texts.reserve(o.CheckFiles.size());
  // A file that cannot be used is a command line that cannot be carried out, not a finding.
  for (const std::string& file : o.CheckFiles) {
    try {
      texts.push_back(CliSession::ReadInput(file));
    } catch (const AppError& e) {
      std::fprintf(stderr, "procforge-cli: %s\n", e.Description.c_str());
      return 2;
    }
  }
  int status = 0;
  for (size_t i = 0; i < texts.size(); ++i) {
    std::vector<std::string_view> others;
    if (o.CheckNames)
      for (size_t j = 0; j < texts.size(); ++j)
        if (j != i) others.emplace_back(texts[j]);
    for (const VBFinding& f : CheckVB(texts[i], others, {.NamesRead = o.CheckNames})) {
      Print(o.CheckFiles[i] + ":" + std::to_string(f.Line) + ": " + f.Message + "\n");
      status = 1;
    }
  }
  return status;
}

}  // namespace pf::cli
