#pragma once
// CSettings: the settings model. Owns the profile document (root "Settings", one element
// per section), one section viewer per section limited to that section's keys, the
// application state file and the lazily created server connection object.
//
// Sections, in the order of a new profile: Server, StoredProc, AddnlFunc, ErrHndl,
// IniOptions, Misc, Code, Packages. Keys are attributes of their section element; a
// Boolean key is true only when it holds exactly "True"; an absent key reads as an empty
// text, 0 or false. The viewers are replaced whenever the document is replaced, so callers
// take them afresh from the object instead of keeping them.
//
// Operations record their frame with the error library and pass errors on, except where a
// comment says otherwise. Messages and questions go through the message routines, so
// every front end decides how to show them.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pf {

class bwXMLBrowser;
class CIniFile;
class CServer;
class ISrvrExtractor;

class CSettings {
 public:
  // Creates the state object in memory and a new profile (ProfileInit), so that the
  // settings are complete before Init.
  CSettings();
  ~CSettings();
  CSettings(const CSettings&) = delete;
  CSettings& operator=(const CSettings&) = delete;

  // The profile document and its section viewers.
  std::shared_ptr<bwXMLBrowser> xSettings;
  std::shared_ptr<bwXMLBrowser> xServer, xStoredProc, xAddnlFunc, xErrHndl, xIniOptions, xCode, xPackages, xMisc;
  // The viewer of a section by its name ("Server", "StoredProc", ...); an unknown name
  // raises ERR_GENERAL.
  bwXMLBrowser& SectionViewer(std::string_view Section);
  // The application state file: current profile name and recent profiles.
  std::unique_ptr<CIniFile> IniFile;

  // Start-up: reads the state file and loads the profile it names, else keeps a new
  // profile under the default name. Errors are recorded and not passed on.
  void Init();
  // A new profile in memory with the desktop configuration, named DefaultProfileName.
  // Errors are recorded and not passed on.
  void ProfileInit();
  // Loads ProfileFileName. On failure shows "Error Loading Profile..." with the file and
  // the cause, falls back to a new profile (ProfileInit) and returns false; the unreadable
  // file is left as it is, and the new profile takes the default name only when no file
  // has it, else a free one beside it (FreeProfileName), so that saving it replaces
  // nothing. A document whose element is not "Settings" is not a profile and fails the
  // same way.
  bool ProfileLoad();
  // Loads ProfileFileName without a message and without falling back to a new profile:
  // false with the cause in Reason, the open profile unchanged. For callers that stop
  // instead of going on with a new profile.
  bool ProfileRead(std::string& Reason);
  // True when the profile file is not the one this object last loaded or saved: another
  // program (a second wizard, procforge-cli configure) wrote, replaced, created or
  // removed it since.
  bool ChangedOnDisk();

  std::string ProfileFileName();
  // Also makes the profile's folder and the samples' folder the places where a snapshot
  // named by a relative path is looked for, so that the file the connection opens is the
  // one InputFiles names, whichever is asked first.
  void ProfileFileName(const std::string& AProfile);

  // Wanted when no file of that name exists, else the first free "name (N).ext" beside it.
  static std::string FreeProfileName(const std::string& Wanted);
  // True when the profile in memory differs from what was last loaded, saved or made new.
  bool Modified();

  // Disconnects and drops the server object, if one exists.
  void ReleaseServer();
  // Key SrvrType as an integer: 0 Access, 1 SQL Server, 2 Sybase, 3 Oracle,
  // 4 PostgreSQL.
  int32_t ServerType();
  // "Default.PFG" beside the program (in the writable folder when the program's is not).
  static std::string DefaultProfileName();

  // Saves the profile to ProfileFileName (atomically, as 7-bit text in which other
  // characters are character references) and the state file. Never throws:
  // a failure shows "Error saving profile: " and the first line of the error. When the
  // target is a profile file that could not be read, it is first kept under a backup
  // name and the user is told so. With CreateNew the file is made only if no file of that
  // name exists (else the failure message says it exists), complete or not at all.
  // Returns true when the profile was written; with Failure given, a failure goes there
  // instead of into a message.
  bool Save(bool CreateNew = false, std::string* Failure = nullptr);
  // What SaveIfUnchanged did.
  enum SaveOutcome { SO_SAVED, SO_FAILED, SO_CHANGED_ON_DISK, SO_LOCKED };
  // How long SaveIfUnchanged waits for another holder of the profile's lock.
  int ProfileLockWaitMs = 10000;
  // Saves the profile as Save does, but only when its file is as this object last loaded
  // or saved it (ChangedOnDisk false); else writes nothing and returns SO_CHANGED_ON_DISK.
  // The check and the write are made under the profile's lock, the one procforge-cli
  // configure holds from its read to its save, so that neither writes between the other's
  // read and write. A profile file that does not exist is created only if no other program
  // made it meanwhile (else SO_CHANGED_ON_DISK). A lock another program still holds after
  // ProfileLockWaitMs is SO_LOCKED: nothing written, the settings here unchanged, and a message
  // saying so, reported as Save reports a failure. A lock that cannot be taken at all is a
  // failure.
  SaveOutcome SaveIfUnchanged(std::string* Failure = nullptr);
  // The profile file as it is now counts as the one this object last loaded or saved, so
  // that ChangedOnDisk is false until it changes again: for saving over another program's
  // change on purpose.
  void AcceptDiskVersion();
  // Saves the profile as a new file under the first free name beside the current one
  // (FreeProfileName), which becomes the profile's name; another program taking that name
  // first makes it try the next. Returns the name; throws ERR_USER_CHECK with the cause,
  // the name unchanged, when nothing could be written.
  std::string SaveBeside();

