#pragma once
// The program's one source of "now". Tests fix it so that reports and generated
// headers are reproducible; the command-line front end honours SOURCE_DATE_EPOCH.

#include <ctime>
#include <optional>

namespace pf::Clock {

std::time_t Now();
// Fixes Now() to `t`; std::nullopt returns to the system clock.
void SetFixed(std::optional<std::time_t> t);

}  // namespace pf::Clock
