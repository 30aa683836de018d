// Arbitrary bytes as a code library: unscrambled as a scrambled library file is, then
// (the unscrambled text, or the raw bytes when the first byte is even) unpacked into
// blocks, and every block fetched with conditions and a reference table. Application
// errors are the expected outcome of bad input; anything else is a finding.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "codelib/CBlocks.h"
#include "codelib/CTextStream.h"
#include "errors/AppError.h"
#include "errors/Faultnet31.h"

using namespace pf;

namespace {

// Block names as UnpackCode stores them, so the fetch reaches what the input defined.
std::string BlockNamesOf(std::string_view text) {
  std::string names = "SPMethods,,NoSuchBlock";
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    if (line.size() > 8 && line.substr(0, 7) == "'#block" && line[7] == ' ') {
      line.remove_prefix(8);
      names += ',';
      names += line.substr(0, line.find(' '));
    }
    start = end + 2;
  }
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool once = [] {
    CBlocks::MaxResolvedSize = 1 << 20;
    return true;
  }();
  (void)once;
  if (size == 0) return 0;
  const std::string_view raw(reinterpret_cast<const char*>(data) + 1, size - 1);

  const std::string unscrambled = CTextStream::Unscramble(raw);
  if (unscrambled.size() != raw.size()) __builtin_trap();
  const std::string rescrambled = CTextStream::Scramble(unscrambled);
  for (size_t i = 0; i < raw.size(); ++i) {
    if (static_cast<unsigned char>(unscrambled[i]) > 127) __builtin_trap();
    if (rescrambled[i] != static_cast<char>(raw[i] & 127)) __builtin_trap();
  }

  const std::string_view text = (data[0] & 1) ? std::string_view(unscrambled) : raw;
  Faultnet31::Reset();
  CBlocks blocks;
  blocks.Init();
  try {
    blocks.UnpackCode(text);
  } catch (const AppError&) {
    // The table keeps the blocks before the error; fetch those.
  }
  try {
    blocks.AddBlock("Sub A()\r\n  x = XXClassNameXX '#LCond Oracle\r\nEnd Sub\r\n", "SPMethods");
  } catch (const AppError&) {
  }

  CRefValues refs;
  refs.Add("ClassName", "clsDB");
  refs.Add("Empty", "");
  refs.Add("Loop", "XXLoopXX");
  refs.Add("Half", "X");
  const std::string names = BlockNamesOf(text);
  for (const char* conditions : {"", ",Oracle,NonOracle,", "oracle"}) {
    for (size_t start = 0; start <= names.size();) {
      size_t comma = names.find(',', start);
      if (comma == std::string::npos) comma = names.size();
      const std::string name = names.substr(start, comma - start);
      try {
        blocks.GetBlocks(name, conditions, &refs);
      } catch (const AppError&) {
      }
      try {
        blocks.GetBlock(name);
      } catch (const AppError&) {
      }
      start = comma + 1;
    }
  }
  Faultnet31::Reset();
  return 0;
}
