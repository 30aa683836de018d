#include "cli/CliOptions.h"

#include <algorithm>
#include <string_view>

#include "shell/IUserInterface.h"

namespace pf::cli {

namespace {

struct CommandDef {
  Command Cmd;
  const char* Name;
  const char* Options;  // the options the command takes, each followed by a blank
  const char* Help;
};

const CommandDef kCommands[] = {
    {Command::Generate, "generate", "--profile --yes --no --strict --check ",
     "Usage: procforge-cli generate [--profile FILE] [--yes | --no] [--strict] [--check]\n"
     "\n"
     "Generates the database class (and, when the profile asks for it, the\n"
     "parameter-definitions module) from the profile's catalogue and writes the\n"
     "files the profile names in Code.ClassFile and Code.ParamDefsFile.\n"
     "\n"
     "  --profile FILE  the profile to use; without it, the current profile\n"
     "                  (the one last saved or opened)\n"
     "  --yes           answer Yes to questions (overwrite an existing file)\n"
     "  --no            answer No to questions\n"
     "  --strict        fail (exit status 1) when the run gives any warning\n"
     "  --check         build as usual but write nothing: exit 0 when the files on\n"
     "                  disk are what this run would write, 1 with the differing\n"
     "                  lines otherwise (lines that only carry the generation date\n"
     "                  and time are not compared)\n"
     "\n"
     "Without --yes or --no, questions are asked on the terminal; with no terminal\n"
     "they are answered No. Progress is shown on stderr; Ctrl-C cancels. On success\n"
     "stdout holds \"Procedures: N\", \"Lines: N\", \"Characters: N\" and the paths\n"
     "written, one per line. What the run skipped or changed on its own (a procedure\n"
     "left out, a name made valid, a profile value read leniently) is printed on\n"
     "stderr as \"warning: \" lines; the files are still written.\n"},
    {Command::List, "list", "--profile ",
     "Usage: procforge-cli list [--profile FILE]\n"
     "\n"
     "Reads the profile's catalogue and prints one line per procedure that passes the\n"
     "filters: its name as the server reports it, a tab, and its method name. Control\n"
     "characters and bytes that are not UTF-8 in a name are shown as escapes (\\n,\n"
     "\\t, \\x1B); what the run left out or changed is printed as \"warning: \" lines.\n"
     "\n"
     "  --profile FILE  the profile to use; without it, the current profile\n"},
    {Command::TestConnection, "test-connection", "--profile --report ",
     "Usage: procforge-cli test-connection [--profile FILE] [--report] [CONNECTION-STRING]\n"
     "\n"
     "Opens a connection with CONNECTION-STRING, or with the profile's Server.ConnPfg\n"
     "when none is given, and closes it again. A CONNECTION-STRING of \"-\" is read from\n"
     "the first line of standard input, so that its password stays out of the process\n"
     "list. What the string asks for that its ODBC driver has no keyword for is printed\n"
     "as \"warning: \" lines.\n"
     "\n"
     "  --profile FILE  the profile whose server type is used; without it, the\n"
     "                  current profile\n"
     "  --report        print a connection report on stdout instead: the ODBC driver and\n"
     "                  connection string (password masked), the driver's and server's\n"
     "                  names and versions, and each catalogue request the extractor\n"
     "                  makes with its row count or error and its time; writes nothing\n"},
    {Command::Configure, "configure", "--profile --new --config --set --set-stdin ",
     "Usage: procforge-cli configure --profile FILE [--new] [--config 0|1|2]\n"
     "                              [--set Section.Key=Value]...\n"
     "                              [--set-stdin Section.Key]...\n"
     "\n"
     "Creates or changes a profile, checks it and saves it; it becomes the current\n"
     "profile.\n"
     "\n"
     "  --profile FILE         the profile file\n"
     "  --new                  create a new profile; FILE must not exist yet, and a\n"
     "                         server type is required: --set Server.SrvrType=N\n"
     "                         (0 Access, 1 SQL Server, 2 Sybase, 3 Oracle,\n"
     "                         4 PostgreSQL)\n"
     "  --config N             apply a predefined configuration: 0 COM+ component,\n"
     "                         1 web pages, 2 desktop application (what --new applies\n"
     "                         when --config is not given)\n"
     "  --set Section.Key=Value\n"
     "                         set one key, after the configuration; repeatable.\n"
     "                         Sections: Server, StoredProc, AddnlFunc, ErrHndl,\n"
     "                         IniOptions, Misc, Code. Keys of Server are set before\n"
     "                         the configuration, so that its server-dependent values\n"
     "                         follow them. Server.PgSchemas names the PostgreSQL\n"
     "                         schemas to read (app, public); empty: the search path\n"
     "  --set-stdin Section.Key\n"
     "                         set one key to the next line of standard input, as\n"
     "                         --set does; a value such as a connection string with\n"
     "                         its password then stays out of the process list\n"
     "\n"
     "Dependent keys are then brought into agreement, as before every generation run.\n"},
    {Command::Html, "html", "-o --output ",
     "Usage: procforge-cli html FILE [-o OUT]\n"
     "\n"
     "Writes the coloured HTML that the wizard's code viewer shows for a Visual Basic\n"
     "class (.cls) or module (.bas): keywords blue, comments green, strings grey, a rule\n"
     "after every procedure. The whole file is converted, its bytes as they are.\n"
     "\n"
     "  -o, --output OUT  write the HTML to OUT (replaced atomically) and print its\n"
     "                    path; without it the HTML goes to stdout\n"},
    {Command::Snapshot, "snapshot", "--profile --output -o ",
     "Usage: procforge-cli snapshot [--profile FILE] -o OUT.db|OUT.sql\n"
     "\n"
     "Captures the catalogue of the profile's server into a catalogue snapshot: the\n"
     "catalogue rows its extractor reads (for Oracle, of the selected packages), the\n"
     "parameters of every procedure, and where and when it was taken (the connection\n"
     "string with its password masked). A profile whose connection string names the\n"
     "snapshot generates the same class as the server.\n"
     "\n"
     "  --profile FILE     the profile to use; without it, the current profile\n"
     "  -o, --output FILE  the snapshot to write: a script when FILE ends in .sql,\n"
     "                     else a SQLite database. It is replaced only when the\n"
     "                     capture is complete.\n"
     "\n"
     "Progress is shown on stderr; Ctrl-C cancels and nothing is written.\n"},
    {Command::Diff, "diff", "--profile ",
     "Usage: procforge-cli diff OLD [NEW] [--profile FILE]\n"
     "\n"
     "Compares two catalogue snapshots, or snapshot OLD with the profile's live\n"
     "catalogue when NEW is not given, and prints one line per change, sorted:\n"
     "procedures added and removed, parameters added, removed or changed (type,\n"
     "direction, size, precision, scale, nullability). A change is marked\n"
     "\"breaking\" when it changes the signature of a generated method under the\n"
     "profile's rules (a removed method included).\n"
     "\n"
     "  --profile FILE  the profile whose server type, filters and naming rules\n"
     "                  apply; without it, the current profile\n"
     "\n"
     "Exit status: 0 nothing breaking, 1 something breaking, 2 a file that is not a\n"
     "snapshot or is one of another server type.\n"},
    {Command::Check, "check", "--names ",
     "Usage: procforge-cli check [--names] FILE...\n"
     "\n"
     "Checks Visual Basic 6 classes (.cls) and modules (.bas) for what stops them from\n"
     "compiling: unbalanced or crossed blocks, bad line continuations and literals,\n"
     "undeclared assignments under Option Explicit, names declared twice, keywords used\n"
     "as names, leftovers of code generation. Prints one line per finding,\n"
     "\"FILE:LINE: message\", and exits with status 1 when there is any.\n"
     "\n"
     "  --names  also require every name a file reads to be declared; the files named\n"
     "           together count as one project, so each may use the others' public\n"
     "           declarations (name Faultnet31.bas beside a generated class)\n"},
};

constexpr const char* kOverview =
    "Usage: procforge-cli COMMAND [OPTIONS]\n"
    "\n"
    "Generates Visual Basic database classes from stored-procedure catalogues.\n"
    "\n"
    "Commands:\n"
    "  generate         generate the class and the parameter-definitions module\n"
    "  list             list the procedures and their method names\n"
    "  test-connection  test a connection string\n"
    "  configure        create or change a profile\n"
    "  html             the code viewer's coloured HTML of a .cls or .bas file\n"
    "  snapshot         capture the profile's catalogue into a snapshot\n"
    "  diff             compare two catalogues, marking breaking changes\n"
    "  check            check Visual Basic 6 files for faults that stop compiling\n"
    "\n"
    "procforge-cli COMMAND --help shows the options of a command;\n"
    "procforge-cli --version shows the version.\n"
    "\n"
    "Exit status: 0 success, 1 failure (the message is on stderr), 2 a command line\n"
    "that cannot be understood or carried out, 130 cancelled with Ctrl-C, 143 ended\n"
    "with SIGTERM.\n"
    "SOURCE_DATE_EPOCH, when set, fixes the generation date and time (UTC).\n";

const CommandDef* FindCommand(std::string_view name) {
  for (const CommandDef& c : kCommands)
    if (name == c.Name) return &c;
  return nullptr;
}

const CommandDef& Def(Command cmd) {
  for (const CommandDef& c : kCommands)
    if (c.Cmd == cmd) return c;
  throw std::logic_error("command without definition");
}

bool Takes(const CommandDef& c, std::string_view option) {
  return std::string_view(c.Options).find(std::string(option) + " ") != std::string_view::npos;
}

KeySetting ParseSetting(const std::string& text) {
  const size_t eq = text.find('=');
  const size_t dot = text.find('.');
  if (eq == std::string::npos || dot == std::string::npos || dot > eq || dot == 0 || dot + 1 == eq)
    throw CliUsageError("--set needs Section.Key=Value, not '" + text + "'");
  return {text.substr(0, dot), text.substr(dot + 1, eq - dot - 1), text.substr(eq + 1)};
}

int ParseConfig(const std::string& text) {
  if (text == "0" || text == "1" || text == "2") return text[0] - '0';
  throw CliUsageError("--config takes 0, 1 or 2, not '" + text + "'");
}

}  // namespace

void ReadStdinValues(CliOptions& o, std::FILE* in) {
  auto next = [in](const std::string& what) {
    std::string line;
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n') line += static_cast<char>(c);
    if (c == EOF && line.empty()) throw CliUsageError("standard input ends before the value of " + what);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  };
  for (KeySetting& k : o.Sets)
    if (k.FromStdin) k.Value = next("--set-stdin " + k.Section + "." + k.Key);
  if (o.Cmd == Command::TestConnection && o.ConnectString == "-") o.ConnectString = next("the connection string");
}

const char* CommandName(Command cmd) { return cmd == Command::None ? "" : Def(cmd).Name; }

std::string HelpText(Command cmd) { return cmd == Command::None ? kOverview : Def(cmd).Help; }

CliOptions ParseCommandLine(int argc, const char* const* argv) {
  CliOptions o;
  if (argc < 2) throw CliUsageError("no command given");
  const std::string first = argv[1];
  if (first == "--help" || first == "-h" || first == "help") {
    o.Help = true;
    return o;
  }
  const CommandDef* cmd = FindCommand(first);
  if (!cmd) throw CliUsageError("unknown command '" + first + "'");
  o.Cmd = cmd->Cmd;

  bool optionsEnded = false;
  std::vector<std::string> given;  // the single-value options seen so far
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      if (o.Cmd == Command::Diff && o.Operands.size() < 2) {
        o.Operands.push_back(arg);
        continue;
      }
      if (o.Cmd == Command::Check) {
        o.CheckFiles.push_back(arg);
        continue;
      }
      // The one argument a command takes besides its options.
      std::optional<std::string>* operand = o.Cmd == Command::TestConnection ? &o.ConnectString
                                            : o.Cmd == Command::Html         ? &o.InputFile
                                                                             : nullptr;
      if (!operand || *operand) throw CliUsageError(std::string("unexpected argument '") + arg + "' for " + cmd->Name);
      *operand = arg;
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      o.Help = true;
      continue;
    }
    std::optional<std::string> inlineValue;
    if (const size_t eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
      inlineValue = arg.substr(eq + 1);
      arg.resize(eq);
    }
    if (!Takes(*cmd, arg)) throw CliUsageError("unknown option '" + arg + "' for " + cmd->Name);
    const bool needsValue = arg == "--profile" || arg == "--config" || arg == "--set" || arg == "--set-stdin" ||
                            arg == "-o" || arg == "--output";
    if (!needsValue && inlineValue) throw CliUsageError("option '" + arg + "' takes no value");
    std::string value;
    if (needsValue) {
      if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < argc) {
        value = argv[++i];
      } else {
        throw CliUsageError("option '" + arg + "' needs a value");
      }
    }
    // An option that holds one value is given once: a second one would silently win.
    if (needsValue && arg != "--set" && arg != "--set-stdin") {
      const std::string canonical = arg == "-o" ? "--output" : arg;
      if (std::find(given.begin(), given.end(), canonical) != given.end())
        throw CliUsageError("option '" + arg + "' is given more than once");
      given.push_back(canonical);
    }
    if (arg == "--profile") {
      if (value.empty()) throw CliUsageError("--profile needs a file name");
      o.Profile = value;
    } else if (arg == "--yes" || arg == "--no") {
      const int answer = arg == "--yes" ? vbYes : vbNo;
      if (o.Answer != 0 && o.Answer != answer) throw CliUsageError("--yes and --no exclude each other");
      o.Answer = answer;
    } else if (arg == "--names") {
      o.CheckNames = true;
    } else if (arg == "--strict") {
      o.Strict = true;
    } else if (arg == "--report") {
      o.Report = true;
    } else if (arg == "--check") {
      o.Check = true;
    } else if (arg == "--new") {
      o.New = true;
    } else if (arg == "--config") {
      o.Config = ParseConfig(value);
    } else if (arg == "--set") {
      o.Sets.push_back(ParseSetting(value));
    } else if (arg == "--set-stdin") {
      KeySetting k = ParseSetting(value + "=");
      if (value.find('=') != std::string::npos)
        throw CliUsageError("--set-stdin needs Section.Key, not '" + value + "'");
      k.FromStdin = true;
      o.Sets.push_back(std::move(k));
    } else if (arg == "-o" || arg == "--output") {
      if (value.empty()) throw CliUsageError(arg + " needs a file name");
      o.OutputFile = value;
    }
  }
  if (o.Cmd == Command::Configure && !o.Profile && !o.Help) throw CliUsageError("configure needs --profile FILE");
  if (o.Cmd == Command::Html && !o.InputFile && !o.Help) throw CliUsageError("html needs the FILE to convert");
  if (o.Cmd == Command::Snapshot && !o.OutputFile && !o.Help) throw CliUsageError("snapshot needs -o FILE");
  if (o.Cmd == Command::Diff && o.Operands.empty() && !o.Help) throw CliUsageError("diff needs the snapshot OLD");
  if (o.Cmd == Command::Check && o.CheckFiles.empty() && !o.Help) throw CliUsageError("check needs the FILEs to check");
  return o;
}

}  // namespace pf::cli
