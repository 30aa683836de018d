#include "platform/ado/DataLinkFile.h"

#include <filesystem>

#include "base/Os.h"
#include "base/NoCase.h"
#include "base/SourceText.h"
#include "errors/AppError.h"
#include "platform/FileIO.h"
#include "platform/TextFiles.h"

namespace pf::ado::DataLinkFile {

namespace {

constexpr const char* kSource = "DataLinkFile";
constexpr std::string_view kHeader = "[oledb]";
constexpr std::string_view kNewHead = "[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n";

[[noreturn]] void Refuse(const std::string& path, const std::string& reason) {
  throw AppError(ERR_USER_CHECK, kSource, "The file " + path + " is not a data link file: " + reason);
}

constexpr auto TrimView = srctext::TrimSpace;

// Control characters other than tab and line ends, or the replacement character that
// decoding puts for broken sequences, mean the bytes were never text.
bool LooksBinary(std::string_view bytes, std::string_view text) {
  const bool utf16 = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
  if (utf16 && bytes.size() % 2 != 0) return true;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 && c != '\t' && c != '\r' && c != '\n') return true;
  }
  return text.find("\xEF\xBF\xBD") != std::string_view::npos;
}

}  // namespace

std::string Decode(std::string_view bytes) {
  const bool bom = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF") || bytes.starts_with("\xEF\xBB\xBF");
  return TextFiles::Decode(bytes, bom ? "" : "Windows-1252");
}

Contents New(std::string connectionString) {
  return Contents{std::string(kNewHead), std::move(connectionString), "\r\n"};
}

Contents Read(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path p = Os::Path(path);
  if (!std::filesystem::is_regular_file(p, ec)) {
    if (!std::filesystem::exists(p, ec)) throw AppError(ERR_FILE_NOT_FOUND, kSource, "File not found: " + path);
    Refuse(path, "it is not a regular file.");
  }
  if (std::filesystem::file_size(p, ec) > kMaxSize) Refuse(path, "it is larger than 1 MB.");
  const std::string bytes = FileIO::ReadBytes(path);
  if (bytes.empty()) return New({});
  const std::string text = Decode(bytes);
  if (LooksBinary(bytes, text)) Refuse(path, "it holds binary data, not text.");

  // The first non-blank line must be the header; the string is the first line after it
  // that is neither blank, a comment nor a section header.
  bool header = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    const size_t next = end == std::string::npos ? text.size() : end + 1;
    if (end == std::string::npos) end = text.size();
    const std::string_view line = TrimView(std::string_view(text).substr(start, end - start));
    if (!line.empty()) {
      if (!header) {
        if (!NoCase::Equals(line, kHeader)) Refuse(path, "its first line is not " + std::string(kHeader) + ".");
        header = true;
      } else if (line.front() != ';' && line.front() != '[') {
        const size_t at = static_cast<size_t>(line.data() - text.data());
        return Contents{text.substr(0, at), std::string(line), text.substr(at + line.size())};
      }
    }
    start = next;
  }
  if (!header) Refuse(path, "it holds no " + std::string(kHeader) + " line.");
  Contents c{text, {}, "\r\n"};
  if (!c.Head.ends_with('\n')) c.Head += "\r\n";
  return c;
}

std::string Encode(const Contents& contents) {
  return TextFiles::Encode(contents.Head + contents.ConnectionString + contents.Tail, "UTF-16LE");
}

void Write(const std::string& path, const Contents& contents) { FileIO::WriteAtomic(path, Encode(contents)); }

}  // namespace pf::ado::DataLinkFile
