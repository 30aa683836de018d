#include "support/TestEnv.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "errors/Faultnet31.h"
#include "base/AppPaths.h"
#include "base/Clock.h"

namespace pftest {

namespace fs = std::filesystem;

void InstallTestEnvironment() {
  setenv("TZ", "UTC", 1);
  tzset();
  std::tm tm{};
  tm.tm_sec = 5;
  tm.tm_min = 3;
  tm.tm_hour = 14;
  tm.tm_mday = 6;
  tm.tm_mon = 11;
  tm.tm_year = 2026 - 1900;
  pf::Clock::SetFixed(timegm(&tm));
  pf::ErrEnvironment& env = pf::Faultnet31::Environment();
  env.AppVersion = "1.0.0";
  env.ComputerName = [] { return std::string("TESTPC"); };
  env.ADOVersion = [] { return std::string("2.8"); };
  InstallTestWatchdog();
}

TempDir::TempDir() {
  std::string tmpl = (fs::temp_directory_path() / "pftest-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("cannot create a temporary folder");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteAll(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::string CrLf(const std::string& text) { return ReplaceAll(text, "\n", "\r\n"); }

std::vector<std::string> DataLines(const std::string& Rel) {
  std::ifstream in(std::string(PF_SOURCE_DIR) + "/tests/data/" + Rel);
  EXPECT_TRUE(in.is_open()) << Rel;
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  return lines;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char c = text[++i];
    if (c == 'x' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
    }
  }
  return out;
}

std::string ReplaceAll(std::string text, const std::string& From, const std::string& To) {
  for (size_t at = text.find(From); at != std::string::npos; at = text.find(From, at + To.size()))
    text.replace(at, From.size(), To);
  return text;
}

std::string Expand(std::string text, const std::map<std::string, std::string>& Names) {
  for (const auto& [from, to] : Names) text = ReplaceAll(text, from, to);
  return Unescape(text);
}

std::vector<std::string> DataFiles(const std::string& Rel) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(std::string(PF_SOURCE_DIR) + "/tests/data/" + Rel))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

ScriptLine::ScriptLine(const std::string& line) : Verb(line.substr(0, line.find(' '))) {
  const size_t rest = line.find_first_not_of(' ', Verb.size());
  Rest = rest == std::string::npos ? "" : line.substr(rest);
  Name = Rest.substr(0, Rest.find(' '));
  Arg = Rest.find(' ') == std::string::npos ? "" : Rest.substr(Rest.find(' ') + 1);
}

void RunStep(const Steps& steps, const std::string& Verb) {
  ASSERT_TRUE(steps.contains(Verb)) << "unknown step " << Verb;
  steps.at(Verb)();
}

void RunScript(const std::string& Rel, const std::function<void(const ScriptLine&)>& Step) {
  for (const std::string& line : DataLines(Rel)) {
    SCOPED_TRACE(Rel + ": " + line);
    Step(ScriptLine(line));
    if (::testing::Test::HasFatalFailure()) return;
  }
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  size_t from = 0;
  // " |" at the end of the line leaves an empty last field.
  const std::string text = line.ends_with(" |") ? line + " " : line;
  for (size_t bar; (bar = text.find(" | ", from)) != std::string::npos; from = bar + 3)
    fields.push_back(Unescape(text.substr(from, bar - from)));
  fields.push_back(Unescape(text.substr(from)));
  return fields;
}

const std::vector<std::string>& SampleConnStrings() {
  static const std::vector<std::string> strings = DataLines("ado/conn-strings.txt");
  return strings;
}

std::string FirstLine(const std::string& text) {
  std::string line = text.substr(0, text.find_first_of("\r\n"));
  line.erase(line.find_last_not_of(' ') + 1);
  return line;
}

}  // namespace pftest
