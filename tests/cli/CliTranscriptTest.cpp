// Sessions of procforge-cli written down in tests/data/cli/*.txt, each run in a private
// installation with a working folder of its own. A line is a command and what follows it:
//   $ [NAME=VALUE...] ARG...   runs the program (arguments as C++ quoted strings)
//   exit N                     the exit status of the last run
//   out TEXT / err TEXT        stdout / stderr is TEXT; out~ err~ hold it; out! err! do not;
//   outfile FILE               stdout is FILE's bytes
//   has FILE TEXT, exists FILE, missing FILE, mode FILE OCTAL
//   count FILE N TEXT          TEXT occurs N times in FILE
//   keep FILE / kept FILE      remembers FILE's bytes / they are unchanged
//   equal FILE OTHER           the two files hold the same bytes
//   write FILE TEXT, append FILE TEXT, repeat FILE N TEXT, replace FILE OLD => NEW (the
//   first; replace-all: every one), copy PATH FILE, remove FILE, mkdir FILE, fifo FILE,
//   link TARGET FILE, chmod FILE OCTAL, cd PATH, stdout FILE (the next run's stdout goes to
//   FILE, /dev/full say), stdin FILE (the next run reads FILE on stdin, not /dev/null)
// TEXT takes the escapes \r \n \t \\ \xHH; {W} is the working folder, {SRC} the source
// tree, {PROG} the program's folder, {VERSION} the version. A file's text is read without NUL
// bytes, so the UTF-16 state file reads as its ASCII.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <iomanip>
#include <map>
#include <sstream>

#include "support/ProgramInstall.h"

namespace pftest {
namespace {

namespace fs = std::filesystem;

class Session {
 public:
  Session() : work_(cli_.File("w")), cwd_(work_) { fs::create_directories(work_); }

  void Line(const ScriptLine& l) {
    if (l.Verb == "$") return Run(l.Rest);
    const std::string& first = l.Name;
    const std::string text = Expand(l.Arg), all = Expand(l.Rest), file = Path(first);
    const Steps steps = {
        {"exit", [&] { EXPECT_EQ(last_.ExitCode, std::stoi(l.Rest)) << last_.Err; }},
        {"out", [&] { EXPECT_EQ(last_.Out, all); }},
        {"err", [&] { EXPECT_EQ(last_.Err, all); }},
        {"out~", [&] { EXPECT_TRUE(Has(last_.Out, all)) << last_.Out; }},
        {"outfile", [&] { EXPECT_EQ(last_.Out, ReadAll(file)); }},
        {"err~", [&] { EXPECT_TRUE(Has(last_.Err, all)) << last_.Err; }},
        {"out!", [&] { EXPECT_FALSE(Has(last_.Out, all)) << last_.Out; }},
        {"err!", [&] { EXPECT_FALSE(Has(last_.Err, all)) << last_.Err; }},
        {"has", [&] { EXPECT_TRUE(Has(Text(file), text)) << Text(file); }},
        {"exists", [&] { EXPECT_TRUE(fs::exists(file)); }},
        {"missing", [&] { EXPECT_FALSE(fs::exists(fs::symlink_status(file))); }},
        {"mode",
         [&] { EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms(std::stoi(text, nullptr, 8))); }},
        {"count", [&] { Count(file, text); }},
        {"keep", [&] { kept_[file] = ReadAll(file); }},
        {"kept", [&] { EXPECT_EQ(ReadAll(file), kept_[file]); }},
        {"write", [&] { WriteAll(file, text); }},
        {"append", [&] { WriteAll(file, ReadAll(file) + text); }},
        {"replace", [&] { Replace(file, text, false); }},
        {"replace-all", [&] { Replace(file, text, true); }},
        {"repeat", [&] { WriteAll(file, Repeat(text)); }},
        {"remove", [&] { fs::remove(file); }},
        {"equal", [&] { EXPECT_EQ(ReadAll(file), ReadAll(Path(text))) << text; }},
        {"copy", [&] { fs::copy_file(file, Path(text), fs::copy_options::overwrite_existing); }},
        {"mkdir", [&] { fs::create_directories(file); }},
        {"chmod", [&] { fs::permissions(file, fs::perms(std::stoi(text, nullptr, 8))); }},
        {"fifo", [&] { ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0); }},
        {"link", [&] { fs::create_symlink(first, Path(text)); }},
        {"cd", [&] { cwd_ = file; }},
        {"stdout", [&] { cli_.StdoutTo = file; }},
        {"stdin", [&] { cli_.StdinFrom = file; }},
    };
    RunStep(steps, l.Verb);
  }

 private:
  std::string Expand(const std::string& s) const {
    return pftest::Expand(s, {{"{W}", work_},
                              {"{SRC}", PF_SOURCE_DIR},
                              {"{PROG}", fs::path(cli_.ProgramFile("x")).parent_path().string()},
                              {"{VERSION}", PF_VERSION}});
  }
  std::string Path(const std::string& name) const {
    const std::string p = Expand(name);
    return p.empty() || p[0] == '/' ? p : work_ + "/" + p;
  }
  static std::string Text(const std::string& file) {
    std::string text = ReadAll(file);
    std::erase(text, '\0');
    return text;
  }
  void Count(const std::string& file, const std::string& rest) {
    const std::string text = Text(file), part = rest.substr(rest.find(' ') + 1);
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    EXPECT_EQ(n, std::stoul(rest)) << part << "\n" << text;
  }
  void Replace(const std::string& file, const std::string& fromTo, bool all) {
    const std::string content = ReadAll(file);
    const std::string from = fromTo.substr(0, fromTo.find(" => ")), to = fromTo.substr(fromTo.find(" => ") + 4);
    ASSERT_NE(content.find(from), std::string::npos) << from;
    WriteAll(file,
             all ? ReplaceAll(content, from, to) : std::string(content).replace(content.find(from), from.size(), to));
  }
  static std::string Repeat(const std::string& countText) {
    std::string out;
    for (int i = std::stoi(countText); i > 0; --i) out += countText.substr(countText.find(' ') + 1);
    return out;
  }
  void Run(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> args;
    std::map<std::string, std::string> env;
    for (std::string word; in >> std::quoted(word);) {
      word = Expand(word);
      const size_t eq = word.find('=');
      if (args.empty() && eq != std::string::npos && word.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_") == eq)
        env[word.substr(0, eq)] = word.substr(eq + 1);
      else
        args.push_back(word);
    }
    last_ = cli_.Run(args, env, cwd_);
    cli_.StdoutTo.clear();
    cli_.StdinFrom.clear();
  }

  ProgramInstall cli_;
  std::string work_, cwd_;
  ProgramResult last_;
  std::map<std::string, std::string> kept_;
};

TEST(CliTranscript, EverySessionOfTheDataFolder) {
  const std::vector<std::string> files = DataFiles("cli");
  ASSERT_FALSE(files.empty());
  for (const std::string& f : files) {
    Session session;
    RunScript("cli/" + f, [&](const ScriptLine& l) { session.Line(l); });
  }
}

}  // namespace
}  // namespace pftest
