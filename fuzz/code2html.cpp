// Feeds arbitrary text (any bytes, unbalanced quotes, lone CR or LF, very long lines)
// through the viewer's colouring. The one-pass conversion must give exactly the bytes of
// the pass-by-pass definition, with and without procedure rules; a difference, an error
// or a memory fault is a finding.

#include <cstddef>
#include <cstdint>
#include <string>

#include "shell/MCode2HTML.h"

using namespace pf;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 16)) return 0;
  const bool delims = data[0] & 1;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string onePass;
  MCode2HTML::VBCodeToHTML(text, onePass, true, delims);
  if (onePass != MCode2HTML::VBCodeToHTMLByPasses(text, delims)) __builtin_trap();
  return 0;
}
