#include "codelib/MCodeLib.h"

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "errors/AppError.h"
#include "errors/Faultnet31.h"
#include "base/AppPaths.h"
#include "base/Os.h"

namespace pf::MCodeLib {

namespace {

namespace fs = std::filesystem;
using Time = fs::file_time_type;

// The last-modified time of a regular file, or nothing when there is no such file.
std::optional<Time> ModifiedTime(const std::string& path) {
  std::error_code ec;
  const fs::path p = Os::Path(path);
  if (!fs::is_regular_file(p, ec)) return std::nullopt;
  const Time t = fs::last_write_time(p, ec);
  if (ec) return std::nullopt;
  return t;
}

std::optional<uintmax_t> FileSize(const std::string& path) {
  std::error_code ec;
  const uintmax_t size = fs::file_size(Os::Path(path), ec);
  if (ec) return std::nullopt;
  return size;
}

// Lets the stream's long loops run pending events through the run's progress channel,
// and unhooks it again so the stream never outlives the channel it points to.
class PumpThroughProgress {
 public:
  PumpThroughProgress(CTextStream& stream, CProgress& progress) : stream_(stream) {
    stream_.PumpEvents = [&progress] { progress.DoEvents(); };
  }
  ~PumpThroughProgress() { stream_.PumpEvents = nullptr; }
  PumpThroughProgress(const PumpThroughProgress&) = delete;
  PumpThroughProgress& operator=(const PumpThroughProgress&) = delete;

