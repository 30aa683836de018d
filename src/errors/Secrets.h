#pragma once
// Passwords inside connection strings must not reach what other people read: heading
// comments of generated files, messages, error reports and logs.

#include <string>
#include <string_view>

namespace pf::Secrets {

// Text with the value of every "Password=" and "Pwd=" key (any case, with or without
// blanks around "=", also as the last word of a longer key such as "Database Password")
// replaced by "***". The value is masked whole, as the connection-string parser reads it
// (ConnStrValue::Read: quoted and braced values, and anything the parser drops after them,
// up to the next ";"), within its line. Empty values stay empty; everything else is kept.
std::string Mask(std::string_view text);

// The real text behind `shown`, a text the user edited starting from Mask(original): a
// password value that still reads "***" gets back the value it masked (the value of the
// same key in `original`, the n-th pair of a key standing for its n-th pair there); a value
// typed in its place, and everything else, stands as shown. Unmask(Mask(t), t) == t.
std::string Unmask(std::string_view shown, std::string_view original);

// True when the text sets a non-empty Password or Pwd value.
bool HoldsPassword(std::string_view text);

}  // namespace pf::Secrets
