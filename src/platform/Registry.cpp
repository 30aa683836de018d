#include "platform/Registry.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/Os.h"
#include "errors/AppError.h"
#include "base/NoCase.h"
#include "platform/TextFiles.h"
#include "platform/ado/Utf16.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace pf::Registry {

namespace {

constexpr const char* kSource = "Registry";

#ifndef _WIN32
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Undoes the hive's escapes (\\ \" \n \r \t \0 and \x followed by up to four hex
// digits for other characters) in the text between two quotes starting at `pos`,
// which is left after the closing quote. The hive's text is UTF-8 apart from the escapes.
std::string Unquote(const std::string& line, size_t& pos) {
  std::string utf16;  // UTF-16 LE bytes, decoded once at the end
  auto put = [&](char32_t u) {
    utf16 += static_cast<char>(u & 0xFF);
    utf16 += static_cast<char>((u >> 8) & 0xFF);
  };
  std::string plain;
  auto flush = [&] {
    if (plain.empty()) return;
    const std::string le = TextFiles::Encode(plain, "UTF-16LE");
    utf16 += le.substr(2);  // without the byte-order mark
    plain.clear();
  };
  ++pos;  // the opening quote
  while (pos < line.size() && line[pos] != '"') {
    const char c = line[pos++];
    if (c != '\\' || pos >= line.size()) {
      plain += c;
      continue;
    }
    const char e = line[pos++];
    switch (e) {
      case 'n': plain += '\n'; break;
      case 'r': plain += '\r'; break;
      case 't': plain += '\t'; break;
      case '0': plain += '\0'; break;
      case 'x': {
        char32_t u = 0;
        int n = 0;
        while (n < 4 && pos < line.size() && HexDigit(line[pos]) >= 0) u = u * 16 + HexDigit(line[pos++]), ++n;
        flush();
        put(u);
        break;
      }
      default: plain += e;
    }
  }
  if (pos < line.size()) ++pos;  // the closing quote
  flush();
  return TextFiles::Decode(utf16, "UTF-16LE");
}

// "Software\\Foo" of a section header as the key name "Software\Foo".
std::string HeaderKey(const std::string& line) {
  const size_t close = line.rfind(']');
  std::string key;
  for (size_t i = 1; i < close; ++i) {
    if (line[i] == '\\' && i + 1 < close && line[i + 1] == '\\') ++i;
    key += line[i];
  }
  return key;
}

#endif

std::string NormalizeKey(std::string key) {
  for (char& c : key)
    if (c == '/') c = '\\';
  while (!key.empty() && key.front() == '\\') key.erase(0, 1);
  while (!key.empty() && key.back() == '\\') key.pop_back();
  return key;
}

}  // namespace

#ifdef _WIN32

std::string LocalMachineHive() { return "HKEY_LOCAL_MACHINE"; }

std::string ReadLocalMachineString(const std::string& subKey, const std::string& valueName) {
  auto wide = [](const std::string& s) {
    const std::u16string u = ado::Utf16::FromUtf8(s);
    return std::wstring(u.begin(), u.end());
  };
  const std::wstring key = wide(NormalizeKey(subKey)), name = wide(valueName);
  // The 32-bit view: the classes run in Visual Basic 6 programs, which are 32-bit and see
  // that view of the local machine.
  HKEY h = nullptr;
  if (key.empty() ||
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &h) != ERROR_SUCCESS)
    throw AppError(ERR_USER_CHECK, kSource, "Failed to open Registry key: " + subKey);
  constexpr DWORD kStrings = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
  DWORD bytes = 0;
  LSTATUS rc = RegGetValueW(h, nullptr, name.c_str(), kStrings, nullptr, nullptr, &bytes);
  std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
  if (rc == ERROR_SUCCESS) {
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    rc = RegGetValueW(h, nullptr, name.c_str(), kStrings, nullptr, value.data(), &bytes);
  }
  RegCloseKey(h);
  if (rc != ERROR_SUCCESS)
    throw AppError(ERR_USER_CHECK, kSource, "Failed to read registry value. Value Name: " + valueName);
  return ado::Utf16::ToUtf8(reinterpret_cast<const char16_t*>(value.c_str()), wcsnlen(value.c_str(), value.size()));
}

#else

std::string LocalMachineHive() {
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) return std::string(prefix) + "/system.reg";
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.wine/system.reg";
}

std::string ReadLocalMachineString(const std::string& subKey, const std::string& valueName) {
  const std::string wanted = NormalizeKey(subKey);
  const std::string hive = LocalMachineHive();
  std::ifstream in(Os::Path(hive), std::ios::binary);
  if (wanted.empty() || !in)
    throw AppError(ERR_USER_CHECK, kSource,
                   "Failed to open Registry key: " + subKey + (in ? "" : " (there is no registry: " + hive + " does not exist)"));
  bool inKey = false, keyFound = false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with('[')) {
      if (keyFound) break;
      inKey = NoCase::Equals(NormalizeKey(HeaderKey(line)), wanted);
      keyFound = inKey;
      continue;
    }
    if (!inKey) continue;
    size_t pos = 0;
    std::string name;
    if (line.starts_with("@=")) {
      pos = 1;
    } else if (line.starts_with('"')) {
      name = Unquote(line, pos);
      if (pos >= line.size() || line[pos] != '=') continue;
    } else {
      continue;
    }
    if (!NoCase::Equals(name, valueName)) continue;
    ++pos;  // "="
    if (line.compare(pos, 7, "str(2):") == 0) pos += 7;
    if (pos < line.size() && line[pos] == '"') return Unquote(line, pos);
    break;  // a value of another type
  }
  if (!keyFound) throw AppError(ERR_USER_CHECK, kSource, "Failed to open Registry key: " + subKey);
  throw AppError(ERR_USER_CHECK, kSource, "Failed to read registry value. Value Name: " + valueName);
}

#endif

}  // namespace pf::Registry
