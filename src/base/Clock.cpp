#include "base/Clock.h"

namespace pf::Clock {

namespace {
std::optional<std::time_t>& Fixed() {
  static std::optional<std::time_t> fixed;
  return fixed;
}
}  // namespace

std::time_t Now() { return Fixed() ? *Fixed() : std::time(nullptr); }

void SetFixed(std::optional<std::time_t> t) { Fixed() = t; }

}  // namespace pf::Clock
