// Feeds arbitrary text through the class-text passes: name patterns, line breaking,
// the final formatting pass and the method collection with its rewrites. Rejected
// patterns raise AppError; anything else escaping, or any memory error, is a finding.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "builder/CMethColl.h"
#include "text/MMethUtils.h"
#include "errors/ErrGuard.h"

using namespace pf;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t flags = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  // The first line is a pattern, the rest the text.
  const size_t nl = text.find('\n');
  const std::string_view pattern = text.substr(0, nl == std::string_view::npos ? text.size() : nl);

  try {
    MMethUtils::uPatternMatch(text, pattern, flags & 1);
  } catch (const AppError&) {
    Faultnet31::Reset();
  }

  int32_t count = 0;
  const std::string broken = MMethUtils::uBreakLine(text, "    ", count, 1 + (flags >> 3), (flags & 2) ? "," : "\"");
  if (count < 1) __builtin_trap();
  std::string again(text.substr(0, 600));
  MMethUtils::uBreakLine22(again, "  ", ",");

  const std::string formatted = MMethUtils::uFormatCode(text);
  if (formatted.find("\r\n\r\n\r\n") != std::string::npos) __builtin_trap();

  CMethColl coll;
  coll.Init(text, flags & 4);
  coll.SetupErrHandlers(flags & 8, flags & 16, flags & 32);
  CMethColl other;
  other.Init(text, !(flags & 4));
  try {
    coll.AddCodeFragment("' fragment", pattern);
  } catch (const AppError&) {
    Faultnet31::Reset();
  }
  coll.OverrideCode(other);
  coll.OverrideCode(coll);
  coll.GetSource();
  coll.GetCommentedPublicList();
  coll.AssembleParamDefs();
  return 0;
}
