#pragma once
// Golden files: whole generated texts compared byte for byte with checked-in files under
// tests/data/golden. Running a test with PF_REGEN_GOLDEN=1 in the environment writes the
// actual text instead (scripts/regen-golden.sh does that for every test); review the diff
// before committing it.

#include <string>

namespace pftest {

// The folder of the checked-in golden files.
std::string GoldenDir();

// Compares Actual with GoldenDir()/RelPath (a missing file fails). In regeneration mode
// writes Actual there, creating folders, and passes.
void ExpectGolden(const std::string& RelPath, const std::string& Actual);

}  // namespace pftest
