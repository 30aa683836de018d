#include "platform/TextFiles.h"

#include <cstdint>

#include "errors/AppError.h"
#include "platform/FileIO.h"
#include "base/NoCase.h"
#include "base/Utf8.h"
#include "platform/ado/Utf16.h"

namespace pf::TextFiles {

namespace {

enum class Charset { Ascii, Utf8, Utf16Le, Utf16Be, Latin1, Cp1252, Detect };

Charset Lookup(std::string_view name, bool reading) {
  static constexpr std::pair<std::string_view, Charset> kNames[] = {
      {"ascii", Charset::Ascii},         {"us-ascii", Charset::Ascii},         {"utf-8", Charset::Utf8},
      {"utf8", Charset::Utf8},           {"unicode", Charset::Utf16Le},        {"utf-16", Charset::Utf16Le},
      {"utf-16le", Charset::Utf16Le},    {"utf-16be", Charset::Utf16Be},       {"unicodefffe", Charset::Utf16Be},
      {"iso-8859-1", Charset::Latin1},   {"latin1", Charset::Latin1},          {"windows-1252", Charset::Cp1252},
      {"cp1252", Charset::Cp1252},
  };
  if (name.empty()) return reading ? Charset::Detect : Lookup(kDefaultWriteCharset, false);
  for (const auto& [n, c] : kNames)
    if (NoCase::Equals(name, n)) return c;
  throw AppError(ERR_GENERAL, "Procforge", "Character set '" + std::string(name) + "' is not supported.");
}

// Windows-1252 characters of the bytes 0x80 to 0x9F (0 = undefined).
constexpr char16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0};

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

constexpr std::string_view kBomUtf8 = "\xEF\xBB\xBF";
constexpr std::string_view kBomLe = "\xFF\xFE";
constexpr std::string_view kBomBe = "\xFE\xFF";

std::string DecodeUtf16(std::string_view b, bool bigEndian) {
  std::u16string units(b.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    const auto first = static_cast<unsigned char>(b[2 * i]), second = static_cast<unsigned char>(b[2 * i + 1]);
    units[i] = static_cast<char16_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
  }
  return ado::Utf16::ToUtf8(units);
}

}  // namespace

std::string Decode(std::string_view bytes, std::string_view charset) {
  Charset cs = Lookup(charset, true);
  if (cs == Charset::Detect) {
    cs = StartsWith(bytes, kBomLe) ? Charset::Utf16Le : StartsWith(bytes, kBomBe) ? Charset::Utf16Be : Charset::Utf8;
  }
  std::u16string units;
  switch (cs) {
    case Charset::Ascii: {
      std::string out(bytes);
      for (char& c : out)
        if (static_cast<unsigned char>(c) > 0x7F) c = '?';
      return out;
    }
    case Charset::Utf8:
      if (StartsWith(bytes, kBomUtf8)) bytes.remove_prefix(kBomUtf8.size());
      return std::string(bytes);
    case Charset::Utf16Le:
      if (StartsWith(bytes, kBomLe)) bytes.remove_prefix(kBomLe.size());
      return DecodeUtf16(bytes, false);
    case Charset::Utf16Be:
      if (StartsWith(bytes, kBomBe)) bytes.remove_prefix(kBomBe.size());
      return DecodeUtf16(bytes, true);
    case Charset::Latin1:
    case Charset::Cp1252:
      units.reserve(bytes.size());
      for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        char16_t u = b;
        if (cs == Charset::Cp1252 && b >= 0x80 && b < 0xA0) u = kCp1252High[b - 0x80] ? kCp1252High[b - 0x80] : u'?';
        units += u;
      }
      return ado::Utf16::ToUtf8(units);
    case Charset::Detect: break;
  }
  return {};
}

std::string Encode(std::string_view text, std::string_view charset) {
  std::string out;
  const std::string_view bytes = EncodedView(text, charset, out);
  if (bytes.data() != out.data()) return std::string(bytes);
  return out;
}

std::string_view EncodedView(std::string_view text, std::string_view charset, std::string& out) {
  const Charset cs = Lookup(charset, false);
  if (cs == Charset::Utf8) return text;
  // 7-bit text is the same in every single-byte set.
  if (cs != Charset::Utf16Le && cs != Charset::Utf16Be && Utf8::IsAscii(text)) return text;
  const std::u16string units = ado::Utf16::FromUtf8(text);
  out.clear();
  if (cs == Charset::Utf16Le || cs == Charset::Utf16Be) {
    const bool be = cs == Charset::Utf16Be;
    out.reserve(units.size() * 2 + 2);
    out += be ? kBomBe : kBomLe;
    for (char16_t u : units) {
      const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
      out += be ? hi : lo;
      out += be ? lo : hi;
    }
    return out;
  }
  // Single-byte sets: one byte per character, "?" for what the set cannot hold.
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    const char16_t u = units[i];
    char byte = '?';
    if (u < 0x80) {
      byte = static_cast<char>(u);
    } else if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) ++i;  // one character
    } else if (u < 0x100 && (cs == Charset::Latin1 || (cs == Charset::Cp1252 && u >= 0xA0))) {
      byte = static_cast<char>(u);
    } else if (cs == Charset::Cp1252) {
      for (int k = 0; k < 32; ++k)
        if (kCp1252High[k] == u) byte = static_cast<char>(0x80 + k);
    }
    out += byte;
  }
  return out;
}

std::string ReadText(const std::string& path, std::string_view charset) {
  Lookup(charset, true);  // an unknown set fails before the file is touched
  return Decode(FileIO::ReadBytes(path), charset);
}

void WriteText(const std::string& path, std::string_view text, std::string_view charset) {
  std::string encoded;
  FileIO::WriteAtomic(path, EncodedView(text, charset, encoded));
}

}  // namespace pf::TextFiles
