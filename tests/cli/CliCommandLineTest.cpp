// The command line itself: help texts, and what is refused before anything runs.

#include <gtest/gtest.h>

#include "support/ProgramInstall.h"

namespace pftest {
namespace {

TEST(CliCommandLine, HelpOverallAndPerCommandGoesToStdoutWithExitZero) {
  ProgramInstall cli;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--help"}, {"-h"}, {"help"}}) {
    const ProgramResult r = cli.Run(args);
    EXPECT_EQ(r.ExitCode, 0) << args[0];
    for (const char* cmd : {"generate", "list", "test-connection", "configure", "html", "check"})
      EXPECT_NE(r.Out.find(cmd), std::string::npos) << cmd;
    EXPECT_EQ(r.Err, "");
  }
  const std::pair<const char*, const char*> usages[] = {
      {"generate", "Usage: procforge-cli generate [--profile FILE] [--yes | --no]"},
      {"list", "Usage: procforge-cli list [--profile FILE]"},
      {"test-connection", "Usage: procforge-cli test-connection [--profile FILE] [CONNECTION-STRING]"},
      {"configure", "Usage: procforge-cli configure --profile FILE [--new] [--config 0|1|2]"},
      {"html", "Usage: procforge-cli html FILE [-o OUT]"},
      {"check", "Usage: procforge-cli check [--names] FILE..."},
  };
  for (const auto& [cmd, usage] : usages) {
    // --help wins over everything else on the line, even a missing --profile.
    const ProgramResult r = cli.Run({cmd, "--help"});
    EXPECT_EQ(r.ExitCode, 0) << cmd;
    EXPECT_EQ(r.Out.rfind(usage, 0), 0u) << r.Out;
  }
  // Asking for help touches nothing.
  EXPECT_FALSE(std::filesystem::exists(cli.ProgramFile("Procforge.ini")));
}

TEST(CliCommandLine, VersionLine) {
  ProgramInstall cli;
  const ProgramResult r = cli.Run({"--version"});
  EXPECT_EQ(r.ExitCode, 0);
  EXPECT_EQ(r.Out, "procforge-cli Version 2.2 (" PF_VERSION ")\n");
  EXPECT_EQ(r.Err, "");
}

TEST(CliCommandLine, BadCommandLinesExitTwoWithTheReasonOnStderr) {
  ProgramInstall cli;
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{}, "no command given"},
      {{"generat"}, "unknown command 'generat'"},
      {{"list", "--yes"}, "unknown option '--yes' for list"},
      {{"generate", "--yes", "--no"}, "--yes and --no exclude each other"},
      {{"generate", "--profile"}, "option '--profile' needs a value"},
      {{"generate", "--yes=1"}, "option '--yes' takes no value"},
      {{"generate", "extra"}, "unexpected argument 'extra' for generate"},
      {{"test-connection", "DSN=a", "DSN=b"}, "unexpected argument 'DSN=b' for test-connection"},
      {{"configure", "--set", "Code.ClassFile=x"}, "configure needs --profile FILE"},
      {{"configure", "--profile", "p.PFG", "--config", "3"}, "--config takes 0, 1 or 2, not '3'"},
      {{"configure", "--profile", "p.PFG", "--set", "ClassFile=x"}, "--set needs Section.Key=Value"},
      {{"configure", "--profile", "p.PFG", "--set", "Code.ClassFile"}, "--set needs Section.Key=Value"},
      {{"html"}, "html needs the FILE to convert"},
      {{"html", "a.cls", "b.cls"}, "unexpected argument 'b.cls' for html"},
      {{"html", "a.cls", "-o"}, "option '-o' needs a value"},
      {{"html", "a.cls", "--profile", "p.PFG"}, "unknown option '--profile' for html"},
      {{"check"}, "check needs the FILEs to check"},
      {{"check", "--names"}, "check needs the FILEs to check"},
      {{"check", "a.cls", "--strict"}, "unknown option '--strict' for check"},
      {{"list", "--profile", "a.PFG", "--profile=b.PFG"}, "option '--profile' is given more than once"},
      {{"html", "a.cls", "-o", "a.htm", "--output", "b.htm"}, "option '--output' is given more than once"},
  };
  for (const auto& [args, reason] : cases) {
    const ProgramResult r = cli.Run(args);
    EXPECT_EQ(r.ExitCode, 2) << reason;
    EXPECT_NE(r.Err.find(reason), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("Try 'procforge-cli --help'."), std::string::npos);
    EXPECT_EQ(r.Out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(cli.File("p.PFG")));
}

TEST(CliCommandLine, NoCurrentProfileIsAnErrorNotANewProfile) {
  ProgramInstall cli;
  for (const char* cmd : {"generate", "list", "test-connection"}) {
    const ProgramResult r = cli.Run({cmd});
    EXPECT_EQ(r.ExitCode, 1) << cmd;
    EXPECT_NE(r.Err.find("There is no current profile"), std::string::npos) << r.Err;
  }
  EXPECT_FALSE(std::filesystem::exists(cli.ProgramFile("Default.PFG")));
}

TEST(CliCommandLine, MalformedSourceDateEpochIsRefused) {
  ProgramInstall cli;
  for (const char* value : {"", "yesterday", "-5", "12abc"}) {
    const ProgramResult r = cli.Run({"list", "--profile", Sample("mssql/OrderEntry.PFG")}, {{"SOURCE_DATE_EPOCH", value}});
    EXPECT_EQ(r.ExitCode, 1) << value;
    EXPECT_NE(r.Err.find("SOURCE_DATE_EPOCH must be a number of seconds"), std::string::npos) << r.Err;
  }
}

}  // namespace
}  // namespace pftest