  // Output files not named yet get names beside the profile after the catalogue's
  // database (the connection's Initial Catalog or Database, else its data source file):
  // "C<name>DB.cls" and "M<name>Params.bas". Named files are left alone; nothing
  // happens when the connection names no database.
  void DefaultOutputFiles();
  // After the server type changed from OldType: the keys whose configured values depend
  // on the server type (the SQL Server exclude filter of system procedures, the Oracle
  // type rules) take the new type's values when, as a group, they still hold the old
  // type's. Values the user changed are left alone.
  void FollowServerType(int32_t OldType);

  // The file name part of ClassFile up to its first full stop ("\" and "/" both separate).
  std::string GetClassName();
  // Forces keys that depend on others into agreement.
  void Validate();

  // File headers of the class file and of the parameter-definitions module, CR LF lines.
  std::string BuildClassProlog();
  std::string BuildModuleProlog();

  // The extractor for SrvrType "0", "1", "2" or "3", holding the server object. Any other
  // value raises ERR_USER_CHECK naming the value.
  std::shared_ptr<ISrvrExtractor> CreateServerExtractor();
  // The server object, created on first use; its connection string is set to the
  // current ConnPfg on every call, and a connection opened for another string is closed.
  // A relative snapshot name is looked for as ProfileFileName set it.
  std::shared_ptr<CServer> Server();

  // Checks before a generation run; raises ERR_USER_CHECK with the message of the first
  // check that fails. Output files are checked for writing without being created (an
  // output that is not a regular file, or is one of InputFiles, is refused), and it may
  // ask (AskYesNo) before an existing output file is overwritten. With ForWriting false (a run that
  // only compares its output with the files on disk) the output files must be named,
  // but are neither created, asked about nor tested for writing.
  void CheckCanStartGeneratingCode(bool ForWriting = true);
  // The files a run reads, which no output of it may replace: the profile file, the
  // snapshot that ConnPfg opens, the include/override file when IncCode is set, and the
  // code library with its cache and modules.
  std::vector<std::string> InputFiles();

  // Package entries: true when an entry for Pkg (upper-cased, except "(Unpackaged)")
  // exists; then Pfx receives its prefix.
  bool FindPackage(const std::string& Pkg, std::string& Pfx);
  // The names of the selected package entries, comma-separated.
  std::string GetPackageList();
  // What the extractor's procedure list is read for: the selected packages (Oracle), the
  // schemas of "PgSchemas" (PostgreSQL; empty for the search path); empty for the others.
  std::string ListFilter();

  // Disconnects the server object; ignores every error.
  void DisconnectServer();
  bool TestConnection(const std::string& AConnectstring, std::string& ErrMsg);

  // Naming rules and the procedure filter.
  std::string SPNameToVBNameX(const std::string& SPName);
  std::string ParamNameToVBNameX(const std::string& PName, const std::string& ATypeName);
  bool CheckSPNameFilter(const std::string& SPName);
  // CheckSPNameFilter with the filter keys read once: for a whole procedure list. Valid
  // while the settings live; later changes to the keys are not seen.
  std::function<bool(const std::string&)> SPNameFilter();
  // Reads the server's packages and adds an entry for every one that has none. A name no
  // profile could keep (ISrvrExtractor::NameProblem) is left out, and one message names
  // each such package, escaped.
  void PackagesRefresh();

  // Applies predefined configuration 0, 1 or 2, then Validate.
  void SetStandardConf(int32_t StdConfType);

  // Default run-time option word and ADO execute options of the generated class, as sums
  // of constant names joined by " + " ("0" when none). The option word is not broken
  // into lines.
  std::string DefaultOptionsSum();
  std::string DefaultADOExecOptionsSum();

 private:
  bool ProfileLoadData(std::string* Reason = nullptr);
  // Identifies the file's present version (device, inode, size, modification time);
  // "none" when there is no file.
  static std::string FileStamp(const std::string& FileName);
  void CreateViewers();
  void FindCreateElem(const std::string& ElemName);
  void PackagesRemoveUnused();
  void PackagesCheckAddUnpackaged();
  void CheckOutputFile(const std::string& FileName, const char* EmptyMsg, bool ForWriting);
  void KeepUnreadableProfile(const std::string& FileName);
  // Where a snapshot named relative to the profile, or as the samples folder holds a
  // sample profile's snapshot, is found from any working folder.
  std::vector<std::string> SnapshotFolders();

  std::shared_ptr<CServer> server_;
  // The profile file that failed to load, until it is kept aside by Save.
  std::string unreadableProfile_;
  // The profile file as it was when it was last loaded, saved or made new here.
  void RecordStamp(const std::string* Bytes = nullptr);
  std::string stampFile_, stamp_, savedXml_;
  std::optional<std::string> stampBytes_;
};

}  // namespace pf
