#include "shell/MUtils.h"

#include "base/Os.h"
#include "errors/ErrGuard.h"
#include "platform/FileIO.h"
#include "platform/TextFiles.h"

namespace pf::MUtils {

std::string ReadText(const std::string& FileName, const std::string& Charset) {
  return ErrGuard("MUtils.ReadText(FileName,Charset)", [&] { return TextFiles::ReadText(FileName, Charset); },
                  FileName, Charset);
}

void WriteText(const std::string& FileName, const std::string& Txt, const std::string& Charset) {
  ErrGuard("MUtils.WriteText(FileName,Txt,Charset)", [&] { TextFiles::WriteText(FileName, Txt, Charset); }, FileName,
           Txt, Charset);
}

bool SaveText(const std::string& FileName, const std::string& Text) {
  return ErrGuard("SaveText(FileName,Text)", [&] {
    std::string data;
    data.reserve(Text.size() + 2);
    data.append(Text).append("\r\n");
    FileIO::WriteAtomic(FileName, data);
    return true;
  }, FileName, Text);
}

bool FileExists(const std::string& FileName) {
  try {
    if (FileName.empty()) return false;
    return Os::FileMatches(FileName);
  } catch (...) {
    return false;
  }
}

PathParts SplitPath(const std::string& FullName) {
  PathParts p;
  const size_t slash = FullName.find_last_of("\\/");
  if (slash == std::string::npos) {
    p.FileName = FullName;
  } else {
    p.Folder = FullName.substr(0, slash);
    p.FileName = FullName.substr(slash + 1);
  }
  if (const size_t colon = p.Folder.find(':'); colon != std::string::npos) p.Drive = p.Folder.substr(0, colon + 1);
  const size_t dot = p.FileName.find('.');
  p.BaseName = p.FileName.substr(0, dot);
  if (dot != std::string::npos) p.Ext = p.FileName.substr(dot + 1);
  return p;
}

}  // namespace pf::MUtils
