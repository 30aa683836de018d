// procforge-cli: the command-line front end. Parses the command line, then runs one
// command inside a CliSession, whose error path is the only one.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "base/Os.h"
#include "base/Version.h"

#include "cli/CliCommands.h"
#include "cli/CliOptions.h"
#include "cli/CliSession.h"
#include "platform/Heap.h"

namespace {

int Dispatch(pf::cli::CliSession& session) {
  using pf::cli::Command;
  switch (session.Options().Cmd) {
    case Command::Generate:
      return pf::cli::RunGenerate(session);
    case Command::List:
      return pf::cli::RunList(session);
    case Command::TestConnection:
      return pf::cli::RunTestConnection(session);
    case Command::Configure:
      return pf::cli::RunConfigure(session);
    case Command::Html:
      return pf::cli::RunHtml(session);
    case Command::Snapshot:
      return pf::cli::RunSnapshot(session);
    case Command::Diff:
      return pf::cli::RunDiff(session);
    case Command::Check:
      return pf::cli::RunCheck(session);
    case Command::None:
      break;
  }
  return 2;
}

int Main(int argc, char** argv) {
  pf::cli::CliOptions options;
  if (argc == 2 && (std::string_view(argv[1]) == "--version" || std::string_view(argv[1]) == "-V")) {
    pf::cli::Print("procforge-cli " + pf::VersionLine() + "\n");
    return 0;
  }
  try {
    options = pf::cli::ParseCommandLine(argc, argv);
    if (!options.Help) pf::cli::ReadStdinValues(options, stdin);
  } catch (const pf::cli::CliUsageError& e) {
    std::fprintf(stderr, "procforge-cli: %s\nTry 'procforge-cli --help'.\n", e.what());
    return 2;
  }
  if (options.Help) {
    pf::cli::Print(pf::cli::HelpText(options.Cmd));
    return 0;
  }
  pf::cli::CliSession session(options);
  return session.Run([&session] { return Dispatch(session); });
}

}  // namespace

int main(int argc, char** argv) {
  pf::Heap::Prepare();
  const std::vector<std::string> arguments = pf::Os::StartProgram(argc, argv);
  std::vector<char*> argp;
  for (const std::string& a : arguments) argp.push_back(const_cast<char*>(a.c_str()));
  argp.push_back(nullptr);
  return pf::cli::FinishOutput(Main(static_cast<int>(arguments.size()), argp.data()));
}
