#pragma once
// Whether generated files on disk are what a generation run would write: for build
// servers that keep generated classes under version control.

#include <cstddef>
#include <string>
#include <vector>

namespace pf::MOutputCheck {

// The differences between the file FileName and Text as the generation command writes
// it (the "ASCII" character set), one report line per differing line ("line N:" with
// the text on disk and the text of this run), at most MaxLines and then a count of the
// rest. Lines that differ only in a generation date and time ("06 Dec 2026, 14:03")
// count as equal, so a check passes without a fixed clock. Lines that differ only in their
// line ends (LF on disk where this run writes CR LF) give one line with the first of them
// and their count; a shown line is cut short. Empty when the file agrees; a missing or
// unreadable file gives one line saying so. Never raises.
std::vector<std::string> Differences(const std::string& FileName, const std::string& Text, size_t MaxLines = 10);

}  // namespace pf::MOutputCheck
