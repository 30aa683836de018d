#pragma once
// Passwords inside connection strings must not reach what other people read: heading
// comments of generated files, messages, error reports and logs.

#include <string>
#include <string_view>

namespace pf::Secrets {

// Text with the value of every "Password=" and "Pwd=" key (any case, with or without
// blanks around "=", also as the last word of a longer key such as "Database Password")
// replaced by "***". A value ends at ";", a line break or a quote, or after its closing
// quote or brace when it is quoted or braced. Empty values stay empty; everything else is kept.
std::string Mask(std::string_view text);

// True when the text sets a non-empty Password or Pwd value.
bool HoldsPassword(std::string_view text);

}  // namespace pf::Secrets
