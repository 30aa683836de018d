#pragma once
// Helpers shared by all test executables.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "errors/AppError.h"

namespace pftest {

// Fixes the clock (at 6 Dec 2026 14:03:05 UTC), the computer name and the program folder so reports are reproducible.
void InstallTestEnvironment();

// Ends the executable, with the test's name and every thread's stack, when one test runs
// longer than PF_TEST_LIMIT_SECONDS (300 by default).
void InstallTestWatchdog();

// A fresh temporary folder, removed with its contents when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Sets an environment variable for the object's lifetime, then restores or removes it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) saved_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (had_) setenv(name_, saved_.c_str(), 1);
    else unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::string saved_;
  bool had_ = false;
};

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& content);

// True when Text holds Part.
inline bool Has(std::string_view Text, std::string_view Part) { return Text.find(Part) != std::string_view::npos; }

// Text with "\n" line ends turned into CR LF.
std::string CrLf(const std::string& text);

// Runs f and returns the error it raised; fails the test when nothing was raised.
template <class F>
pf::AppError Raised(F&& f) {
  try {
    f();
  } catch (const pf::AppError& e) {
    return e;
  }
  ADD_FAILURE() << "no error raised";
  return {};
}

// Runs f and returns the error it raised; fails the test when nothing was raised or when the
// error's description lacks one of Parts.
template <class F>
pf::AppError ExpectFailure(F&& f, std::initializer_list<std::string> Parts) {
  const pf::AppError e = Raised(f);
  for (const std::string& p : Parts) EXPECT_TRUE(Has(e.Description, p)) << p << "\n" << e.Description;
  return e;
}

// The repository's copy of a sample file, by its path under samples/.
inline std::string Sample(const std::string& Rel) { return std::string(PF_SOURCE_DIR) + "/samples/" + Rel; }
// The lines of tests/data/<Rel> that are neither blank nor comments ("#" first).
std::vector<std::string> DataLines(const std::string& Rel);
// Text with the escapes \r, \n, \t, \\ and \xHH of a data file turned into their characters.
std::string Unescape(const std::string& text);
// Text with every From replaced by To.
std::string ReplaceAll(std::string text, const std::string& From, const std::string& To);
// Text of a data file as meant: each placeholder of Names replaced by its value, then unescaped.
std::string Expand(std::string text, const std::map<std::string, std::string>& Names);
// The fields of a data line separated by " | ", each unescaped.
std::vector<std::string> Fields(const std::string& line);

// The sorted names of the files in the folder tests/data/<Rel>.
std::vector<std::string> DataFiles(const std::string& Rel);
// A line of a scripted session: its first word (Verb), the rest after the blanks that follow,
// the rest's first word (Name) and what follows that word and one blank (Arg).
struct ScriptLine {
  explicit ScriptLine(const std::string& line);
  std::string Verb, Rest, Name, Arg;
};
using Steps = std::map<std::string, std::function<void()>>;
// Runs the step of Verb; a verb without one fails the script.
void RunStep(const Steps& steps, const std::string& Verb);
// Runs Step on each line of tests/data/<Rel>, the line in the trace, until a fatal failure.
void RunScript(const std::string& Rel, const std::function<void(const ScriptLine&)>& Step);

// The first line of a text (of an error description: the message without the report
// lines), without trailing blanks.
std::string FirstLine(const std::string& text);

// Connection strings of the samples, the README and the usual ODBC forms, from
// tests/data/ado/conn-strings.txt.
const std::vector<std::string>& SampleConnStrings();

}  // namespace pftest
