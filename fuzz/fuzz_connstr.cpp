// Arbitrary text as a connection string: parsed, written back in the ODBC form and
// parsed again (the pairs must survive), and translated. Provider errors are the
// expected outcome of bad input; anything else is a finding. Strings naming a data
// link file are not translated, so the fuzzer never reads files.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/NoCase.h"
#include "platform/ado/ConnStr.h"
#include "platform/ado/Provider.h"
#include "platform/ado/Utf16.h"

using namespace pf::ado;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const ConnStr::Pairs pairs = ConnStr::Parse(text);
  const ConnStr::Pairs again = ConnStr::Parse(ConnStr::Compose(pairs));
  if (again.size() != pairs.size()) std::abort();
  for (size_t i = 0; i < pairs.size(); ++i)
    if (again[i].Key != pairs[i].Key || again[i].Value != pairs[i].Value) std::abort();

  // Valid UTF-8 survives the trip through UTF-16.
  const std::u16string wide = Utf16::FromUtf8(text);
  if (wide.find(u'\xFFFD') == std::u16string::npos && Utf16::ToUtf8(wide) != text) std::abort();

  if (pf::NoCase::Lower(text).find("file name") != std::string::npos) return 0;
  try {
    ConnStr::Translate(text, [](std::string_view) { return std::string(); });
  } catch (const ProviderError&) {
  }
  return 0;
}
