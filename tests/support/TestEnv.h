#pragma once
// Helpers shared by all test executables.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "errors/AppError.h"

namespace pftest {

// Fixes the clock, the computer name and the program folder so reports are reproducible.
void InstallTestEnvironment();

// The fixed "now" of the tests: 6 Dec 2026 14:03:05 local time.
constexpr const char* kFixedReportTime = "12/06/26 14:03:05";

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

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& content);

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

// The first line of a text (of an error description: the message without the report
// lines), without trailing blanks.
std::string FirstLine(const std::string& text);

}  // namespace pftest
