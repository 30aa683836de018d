#include "shell/MOutputCheck.h"

#include <regex>

#include "errors/AppError.h"
#include "platform/FileIO.h"
#include "platform/TextFiles.h"

namespace pf::MOutputCheck {

namespace {

// A line and the line end after it ("\r\n", "\n", "\r"; empty for the last line).
struct Line {
  std::string_view Text, End;
};

// The lines of a text whatever its line ends: CR LF, LF or a lone CR each end a line.
std::vector<Line> Lines(std::string_view text) {
  std::vector<Line> out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    const size_t next = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    out.push_back({text.substr(start, end - start), text.substr(end, next - end)});
    start = next;
  }
  return out;
}

std::string EndName(std::string_view end) {
  return end == "\r\n" ? "CR LF" : end == "\n" ? "LF" : end == "\r" ? "CR" : "no line end";
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
  const std::vector<Line> have = Lines(disk), want = Lines(wanted);
  std::vector<std::string> out;
  size_t differing = 0;
  // Lines that differ only in their line end: Visual Basic reads a class only with CR LF,
  // so they are a difference too, reported once with the first of them.
  size_t endsOnly = 0, firstEnd = 0;
  const size_t n = std::max(have.size(), want.size());
  for (size_t i = 0; i < n; ++i) {
    const Line* h = i < have.size() ? &have[i] : nullptr;
    const Line* w = i < want.size() ? &want[i] : nullptr;
    if (h && w && Same(h->Text, w->Text)) {
      if (h->End != w->End && endsOnly++ == 0) firstEnd = i;
      continue;
    }
    if (++differing > MaxLines) continue;
    std::string line = "line " + std::to_string(i + 1) + ":";
    line += h ? "\n  on disk:  " + Shown(h->Text) : "\n  on disk:  (no line)";
    line += w ? "\n  this run: " + Shown(w->Text) : "\n  this run: (no line)";
    out.push_back(std::move(line));
  }
  if (endsOnly)
    out.push_back("line " + std::to_string(firstEnd + 1) + ": ends in " + EndName(have[firstEnd].End) +
                  " on disk, in " + EndName(want[firstEnd].End) + " in this run (" + std::to_string(endsOnly) +
                  (endsOnly == 1 ? " line differs" : " lines differ") + " only in the line end)");
  if (differing > MaxLines) out.push_back("... and " + std::to_string(differing - MaxLines) + " more differing lines");
  return out;
}

}  // namespace pf::MOutputCheck
