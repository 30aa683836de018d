#include "platform/ado/Utf16.h"

namespace pf::ado::Utf16 {

namespace {
constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}
}  // namespace

std::u16string FromUtf8(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    char32_t c = kReplacement;
    size_t len = 1;
    if (b < 0x80) {
      c = b;
    } else {
      size_t need = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
      if (need && i + need <= s.size()) {
        char32_t v = b & (0x7F >> need);
        bool ok = true;
        for (size_t k = 1; k < need; ++k) {
          const unsigned char n = static_cast<unsigned char>(s[i + k]);
          if ((n & 0xC0) != 0x80) {
            ok = false;
            break;
          }
          v = (v << 6) | (n & 0x3F);
        }
        static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (ok && v >= kMin[need] && v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF)) {
          c = v;
          len = need;
        }
      }
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += len;
  }
  return out;
}

std::string ToUtf8(const char16_t* data, size_t length) {
  std::string out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    char32_t c = data[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && data[i + 1] >= 0xDC00 && data[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (data[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace pf::ado::Utf16
