#include "Golden.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "TestEnv.h"

namespace pftest {

namespace {

bool Regenerating() {
  const char* v = std::getenv("PF_REGEN_GOLDEN");
  return v && std::string(v) == "1";
}

// The first line where two texts differ, 1-based, for a readable failure.
size_t FirstDifferentLine(const std::string& a, const std::string& b) {
  return 1 + std::count(a.begin(), std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first, '\n');
}

}  // namespace

std::string GoldenDir() { return std::string(PF_SOURCE_DIR) + "/tests/data/golden"; }

void ExpectGolden(const std::string& RelPath, const std::string& Actual) {
  const std::filesystem::path path = std::filesystem::path(GoldenDir()) / RelPath;
  if (Regenerating()) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << Actual;
    return;
  }
  if (!std::filesystem::exists(path)) {
    ADD_FAILURE() << "missing golden file " << path << " (run scripts/regen-golden.sh)";
    return;
  }
  const std::string expected = ReadAll(path.string());
  if (expected != Actual)
    ADD_FAILURE() << "generated text differs from " << path << " from line "
                  << FirstDifferentLine(expected, Actual) << " (expected " << expected.size()
                  << " bytes, got " << Actual.size() << ")";
}

}  // namespace pftest