 private:
  CTextStream& stream_;
};

// Where the library of FileName (without extension) is read from, and whether the
// scrambled form is due to be rebuilt from the plain one first.
struct LibraryFiles {
  std::string Plain;     // the .cls
  std::string Own;       // the scrambled form this program writes
  std::string InUse;     // the scrambled form read
  bool Rebuild = false;  // the plain form is newer than InUse, or InUse is missing
};

LibraryFiles Locate(const std::string& FileName) {
  const std::string path = AppPaths::Normalize(FileName);
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string datName = folder + "/" + base + ".dat";
  LibraryFiles f;
  f.Plain = folder + "/" + base + ".cls";
  // A portable copy keeps the scrambled form beside the plain one; an installed program,
  // or one whose folder is not writable, keeps it in the user's cache folder.
  if (AppPaths::MayWriteBeside(folder)) {
    f.Own = datName;
  } else if (const std::string cache = AppPaths::CacheFolder(); !cache.empty()) {
    f.Own = cache + "/" + base + ".dat";
  }

  const std::optional<Time> clsTime = ModifiedTime(f.Plain);
  std::optional<Time> datTime = ModifiedTime(datName);
  f.InUse = datName;
  if (!f.Own.empty() && f.Own != datName) {
    const std::optional<Time> ownTime = ModifiedTime(f.Own);
    if (ownTime && (!datTime || *ownTime >= *datTime)) {
      f.InUse = f.Own;
      datTime = ownTime;
    }
  }
  Faultnet31::Check(clsTime || datTime, ERR_CODELIB_MISSING, "CodeLib.dat library file not found.");
  // The scrambled form holds one byte per character of the plain one: another length
  // is an empty, truncated or foreign file, rebuilt like a stale one.
  f.Rebuild = clsTime && (!datTime || *clsTime > *datTime || FileSize(f.InUse) != FileSize(f.Plain));
  return f;
}

// The plain form's text as the scrambled form would read it back: characters keep their
// low seven bits.
std::string AsScrambledReadsBack(const std::string& text) {
  return CTextStream::Unscramble(CTextStream::Scramble(text));
}

// Rebuilds the scrambled form from the plain one and leaves its text in Stream. A
// scrambled form that cannot be written (no cache folder, a full disk) is no error: the
// run goes on with the text it would have held.
void Rebuild(const LibraryFiles& f, CProgress& Progress, CTextStream& Stream) {
  Progress.Message("Loading Source Code Library...");
  Stream.LoadFromFile(f.Plain, false);
  Progress.Message("Encrypting Code Library...");
  try {
    if (f.Own.empty()) throw AppError(ERR_GENERAL, "CTextStream", "no folder for the scrambled form");
    Stream.SaveToFile(f.Own, true);
  } catch (const AppError&) {
    Stream.Text = AsScrambledReadsBack(Stream.Text);
    return;
  }
  // What reaches the block engine is always what the scrambled form reads back as.
  Stream.LoadFromFile(f.Own, true);
}

// Fills Blocks from Text, read from File. A block syntax error names the file and the
// line (counted from 1) where the text breaks.
void Unpack(CBlocks& Blocks, const std::string& Text, const std::string& File) {
  Blocks.Init();
  try {
    Blocks.UnpackCode(Text);
  } catch (const AppError& e) {
    if (e.Number != ERR_BLOCK_SYNTAX) throw;
    const std::string& d = e.Description;
    const size_t at = d.rfind(" Line ");
    const std::string what = d.substr(0, d.find_first_of("\r\n"));
    std::string where;
    if (at != std::string::npos)
      where = " at line " + std::to_string(std::strtoul(d.c_str() + at + 6, nullptr, 10) + 1);
    Faultnet31::Check(false, ERR_BLOCK_SYNTAX, "The code library %1 does not read%2: %3", File, where, what);
  }
}

std::string LibraryPath(const std::string& Folder) {
  return (Folder.empty() ? AppPaths::DataFolder({"CodeLib.cls", "CodeLib.dat"}) : Folder) + "/CodeLib";
}

}  // namespace

void OpenCheckCodeLib(const std::string& FileName, CProgress& Progress, CTextStream& Stream, LibraryText* ReadBefore) {
  Stream = CTextStream();
  PumpThroughProgress pump(Stream, Progress);
  const LibraryFiles f = Locate(FileName);
  if (ReadBefore && !f.Rebuild && !ReadBefore->ScrambledFile.empty() && ReadBefore->ScrambledFile == f.InUse) {
    Stream.Text = std::move(ReadBefore->Text);
    *ReadBefore = LibraryText();
    return;
  }
  // The new scrambled file replaces the old one atomically, so a failed rebuild leaves
  // the previous one in place.
  if (f.Rebuild) return Rebuild(f, Progress, Stream);
  Stream.LoadFromFile(f.InUse, true);
}

LibraryText ReadCodeLibrary(const std::string& Folder) {
  const LibraryFiles f = Locate(LibraryPath(Folder));
  CTextStream stream;
  stream.LoadFromFile(f.Rebuild ? f.Plain : f.InUse, !f.Rebuild);
  return LibraryText{std::move(stream.Text), f.Rebuild ? std::string() : f.InUse};
}

void LoadCodeLibrary(CProgress& Progress, CTextStream& Stream, CBlocks& Blocks, const std::string& Folder,
                     LibraryText* ReadBefore) {
  Progress.Message("Loading code library...");
  const std::string path = LibraryPath(Folder);
  OpenCheckCodeLib(path, Progress, Stream, ReadBefore);
  const LibraryFiles f = Locate(path);
  const bool plainExists = ModifiedTime(f.Plain).has_value();
  // A scrambled form that does not read as a library (damaged, or made with another
  // offset) is rebuilt from the plain one when there is one.
  if (plainExists && !f.Rebuild) {
    bool reads = true;
    try {
      Unpack(Blocks, Stream.Text, f.InUse);
      reads = Blocks.BlockCount() > 0;
    } catch (const AppError& e) {
      if (e.Number != ERR_BLOCK_SYNTAX) throw;
      reads = false;
    }
    if (reads) return;
    Rebuild(f, Progress, Stream);
  }
  Unpack(Blocks, Stream.Text, plainExists ? f.Plain : f.InUse);
}

std::vector<std::string> LibraryInputs(const std::string& Folder) {
  const std::string path = LibraryPath(Folder), folder = path.substr(0, path.rfind('/'));
  std::vector<std::string> files{path + ".cls", path + ".dat"};
  if (const std::string cache = AppPaths::CacheFolder(); !cache.empty()) files.push_back(cache + "/CodeLib.dat");
  for (const char* module : {"Faultnet31.bas", "pfgXMLUtils.bas"}) files.push_back(folder + "/" + module);
  return files;
}

}  // namespace pf::MCodeLib
