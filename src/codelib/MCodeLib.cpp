#include "codelib/MCodeLib.h"

#include <unistd.h>

#include <filesystem>
#include <optional>

#include "errors/AppError.h"
#include "errors/Faultnet31.h"
#include "base/AppPaths.h"

namespace pf::MCodeLib {

namespace {

namespace fs = std::filesystem;
using Time = fs::file_time_type;

// The last-modified time of a regular file, or nothing when there is no such file.
std::optional<Time> ModifiedTime(const std::string& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  const Time t = fs::last_write_time(path, ec);
  if (ec) return std::nullopt;
  return t;
}

bool FolderWritable(const std::string& folder) { return ::access(folder.c_str(), W_OK) == 0; }

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
  f.Own = FolderWritable(folder) ? datName : AppPaths::WritableFolder() + "/" + base + ".dat";

  const std::optional<Time> clsTime = ModifiedTime(f.Plain);
  std::optional<Time> datTime = ModifiedTime(datName);
  f.InUse = datName;
  if (f.Own != datName) {
    const std::optional<Time> ownTime = ModifiedTime(f.Own);
    if (ownTime && (!datTime || *ownTime >= *datTime)) {
      f.InUse = f.Own;
      datTime = ownTime;
    }
  }
  Faultnet31::Check(clsTime || datTime, ERR_CODELIB_MISSING, "CodeLib.dat library file not found.");
  f.Rebuild = clsTime && (!datTime || *clsTime > *datTime);
  return f;
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
  std::string inUse = f.InUse;
  if (f.Rebuild) {
    // The new scrambled file replaces the old one atomically, so a failed rebuild
    // leaves the previous one in place.
    Progress.Message("Loading Source Code Library...");
    Stream.LoadFromFile(f.Plain, false);
    Progress.Message("Encrypting Code Library...");
    Stream.SaveToFile(f.Own, true);
    inUse = f.Own;
  }
  // What reaches the block engine is always what the scrambled form reads back as.
  Stream.LoadFromFile(inUse, true);
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
  OpenCheckCodeLib(LibraryPath(Folder), Progress, Stream, ReadBefore);
  Blocks.Init();
  Blocks.UnpackCode(Stream.Text);
}

}  // namespace pf::MCodeLib
