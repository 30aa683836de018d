#pragma once
// How a connection string's value is read: the one reading shared by the connection-string
// parser and the masking of passwords, so that what is masked is exactly what a driver
// would receive as the value.

#include <cstddef>
#include <string>
#include <string_view>

namespace pf::ConnStrValue {

// Reads the value that begins at `pos` (just after the "=" of its pair). Blanks and tabs
// before it are skipped. A value quoted with " or ', or braced with { }, ends at its closing
// character (a doubled closing character stands for one), and anything after it up to the
// next ";" belongs to the pair but is dropped; a plain value runs to the next ";" and is
// trimmed of white space. Returns where the pair ends: the position of that ";" or the end
// of `text`. `value` (when given) receives the value; `begin` and `end` (when given) the
// part of `text` that the value occupies, quotes and anything dropped included, trailing
// blanks of a plain value excluded.
size_t Read(std::string_view text, size_t pos, std::string* value, size_t* begin = nullptr, size_t* end = nullptr);

}  // namespace pf::ConnStrValue
