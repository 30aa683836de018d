#include "shell/MOutputCheck.h"

#include <regex>

#include "errors/AppError.h"
#include "platform/FileIO.h"
#include "platform/TextFiles.h"

namespace pf::MOutputCheck {

namespace {

// The lines of a text whatever its line ends: CR LF, LF or a lone CR each end a line.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    out.push_back(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return out;
}

// A line as a report shows it: long lines (a file that is one line) are cut short.
std::string Shown(std::string_view line) {
  constexpr size_t kMaxShown = 200;
  if (line.size() <= kMaxShown) return std::string(line);
  return std::string(line.substr(0, kMaxShown)) + " ... (" + std::to_string(line.size()) + " characters)";
}

// The line with every generation stamp replaced, as the DateTime reference writes it.
std::string WithoutStamps(std::string_view line) {
  static const std::regex stamp(R"(\b\d{2} [A-Za-z]{3} \d{4}, \d{2}:\d{2}\b)");
  return std::regex_replace(std::string(line), stamp, "<date>");
}

bool Same(std::string_view a, std::string_view b) {
  if (a == b) return true;
  // Only lines that carry a stamp pay for the comparison without it.
  return a.size() == b.size() && WithoutStamps(a) == WithoutStamps(b);
}

}  // namespace

std::vector<std::string> Differences(const std::string& FileName, const std::string& Text, size_t MaxLines) {
  std::string disk;
  try {
    disk = FileIO::ReadBytes(FileName);
  } catch (...) {
    return {"cannot be read: " + ToAppError(std::current_exception()).Description};
  }
  std::string wanted;
  try {
    wanted = TextFiles::Encode(Text, "ASCII");
  } catch (...) {
    wanted = Text;
  }
  if (disk == wanted) return {};
  const std::vector<std::string_view> have = Lines(disk), want = Lines(wanted);
  std::vector<std::string> out;
  size_t differing = 0;
  const size_t n = std::max(have.size(), want.size());
  for (size_t i = 0; i < n; ++i) {
    const std::string_view* h = i < have.size() ? &have[i] : nullptr;
    const std::string_view* w = i < want.size() ? &want[i] : nullptr;
    if (h && w && Same(*h, *w)) continue;
    if (++differing > MaxLines) continue;
    std::string line = "line " + std::to_string(i + 1) + ":";
    line += h ? "\n  on disk:  " + Shown(*h) : "\n  on disk:  (no line)";
    line += w ? "\n  this run: " + Shown(*w) : "\n  this run: (no line)";
    out.push_back(std::move(line));
  }
  if (differing > MaxLines) out.push_back("... and " + std::to_string(differing - MaxLines) + " more differing lines");
  return out;
}

}  // namespace pf::MOutputCheck
