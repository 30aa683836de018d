// Arbitrary text through every entry point of the Visual Basic checker. The first byte picks
// the options and whether the first half of the text is another module of the project.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "vbcheck/VBCheck.h"

using namespace pf;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t flags = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  std::vector<std::string_view> others;
  std::string_view checked = text;
  if (flags & 4) {
    others.push_back(text.substr(0, text.size() / 2));
    checked = text.substr(text.size() / 2);
  }
  const auto findings = CheckVB(checked, others, {.NamesRead = (flags & 1) != 0, .Fragment = (flags & 2) != 0});
  // Findings come ordered by line, and each names a line of the text (CR LF, LF or a lone CR
  // ends one).
  int lines = 1;
  for (size_t i = 0; i < checked.size(); ++i)
    if (checked[i] == '\n' || (checked[i] == '\r' && (i + 1 == checked.size() || checked[i + 1] != '\n'))) ++lines;
  for (size_t i = 0; i < findings.size(); ++i) {
    if (i > 0 && findings[i].Line < findings[i - 1].Line) __builtin_trap();
    if (findings[i].Line < 1 || findings[i].Line > lines) __builtin_trap();
  }
  ModuleLevelNames(text);
  VBLogicalLines(text);
  VBStringLiterals(text);
  VBProcedures(text);
  return 0;
}
