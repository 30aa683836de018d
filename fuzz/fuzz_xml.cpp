// Loads arbitrary text as a document and walks every element with the browser's own
// moves, reading attributes and writing the text back out.
#include <cstddef>
#include <cstdint>
#include <string>

#include "errors/AppError.h"
#include "errors/Faultnet31.h"
#include "xml/bwXMLBrowser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pf::Faultnet31::Reset();
  pf::bwXMLBrowser x;
  try {
    if (!x.Load(std::string(reinterpret_cast<const char*>(data), size))) return 0;
  } catch (const pf::AppError&) {
    return 0;
  }
  try {
    // Depth-first over the elements: first child, else next sibling, else climb.
    size_t steps = 0;
    while (steps++ < 100000) {
      for (const pugi::xml_attribute& a : x.Element().attributes()) {
        (void)x.lngAttr(a.name());
        (void)x.dateAttr(a.name());
      }
      (void)x.ElementIndex();
      if (x.MoveToFirstChild()) continue;
      bool moved = false;
      while (!moved) {
        if (x.Element() != x.RootElement() && x.MoveNext()) {
          moved = true;
        } else if (x.Element() == x.RootElement() || !x.POP(1)) {
          break;
        }
      }
      if (!moved) break;
    }
    std::string dups;
    x.POP(0);
    x.FindDuplicates("*", "Name", dups);
    x.FormatDates("Date,LastAccessed", "Dd mmm yyyy, Hh:nn ", true);
    pf::bwXMLBrowser y;
    y.Load(x.xml());
    if (y.xml() != x.xml()) __builtin_trap();  // written text must read back unchanged
  } catch (const pf::AppError&) {
  }
  return 0;
}
