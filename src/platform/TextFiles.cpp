#include "platform/TextFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cctype>
#include <cstdint>
#include <filesystem>

#include "errors/AppError.h"

namespace pf::TextFiles {

namespace {

enum class Charset { Ascii, Utf8, Utf16Le, Utf16Be, Latin1, Cp1252, Detect };

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

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
    if (EqualsNoCase(name, n)) return c;
  throw AppError(ERR_GENERAL, "Procforge", "Character set '" + std::string(name) + "' is not supported.");
}

// Windows-1252 code points of the bytes 0x80 to 0x9F (0 = undefined).
constexpr char32_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Next code point of UTF-8 text; kInvalid (consuming one byte) for a malformed sequence.
char32_t NextUtf8(std::string_view s, size_t& i) {
  const unsigned char b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) {
    ++i;
    return b;
  }
  int len = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
  if (len == 0 || i + len > s.size()) {
    ++i;
    return kInvalid;
  }
  char32_t cp = b & (0x7F >> len);
  for (int k = 1; k < len; ++k) {
    const unsigned char c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) {
      ++i;
      return kInvalid;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) {
    ++i;
    return kInvalid;
  }
  i += len;
  return cp;
}

std::string DecodeUtf16(std::string_view b, bool bigEndian) {
  std::string out;
  out.reserve(b.size() / 2);
  auto unit = [&](size_t i) -> char32_t {
    const auto lo = static_cast<unsigned char>(b[i + (bigEndian ? 1 : 0)]);
    const auto hi = static_cast<unsigned char>(b[i + (bigEndian ? 0 : 1)]);
    return static_cast<char32_t>(hi << 8 | lo);
  };
  for (size_t i = 0; i + 1 < b.size(); i += 2) {
    char32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < b.size()) {
      const char32_t u2 = unit(i + 2);
      if (u2 >= 0xDC00 && u2 <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (u2 - 0xDC00));
        i += 2;
        continue;
      }
    }
    AppendUtf8(out, u >= 0xD800 && u <= 0xDFFF ? U'\uFFFD' : u);
  }
  return out;
}

void AppendUtf16(std::string& out, char32_t cp, bool bigEndian) {
  auto put = [&](char32_t u) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  };
  if (cp >= 0x10000) {
    cp -= 0x10000;
    put(0xD800 + (cp >> 10));
    put(0xDC00 + (cp & 0x3FF));
  } else {
    put(cp);
  }
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

constexpr std::string_view kBomUtf8 = "\xEF\xBB\xBF";
constexpr std::string_view kBomLe = "\xFF\xFE";
constexpr std::string_view kBomBe = "\xFE\xFF";

int32_t NumberFor(int err) { return err == ENOENT || err == ENOTDIR ? ERR_FILE_NOT_FOUND : ERR_PATH_ACCESS; }

}  // namespace

std::string Decode(std::string_view bytes, std::string_view charset) {
  Charset cs = Lookup(charset, true);
  if (cs == Charset::Detect) {
    cs = StartsWith(bytes, kBomLe) ? Charset::Utf16Le : StartsWith(bytes, kBomBe) ? Charset::Utf16Be : Charset::Utf8;
  }
  std::string out;
  switch (cs) {
    case Charset::Ascii:
      out.assign(bytes);
      for (char& c : out)
        if (static_cast<unsigned char>(c) > 0x7F) c = '?';
      return out;
    case Charset::Utf8:
      if (StartsWith(bytes, kBomUtf8)) bytes.remove_prefix(3);
      return std::string(bytes);
    case Charset::Utf16Le:
      if (StartsWith(bytes, kBomLe)) bytes.remove_prefix(2);
      return DecodeUtf16(bytes, false);
    case Charset::Utf16Be:
      if (StartsWith(bytes, kBomBe)) bytes.remove_prefix(2);
      return DecodeUtf16(bytes, true);
    case Charset::Latin1:
    case Charset::Cp1252:
      out.reserve(bytes.size() + bytes.size() / 8);
      for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        char32_t cp = b;
        if (cs == Charset::Cp1252 && b >= 0x80 && b < 0xA0) cp = kCp1252High[b - 0x80] ? kCp1252High[b - 0x80] : '?';
        AppendUtf8(out, cp);
      }
      return out;
    case Charset::Detect: break;
  }
  return out;
}

std::string Encode(std::string_view text, std::string_view charset) {
  const Charset cs = Lookup(charset, false);
  std::string out;
  switch (cs) {
    case Charset::Utf8: return std::string(text);
    case Charset::Utf16Le:
    case Charset::Utf16Be: {
      const bool be = cs == Charset::Utf16Be;
      out.reserve(text.size() * 2 + 2);
      out += be ? kBomBe : kBomLe;
      for (size_t i = 0; i < text.size();) {
        const char32_t cp = NextUtf8(text, i);
        AppendUtf16(out, cp == kInvalid ? U'\uFFFD' : cp, be);
      }
      return out;
    }
    default: break;
  }
  // Single-byte sets: one byte per character, "?" for what the set cannot hold.
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char32_t cp = NextUtf8(text, i);
    char byte = '?';
    if (cp < 0x80) {
      byte = static_cast<char>(cp);
    } else if (cs == Charset::Latin1 && cp < 0x100) {
      byte = static_cast<char>(cp);
    } else if (cs == Charset::Cp1252 && cp != kInvalid) {
      if (cp >= 0xA0 && cp < 0x100) byte = static_cast<char>(cp);
      for (int k = 0; k < 32; ++k)
        if (kCp1252High[k] == cp) byte = static_cast<char>(0x80 + k);
    }
    out += byte;
  }
  return out;
}

std::string ReadBytes(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ThrowSystemError(NumberFor(errno), "Cannot read file '" + path + "'", errno);
  std::string data;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    ThrowSystemError(ERR_PATH_ACCESS, "Cannot read file '" + path + "'", EISDIR);
  }
  if (st.st_size > 0) data.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      ThrowSystemError(ERR_PATH_ACCESS, "Cannot read file '" + path + "'", err);
    }
    if (n == 0) break;
    data.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return data;
}

void WriteAtomic(const std::string& path, std::string_view bytes) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target(path);
  if (fs::is_symlink(target, ec)) {
    const fs::path resolved = fs::weakly_canonical(target, ec);
    if (!ec) target = resolved;
  }
  const std::string what = "Cannot write file '" + path + "'";
  if (target.filename().empty()) ThrowSystemError(ERR_PATH_ACCESS, what, EISDIR);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string tmp = (folder / ("." + target.filename().string() + ".tmpXXXXXX")).string();
  const int fd = ::mkstemp(tmp.data());
  if (fd < 0) ThrowSystemError(NumberFor(errno), what, errno);
  auto fail = [&](int err) {
    ::close(fd);
    ::unlink(tmp.c_str());
    ThrowSystemError(NumberFor(err), what, err);
  };
  // Keep the permission bits of the file being replaced; a new file gets the usual ones.
  struct stat st {};
  mode_t mode;
  if (::stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) fail(EISDIR);
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(fd, mode) != 0) fail(errno);
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno);
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) fail(errno);
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    ThrowSystemError(NumberFor(err), what, err);
  }
  if (::rename(tmp.c_str(), target.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    ThrowSystemError(NumberFor(err), what, err);
  }
}

std::string ReadText(const std::string& path, std::string_view charset) {
  Lookup(charset, true);  // an unknown set fails before the file is touched
  return Decode(ReadBytes(path), charset);
}

void WriteText(const std::string& path, std::string_view text, std::string_view charset) {
  WriteAtomic(path, Encode(text, charset));
}

}  // namespace pf::TextFiles
