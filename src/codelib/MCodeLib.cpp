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

}  // namespace

void OpenCheckCodeLib(const std::string& FileName, CProgress& Progress, CTextStream& Stream) {
  Stream = CTextStream();
  PumpThroughProgress pump(Stream, Progress);

  const std::string path = AppPaths::Normalize(FileName);
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string clsName = folder + "/" + base + ".cls";
  const std::string datName = folder + "/" + base + ".dat";
  const std::string ownDatName = FolderWritable(folder) ? datName : AppPaths::WritableFolder() + "/" + base + ".dat";

  const std::optional<Time> clsTime = ModifiedTime(clsName);
  std::optional<Time> datTime = ModifiedTime(datName);
  std::string inUse = datName;
  if (ownDatName != datName) {
    const std::optional<Time> ownTime = ModifiedTime(ownDatName);
    if (ownTime && (!datTime || *ownTime >= *datTime)) {
      inUse = ownDatName;
      datTime = ownTime;
    }
  }
  Faultnet31::Check(clsTime || datTime, ERR_CODELIB_MISSING, "CodeLib.dat library file not found.");

  if (clsTime && (!datTime || *clsTime > *datTime)) {
    // The new scrambled file replaces the old one atomically, so a failed rebuild
    // leaves the previous one in place.
    Progress.Message("Loading Source Code Library...");
    Stream.LoadFromFile(clsName, false);
    Progress.Message("Encrypting Code Library...");
    Stream.SaveToFile(ownDatName, true);
    inUse = ownDatName;
  }
  // What reaches the block engine is always what the scrambled form reads back as.
  Stream.LoadFromFile(inUse, true);
}

void LoadCodeLibrary(CProgress& Progress, CTextStream& Stream, CBlocks& Blocks, const std::string& Folder) {
  Progress.Message("Loading code library...");
  const std::string folder = Folder.empty() ? AppPaths::DataFolder({"CodeLib.cls", "CodeLib.dat"}) : Folder;
  OpenCheckCodeLib(folder + "/CodeLib", Progress, Stream);
  Blocks.Init();
  Blocks.UnpackCode(Stream.Text);
}

}  // namespace pf::MCodeLib
