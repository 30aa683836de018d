#include "settings/CSettings.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "base/AppPaths.h"
#include "base/Os.h"
#include "base/SourceText.h"
#include "base/Utf8.h"
#include "codelib/MCodeLib.h"
#include "errors/ErrGuard.h"
#include "extract/CServer.h"
#include "extract/CSrvrAccess.h"
#include "extract/CSrvrMSSQL.h"
#include "extract/CSrvrOraADO.h"
#include "extract/CSrvrPostgres.h"
#include "extract/CSrvrSybase.h"
#include "extract/ISrvrExtractor.h"
#include "platform/FileIO.h"
#include "platform/TextFiles.h"
#include "platform/ado/ConnStr.h"
#include "platform/ado/Provider.h"
#include "errors/Secrets.h"
#include "settings/MKeyTypes.h"
#include "settings/MProfileKeys.h"
#include "settings/MStdConfigs.h"
#include "shell/CIniFile.h"
#include "shell/MGlobals.h"
#include "shell/MUtils.h"
#include "text/MMethUtils.h"
#include "xml/MXmlCheck.h"
#include "xml/bwXMLBrowser.h"

namespace pf {

namespace {

namespace SC = MStdConfigs;

constexpr const char* kCharset = "ASCII";
constexpr const char* kTrue = "True";
constexpr const char* kFalse = "False";

// Each section with its viewer, in the order of a new profile; its allowed keys are its
// rows of the profile key table.
struct SectionDef {
  const char* Name;
  std::shared_ptr<bwXMLBrowser> CSettings::*Viewer;
};
const SectionDef kSections[] = {
    {"Server", &CSettings::xServer},   {"StoredProc", &CSettings::xStoredProc}, {"AddnlFunc", &CSettings::xAddnlFunc},
    {"ErrHndl", &CSettings::xErrHndl}, {"IniOptions", &CSettings::xIniOptions}, {"Misc", &CSettings::xMisc},
    {"Code", &CSettings::xCode},       {"Packages", &CSettings::xPackages},
};

constexpr const char* kCrLf = "\r\n";

// Blanks (spaces) trimmed from both ends.
std::string Trim(std::string_view s) { return std::string(srctext::TrimBlanks(s)); }

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The file name part of a path ("\" and "/" both separate) up to its first full stop.
std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find('.');
  if (dot != std::string::npos) name.resize(dot);
  return name;
}

// The profile file is 7-bit text. Characters beyond it are written as XML character
// references, which read back as themselves, instead of being lost as "?". Bytes that
// are not UTF-8 become U+FFFD.
std::string AsciiXml(std::string_view xml) {
  std::string out;
  out.reserve(xml.size());
  for (size_t i = 0; i < xml.size();) {
    const unsigned char c = static_cast<unsigned char>(xml[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    const size_t len = c >= 0xF0 && c < 0xF5 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    uint32_t cp = len == 4 ? c & 0x07u : len == 3 ? c & 0x0Fu : c & 0x1Fu;
    bool ok = len != 0 && i + len <= xml.size();
    for (size_t k = 1; ok && k < len; ++k) {
      const unsigned char cc = static_cast<unsigned char>(xml[i + k]);
      ok = (cc & 0xC0) == 0x80;
      cp = (cp << 6) | (cc & 0x3Fu);
    }
    // Overlong forms, surrogates and values beyond Unicode are not characters.
    ok = ok && !(len == 3 && cp < 0x800) && !(len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) &&
         !(cp >= 0xD800 && cp <= 0xDFFF);
    out += "&#" + std::to_string(ok ? cp : 0xFFFD) + ";";
    i += ok ? len : 1;
  }
  return out;
}

// Typed access to the keys of a section viewer.
std::string Str(bwXMLBrowser& x, const char* key) { return x.strAttr(key); }
bool Bool(bwXMLBrowser& x, const std::string& key) { return x.boolAttr(key, kTrue); }
int32_t Lng(bwXMLBrowser& x, const char* key) { return x.lngAttr(key); }
void Put(bwXMLBrowser& x, const char* key, const char* value) { x.Attr(key, Variant(value)); }
void Put(bwXMLBrowser& x, const char* key, int32_t value) { x.Attr(key, Variant(value)); }

}  // namespace

CSettings::CSettings() {
  IniFile = std::make_unique<CIniFile>();
  IniFile->Init();
  ProfileInit();
}

CSettings::~CSettings() = default;

void CSettings::Init() {
  try {
    ErrGuard("CSettings.Init", [&] {
      IniFile = std::make_unique<CIniFile>();
      IniFile->Init();
      ProfileInit();
      std::string problem;
      const bool loaded = IniFile->LoadOrStartAfresh(problem);
      if (!problem.empty()) MGlobals::ShowMessage(problem);
      if (!loaded) {
        ProfileFileName(DefaultProfileName());
        return;
      }
      const std::string name = IniFile->GetProfile();
      ProfileFileName(name);
      if (Trim(name).empty()) {
        ProfileFileName(DefaultProfileName());
      } else if (MUtils::FileExists(name)) {
        // A profile that does not load leaves a new one under a free name, as its message
        // says: no other file is saved over at exit.
        ProfileLoad();
      } else {
        MGlobals::ShowError("Faild to load profile: " + name);
        ProfileFileName(DefaultProfileName());
      }
    });
  } catch (const AppError&) {
  }
}

void CSettings::ProfileInit() {
  try {
    ErrGuard("CSettings.ProfileInit", [&] {
      auto doc = std::make_shared<bwXMLBrowser>();
      doc->Init("Settings");
      xSettings = std::move(doc);
      CreateViewers();
      ProfileFileName(DefaultProfileName());
      RecordStamp();
      SetStandardConf(SC::SC_DESKTOP);
    });
  } catch (const AppError&) {
  }
}

bool CSettings::ProfileLoad() {
  try {
    return ErrGuard("CSettings.ProfileLoad", [&] {
      std::string reason;
      if (ProfileLoadData(&reason)) return true;
      const std::string file = ProfileFileName();
      unreadableProfile_ = file;
      ProfileInit();
      // The new profile must not take the unreadable file's name: saving it would replace
      // the file the user may still mend.
      ProfileFileName(FreeProfileName(ProfileFileName()));
      MGlobals::ShowMessage("Error Loading Profile...\r\n" + file + ": " + reason + "\r\nA new profile " +
                            ProfileFileName() + " is open instead; the file is left as it is.");
      return false;
    });
  } catch (const AppError&) {
    return false;
  }
}

bool CSettings::ProfileRead(std::string& Reason) { return ProfileLoadData(&Reason); }

bool CSettings::ProfileLoadData(std::string* Reason) {
  try {
    return ErrGuard("CSettings.ProfileLoadData", [&] {
      const std::string file = ProfileFileName();
      // Read into a browser of its own, so that a failure leaves the open profile as it was.
      auto doc = std::make_shared<bwXMLBrowser>();
      const std::string bytes = FileIO::ReadBytes(file);
      doc->Load(TextFiles::Decode(bytes, kCharset));
      // The parser reads more than XML allows; such a profile would be written back as a
      // file that other readers refuse, or with part of it lost (a repeated attribute, a
      // second document element), so it is refused with the place of the fault.
      MXmlCheck::RequireDocument(bytes);
      // Any other XML file (the state file, say) must not be taken for a profile and
      // then overwritten with profile sections at the next save.
      const std::string root = doc->RootElement().name();
      Faultnet31::Check(root == "Settings", ERR_GENERAL,
                        "%1 is not a profile: its document element is <%2>, not <Settings>.", file, root);
      xSettings = std::move(doc);
      IniFile->RecentAddToList(file);
      CreateViewers();
      RecordStamp(&bytes);
      return true;
    });
  } catch (const AppError& e) {
    if (Reason) *Reason = Faultnet31::FirstLine(e.Description);
    return false;
  }
}

std::string CSettings::FileStamp(const std::string& FileName) {
  Os::Info info;
  if (!Os::Stat(AppPaths::Normalize(FileName), info)) return "none";
  // An atomic save by another program replaces the file: its identity changes with it.
  return std::to_string(info.Volume) + ":" + std::to_string(info.Index) + ":" + std::to_string(info.Size) + ":" +
         std::to_string(info.ModifiedNs);
}

namespace {
// The file's bytes, or nothing when it cannot be read.
std::optional<std::string> FileBytes(const std::string& FileName) {
  try {
    return FileIO::ReadBytes(AppPaths::Normalize(FileName));
  } catch (...) {
    return std::nullopt;
  }
}
}  // namespace

void CSettings::RecordStamp(const std::string* Bytes) {
  stampFile_ = ProfileFileName();
  stamp_ = FileStamp(stampFile_);
  // The bytes this object read or wrote, when known: a file another program replaced
  // after they were read, before the stamp was taken, then still counts as changed.
  stampBytes_ = Bytes ? std::optional<std::string>(*Bytes) : FileBytes(stampFile_);
  savedXml_ = AsciiXml(xSettings->xml());
}

bool CSettings::ChangedOnDisk() {
  // A profile given another name since (Save As) is written where the user chose.
  const std::string file = ProfileFileName();
  if (Trim(file).empty() || file != stampFile_) return false;
  // A file replaced within one tick of the file system's clock may reuse the inode and
  // the size: the bytes tell such a change apart.
  return FileStamp(file) != stamp_ || FileBytes(file) != stampBytes_;
}

std::string CSettings::FreeProfileName(const std::string& Wanted) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path wanted = Os::Path(AppPaths::Normalize(Wanted));
  if (!fs::exists(fs::symlink_status(wanted, ec))) return Os::Utf8(wanted);
  const std::string stem = Os::Utf8(wanted.parent_path() / wanted.stem()), ext = Os::Utf8(wanted.extension());
  std::string name;
  for (int n = 2; name.empty() || fs::exists(fs::symlink_status(Os::Path(name), ec)); ++n)
    name = stem + " (" + std::to_string(n) + ")" + ext;
  return name;
}

void CSettings::CreateViewers() {
  ErrGuard("CSettings.CreateViewers", [&] {
    for (const SectionDef& sec : kSections) {
      FindCreateElem(sec.Name);
      this->*sec.Viewer = xSettings->CreateViewer(MProfileKeys::SectionKeys(sec.Name), true);
    }
  });
}

bwXMLBrowser& CSettings::SectionViewer(std::string_view Section) {
  const SectionDef* found = nullptr;
  for (const SectionDef& sec : kSections)
    if (Section == sec.Name) found = &sec;
  Faultnet31::Check(found != nullptr, ERR_GENERAL, "Unknown profile section %1.", Section);
  return *(this->*found->Viewer);
}

void CSettings::FindCreateElem(const std::string& ElemName) {
  ErrGuard(
      "CSettings.FindCreateElem(ElemName)",
      [&] {
        if (xSettings->MoveTo("//" + ElemName, false)) return;
        xSettings->POP(0);
        xSettings->CreateChild(ElemName, true, false);
      },
      ElemName);
}

std::string CSettings::ProfileFileName() {
  return ErrGuard("CSettings.ProfileFileName", [&] { return IniFile->GetProfile(); });
}

void CSettings::ProfileFileName(const std::string& AProfile) {
  ErrGuard(
      "CSettings.ProfileFileName(AProfile)",
      [&] {
        IniFile->SetProfile(AProfile);
        ado::SetSnapshotFolders(SnapshotFolders());
      },
      AProfile);
}

std::vector<std::string> CSettings::SnapshotFolders() {
  const std::string samples = AppPaths::SamplesFolder();
  return {std::filesystem::path(ProfileFileName()).parent_path().string(),
          samples.empty() ? std::string() : std::filesystem::path(samples).parent_path().string()};
}

void CSettings::ReleaseServer() {
  ErrGuard("CSettings.ReleaseServer", [&] {
    if (!server_) return;
    server_->Disconnect();
    server_.reset();
  });
}

int32_t CSettings::ServerType() {
  return ErrGuard("CSettings.ServerType", [&] { return Lng(*xServer, "SrvrType"); });
}

std::string CSettings::DefaultProfileName() {
  return ErrGuard("CSettings.DefaultProfileName", [&] { return AppPaths::BesideProgram("Default.PFG"); });
}

bool CSettings::Save(bool CreateNew, std::string* Failure) {
  try {
    ErrGuard("CSettings.SaveProfile", [&] {
      PackagesRemoveUnused();
      const std::string file = ProfileFileName();
      // Values are checked as they come in; this catches any that did not (a name read
      // from a server, say), so that no profile is written that does not read back.
      const std::string raw = xSettings->xml();
      if (const auto fault = MXmlCheck::CheckDocument(raw))
        Faultnet31::Check(false, ERR_USER_CHECK, "The profile would not be well-formed XML: %1; %2 was not written.",
                          fault->Reason, file);
      const bool secret = Secrets::HoldsPassword(Str(*xServer, "ConnPfg") + ";" + Str(*xIniOptions, "ConnDftString"));
      // The stamp keeps the bytes written here (ASCII, so the file holds them as they
      // are), not the file read back: another program may replace it between the
      // rename and the stamp, and its change must still count as one.
      const std::string xml = AsciiXml(raw);
      if (CreateNew) {
        Faultnet31::Check(FileIO::WriteNew(file, xml, secret), ERR_USER_CHECK,
                          "The profile %1 exists already; it is left as it is.", file);
        RecordStamp(&xml);
      } else if (!Trim(file).empty()) {
        KeepUnreadableProfile(file);
        // A profile that holds a password is readable by its owner only: a new one is
        // created so before anything is written, one that others could read is tightened
        // (and the user told), and the atomic write keeps the mode.
        bool tightened = false;
        if (secret) {
          Os::Info info;
          if (!Os::Stat(file, info)) {
            const int fd = Os::CreateNew(file, 0600);
            if (fd >= 0) Os::Close(fd);
          } else {
            tightened = Os::MakePrivate(file);
          }
        }
        TextFiles::WriteText(file, xml, kCharset);
        RecordStamp(&xml);
        if (tightened)
          MGlobals::ShowMessage("The profile " + file +
                                " holds a password: it is now readable and writable by its owner only (mode 0600).");
      }
      // The state file is written with the profile already in its recent list.
      IniFile->RecentAddToList(file);
    });
  } catch (const AppError& e) {
    if (Failure)
      *Failure = Faultnet31::FirstLine(e.Description);
    else
      MGlobals::ShowError("Error saving profile: " + Faultnet31::FirstLine(e.Description));
    return false;
  }
  // The profile is saved: a state file that cannot be written loses only the note of
  // which profile is current, and the message says that it is that file.
  try {
    IniFile->Save();
  } catch (...) {
    MGlobals::ShowMessage(
        "The profile was saved, but the state file " + IniFile->IniFileName() +
        " could not be written: " + Faultnet31::FirstLine(ToAppError(std::current_exception()).Description));
  }
  return true;
}

CSettings::SaveOutcome CSettings::SaveIfUnchanged(std::string* Failure) {
  const std::string file = AppPaths::Normalize(ProfileFileName());
  std::string failure;
  SaveOutcome outcome = SO_FAILED;
  try {
    std::optional<FileIO::FileLock> lock;
    const bool exists = !Trim(file).empty() && FileIO::KindOf(file) != FileIO::FileKind::Missing;
    if (exists) lock.emplace(file, false, ProfileLockWaitMs);
    if (lock && !lock->Held()) {
      const int seconds = (ProfileLockWaitMs + 999) / 1000;
      failure = "The profile " + file + " is locked by another program (procforge-cli configure, say), which " +
                "still held it after " + std::to_string(seconds) + (seconds == 1 ? " second" : " seconds") +
                "; it was not saved, and the settings shown here are kept.";
      outcome = SO_LOCKED;
    } else if (ChangedOnDisk()) {
      return SO_CHANGED_ON_DISK;
    } else if (Save(!exists && !Trim(file).empty(), &failure)) {
      return SO_SAVED;
    } else if (!exists && FileIO::KindOf(file) != FileIO::FileKind::Missing) {
      // Created by another program after the check: its file is not replaced.
      return SO_CHANGED_ON_DISK;
    }
  } catch (const AppError& e) {
    failure = Faultnet31::FirstLine(e.Description);
  }
  if (Failure)
    *Failure = failure;
  else
    MGlobals::ShowError("Error saving profile: " + failure);
  return outcome;
}

void CSettings::AcceptDiskVersion() {
  stamp_ = FileStamp(stampFile_);
  stampBytes_ = FileBytes(stampFile_);
}

std::string CSettings::SaveBeside() {
  const std::string file = ProfileFileName();
  std::string failure;
  // Another program may take the free name first: then the next one is tried.
  for (int tries = 0; tries < 100; ++tries) {
    const std::string name = FreeProfileName(file);
    ProfileFileName(name);
    if (Save(true, &failure)) return name;
    if (!MUtils::FileExists(name)) break;
  }
  ProfileFileName(file);
  Faultnet31::Check(false, ERR_USER_CHECK, "%1", failure);
  return {};
}

bool CSettings::Modified() { return AsciiXml(xSettings->xml()) != savedXml_; }

// A profile that could not be read is about to be replaced: copy it to the first free
// backup name and say where it went, so that nothing the user had is lost unseen.
void CSettings::KeepUnreadableProfile(const std::string& FileName) {
  namespace fs = std::filesystem;
  if (unreadableProfile_.empty()) return;
  const std::string target = AppPaths::Normalize(FileName);
  std::error_code ec;
  if (FileIO::KindOf(target) == FileIO::FileKind::Missing ||
      !FileIO::SameFile(target, AppPaths::Normalize(unreadableProfile_)))
    return;
  std::string backup = target + ".bak";
  for (int n = 1; fs::exists(Os::Path(backup), ec); ++n) backup = target + ".bak" + std::to_string(n);
  fs::copy_file(Os::Path(target), Os::Path(backup), ec);
  Faultnet31::Check(!ec, ERR_USER_CHECK, "Cannot keep the unreadable profile %1 as %2: %3", FileName, backup,
                    ec.message());
  unreadableProfile_.clear();
  MGlobals::ShowMessage("The profile " + FileName + " could not be read. It has been kept as " + backup +
                        " before the current profile is saved.");
}

void CSettings::DefaultOutputFiles() {
  ErrGuard("CSettings.DefaultOutputFiles", [&] {
    bwXMLBrowser& code = *xCode;
    const bool classBlank = Trim(Str(code, "ClassFile")).empty(),
               moduleBlank = Trim(Str(code, "ParamDefsFile")).empty();
    if (!classBlank && !moduleBlank) return;
    // The database the connection names, else the base name of its data source file.
    const ado::ConnStr::Pairs pairs = ado::ConnStr::Parse(Str(*xServer, "ConnPfg"));
    std::string source;
    for (const char* key : {"Data Source", "Database", "Initial Catalog"})
      if (const std::string* v = ado::ConnStr::Find(pairs, key); v && !Trim(*v).empty()) source = *v;
    source = MUtils::SplitPath(AppPaths::Normalize(source)).BaseName;
    std::string name;
    for (char c : source)
      if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') name += c;
    if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0]))) return;
    const std::string folder = MUtils::SplitPath(AppPaths::Normalize(ProfileFileName())).Folder;
    const std::string beside = folder.empty() ? std::string() : folder + "/";
    if (classBlank) code.Attr("ClassFile", Variant(beside + "C" + name + "DB.cls"));
    if (moduleBlank) code.Attr("ParamDefsFile", Variant(beside + "M" + name + "Params.bas"));
  });
}

void CSettings::FollowServerType(int32_t OldType) {
  ErrGuard("CSettings.FollowServerType", [&] {
    const int32_t st = ServerType();
    if (st == OldType) return;
    for (const MProfileKeys::Pick how :
         {MProfileKeys::Pick::WhenST1, MProfileKeys::Pick::WhenST3, MProfileKeys::Pick::WhenST4}) {
      std::vector<const MProfileKeys::Key*> group;
      bool untouched = true;
      for (const MProfileKeys::Key& k : MProfileKeys::Keys()) {
        if (k.How != how) continue;
        group.push_back(&k);
        untouched = untouched && SectionViewer(k.Section).strAttr(k.Name) == MProfileKeys::ConfValue(k, 0, OldType, {});
      }
      if (!untouched) continue;
      for (const MProfileKeys::Key* k : group)
        SectionViewer(k->Section).Attr(k->Name, Variant(MProfileKeys::ConfValue(*k, 0, st, {})));
    }
  });
}

std::string CSettings::GetClassName() {
  return ErrGuard("CSettings.GetClassName", [&] { return BaseName(Str(*xCode, "ClassFile")); });
}

void CSettings::Validate() {
  ErrGuard("CSettings.Validate", [&] {
    const int32_t st = ServerType();
    const bool msOrSybase = st == 1 || st == 2;
    bwXMLBrowser& sp = *xStoredProc;
    // The added prefixes become the beginning of every method and parameter name.
    for (const char* key : {"MethAddPfx", "PrmAddPfx"}) MKeyTypes::RequireKeyValue("StoredProc", key, Str(sp, key));
    if (!(Bool(sp, "AddSPMethods") && (st == 1 || st == 3 || st == 4))) Put(sp, "AddOraFunctions", kFalse);
    if (Bool(sp, "MethConvToWCap")) Put(sp, "MethFirstCap", kFalse);
    if (Bool(sp, "PrmConvToWCap")) Put(sp, "PrmFirstCap", kFalse);
    if (!msOrSybase) {
      Put(sp, "RetValType", 1);
      for (const char* k : {"MSUseLongForInts", "MSUseDblForFloat", "MSUseDblForMoney", "MSUseStrForGuid"})
        Put(sp, k, kFalse);
    }
    if (st != 3) {
      Put(sp, "OraLongForZeroScale", kFalse);
      Put(sp, "OraForceLong", kFalse);
    }

    bwXMLBrowser& af = *xAddnlFunc;
    if (Lng(af, "ConnSrcType") != 3) Put(af, "ErrIfRegFailed", kFalse);
    if (!(msOrSybase || st == 3)) {
      Put(af, "MultipleRS", kFalse);
      Put(af, "Batch", kFalse);
    }
    if (Lng(af, "Instancing") == 0) {
      Put(af, "COMPlus", kFalse);
      Put(af, "COMPMTSSetting", 0);
      Put(af, "COMPObjControl", kFalse);
      Put(af, "COMPObjConstruct", kFalse);
    }
    const bool comPlus = Bool(af, "COMPlus");
    if (!comPlus && Lng(af, "Trans") == 1) Put(af, "Trans", 2);

    bwXMLBrowser& io = *xIniOptions;
    if (!comPlus) Put(io, "ErrDisCommit", kFalse);
    if (!msOrSybase) Put(io, "AutoCheckRetVal", kFalse);
    if (Lng(io, "ConnTimeout") == 0) Put(io, "ConnTimeout", 15);
    if (Lng(io, "CmdTimeout") == 0) Put(io, "CmdTimeout", 60);

    bwXMLBrowser& eh = *xErrHndl;
    if (Bool(eh, "UseFaultnet")) {
      if (Bool(eh, "LogToFile") && Trim(Str(eh, "LogFileName")).empty()) Put(eh, "LogFileName", "Errors.txt");
      const bool toDB = Bool(eh, "LogToDB");
      if (toDB && Trim(Str(eh, "ErrLogSPName")).empty()) Put(eh, "ErrLogSPName", "spErrorLogInsert");
      if (!toDB) Put(eh, "LogInOtherDB", kFalse);
    } else {
      for (const char* k : {"AddStopOnError", "LogToEvtLog", "LogToFile", "LogToDB"}) Put(eh, k, kFalse);
    }
  });
}

std::string CSettings::BuildClassProlog() {
  return ErrGuard("CSettings.BuildClassProlog", [&] {
    const int32_t mts = Lng(*xAddnlFunc, "COMPMTSSetting");
    const int32_t inst = Lng(*xAddnlFunc, "Instancing");
    std::string name = Trim(GetClassName());
    if (name.empty()) name = "DBClass";
    auto tf = [](bool b) { return b ? kTrue : kFalse; };
    std::string s;
    s.reserve(512);
    for (const char* line :
         {"VERSION 1.0 CLASS", "BEGIN", "  MultiUse = -1  'True", "  Persistable = 0  'NotPersistable",
          "  DataBindingBehavior = 0  'vbNone", "  DataSourceBehavior = 0   'vbNone"})
      s.append(line).append(kCrLf);
    s += "  MTSTransactionMode = " + std::to_string(mts) + " '" + MMethUtils::uMTSSettingAsString(mts) + kCrLf;
    s += std::string("END") + kCrLf;
    s += "Attribute VB_Name = \"" + name + "\"" + kCrLf;
    s += std::string("Attribute VB_GlobalNameSpace = ") + tf(inst == 3) + kCrLf;
    s += std::string("Attribute VB_Creatable = ") + tf(inst == 2 || inst == 3) + kCrLf;
    s += std::string("Attribute VB_PredeclaredId = False") + kCrLf;
    s += std::string("Attribute VB_Exposed = ") + tf(inst >= 1 && inst <= 3) + kCrLf;
    return s;
  });
}

std::string CSettings::BuildModuleProlog() {
  return ErrGuard("CSettings.BuildModuleProlog",
                  [&] { return "Attribute VB_Name = \"" + BaseName(Str(*xCode, "ParamDefsFile")) + "\"" + kCrLf; });
}

std::shared_ptr<ISrvrExtractor> CSettings::CreateServerExtractor() {
  return ErrGuard("CSettings.CreateServerExtractor", [&] {
    const std::string type = Str(*xServer, "SrvrType");
    std::shared_ptr<ISrvrExtractor> ex;
    if (type == "0")
      ex = std::make_shared<CSrvrAccess>();
    else if (type == "1")
      ex = std::make_shared<CSrvrMSSQL>();
    else if (type == "3")
      ex = std::make_shared<CSrvrOraADO>();
    else if (type == "2")
      ex = std::make_shared<CSrvrSybase>();
    else if (type == "4")
      ex = std::make_shared<CSrvrPostgres>();
    Faultnet31::Check(ex != nullptr, ERR_USER_CHECK,
                      "Unknown server type [%1]. The server type must be 0 (MS Access), 1 (Microsoft SQL Server), "
                      "2 (Sybase), 3 (Oracle) or 4 (PostgreSQL).",
                      type);
    ex->SetServer(Server());
    return ex;
  });
}

std::shared_ptr<CServer> CSettings::Server() {
  return ErrGuard("CSettings.Server", [&] {
    if (!server_) server_ = std::make_shared<CServer>();
    // A connection opened for another string or server type (another profile, an edited
    // key) must not keep answering for the new one.
    std::string conn = Str(*xServer, "ConnPfg");
    const int type = Lng(*xServer, "SrvrType");
    if (conn != server_->ConnectionString() || type != server_->CatalogueType()) {
      server_->Disconnect();
      server_->ConnectionString(std::move(conn));
      server_->CatalogueType(type);
    }
    return server_;
  });
}

void CSettings::CheckCanStartGeneratingCode(bool ForWriting) {
  ErrGuard("CSettings.CheckCanStartGeneratingCode", [&] {
    std::string connErr;
    const bool canConnect = Server()->CanConnect(connErr);
    // The connection error is a value, not a message template: its "%" and "||" stay as they are.
    Faultnet31::Check(canConnect, ERR_USER_CHECK, "%1", connErr);
    // The class and the module are named after their files: a name the compiler cannot
    // take is refused before any file is created.
    MKeyTypes::RequireKeyValue("Code", "ClassFile", Str(*xCode, "ClassFile"));
    if (Bool(*xStoredProc, "AddExecSPByName"))
      MKeyTypes::RequireKeyValue("Code", "ParamDefsFile", Str(*xCode, "ParamDefsFile"));
    if (Bool(*xStoredProc, "AddSPMethods"))
      CheckOutputFile(Str(*xCode, "ClassFile"), "Please specify output class file name", ForWriting);
    if (Bool(*xStoredProc, "AddExecSPByName"))
      CheckOutputFile(Trim(Str(*xCode, "ParamDefsFile")), "Please specify parameters definition module file name",
                      ForWriting);
    Faultnet31::Check(!(Lng(*xAddnlFunc, "ConnSrcType") == 2 && Trim(Str(*xAddnlFunc, "LinkFile")).empty()),
                      ERR_USER_CHECK,
                      "Link File is selected as source for connection information,|| but Link File name is not "
                      "specified.");
    if (Bool(*xCode, "IncCode")) {
      const std::string inc = Str(*xCode, "IncFileName");
      Faultnet31::Check(!Trim(inc).empty(), ERR_USER_CHECK, "Please specify include/override file");
      std::string err;
      Faultnet31::Check(MGlobals::CheckFile(inc, err, false), ERR_USER_CHECK,
                        "Cannot open include/override file: %1||%2", err, inc);
      Faultnet31::Check(FileIO::ReadBytes(inc).find('\0') == std::string::npos, ERR_USER_CHECK,
                        "The include/override file %1 holds binary data, not Visual Basic source.", inc);
    }
  });
}

std::vector<std::string> CSettings::InputFiles() {
  std::vector<std::string> files{ProfileFileName()};
  try {
    const ado::ConnStr::Target t = ado::ConnStr::Translate(Str(*xServer, "ConnPfg"));
    if (t.kind == ado::ConnStr::Target::Kind::Snapshot)
      files.push_back(ado::SnapshotPath(t.SnapshotFile, SnapshotFolders()));
  } catch (...) {
    // A connection string that names no file is no input to protect.
  }
  if (Bool(*xCode, "IncCode")) files.push_back(Str(*xCode, "IncFileName"));
  // The code library and its modules are inputs of every run.
  for (std::string& f : MCodeLib::LibraryInputs()) files.push_back(std::move(f));
  return files;
}

// The three checks of one output file: named, overwrite confirmed, writable.
void CSettings::CheckOutputFile(const std::string& FileName, const char* EmptyMsg, bool ForWriting) {
  // A name of blanks only would create a file named by blanks: treat it as missing.
  Faultnet31::Check(!Trim(FileName).empty(), ERR_USER_CHECK, EmptyMsg);
  if (!ForWriting) return;
  // A file that cannot be written is refused before the user is asked about replacing it.
  std::string err;
  Faultnet31::Check(MGlobals::CheckFile(FileName, err, true, InputFiles()), ERR_USER_CHECK,
                    "Cannot open output file: %1", err);
  if (Bool(*xCode, "ConfirmOverWrite") && MUtils::FileExists(FileName)) {
    Faultnet31::Check(MGlobals::AskYesNo("File " + FileName + " already exists. Do you want to overwrite it?"),
                      ERR_USER_CHECK, "Operation Cancelled.");
  }
}

bool CSettings::FindPackage(const std::string& Pkg, std::string& Pfx) {
  return ErrGuard(
      "CSettings.FindPackage(Pkg,Pfx)",
      [&] {
        const std::string name = Pkg == SC::kUnpackaged ? Pkg : Upper(Pkg);
        if (!xSettings->FindElem("//Package", "Name", name)) return false;
        Pfx = xSettings->strAttr("Prefix");
        return true;
      },
      Pkg, Pfx);
}

std::string CSettings::ListFilter() {
  const int32_t type = ServerType();
  if (type == 3) return GetPackageList();
  if (type == 4) return xServer->strAttr("PgSchemas");
  return {};
}

std::string CSettings::GetPackageList() {
  return ErrGuard("CSettings.GetPackageList", [&] {
    std::string list;
    bwXMLBrowser& p = *xPackages;
    p.POP(0);
    if (!p.MoveToFirstChild()) return list;
    do {
      if (Bool(p, "Selected")) {
        if (!list.empty()) list += ',';
        list += p.strAttr("Name");
      }
    } while (p.MoveNext());
    return list;
  });
}

void CSettings::DisconnectServer() {
  try {
    Server()->Disconnect();
  } catch (...) {
  }
}

bool CSettings::TestConnection(const std::string& AConnectstring, std::string& ErrMsg) {
  return ErrGuard(
      "CSettings.TestConnection(AConnectstring,ErrMsg)",
      [&] { return Server()->TestConnection(AConnectstring, ErrMsg); }, AConnectstring, ErrMsg);
}

std::string CSettings::SPNameToVBNameX(const std::string& SPName) {
  return ErrGuard(
      "CSettings.SPNameToVBNameX(SPName)",
      [&] {
        bwXMLBrowser& sp = *xStoredProc;
        std::string name = SPName;
        std::string pkgPrefix;
        if (ServerType() == 3) {
          const size_t dot = SPName.find('.');
          std::string pkg = SC::kUnpackaged;
          if (dot != std::string::npos) {
            pkg = SPName.substr(0, dot);
            name = SPName.substr(dot + 1);
          }
          if (!pkg.empty()) FindPackage(pkg, pkgPrefix);
        }
        name = MMethUtils::uRemovePrefix(name, Str(sp, "MethRmvPfxs"));
        if (Bool(sp, "MethConvToWCap"))
          name = MMethUtils::uToWordCap(name);
        else if (Bool(sp, "MethFirstCap"))
          srctext::RaiseFirst(name);
        return MMethUtils::uCheckWithVBKeyWords(Trim(Str(sp, "MethAddPfx")) + pkgPrefix + name);
      },
      SPName);
}

std::string CSettings::ParamNameToVBNameX(const std::string& PName, const std::string& ATypeName) {
  return ErrGuard(
      "CSettings.ParamNameToVBNameX(PName,ATypeName)",
      [&] {
        bwXMLBrowser& sp = *xStoredProc;
        std::string name;
        name.reserve(PName.size());
        for (char c : PName)
          if (c != '#') name += c;
        if (ServerType() == 0) {
          if (const size_t bang = name.rfind('!'); bang != std::string::npos) name.erase(0, bang + 1);
          if (!name.empty() && name[0] == '@') name.erase(0, 1);
        }
        name = MMethUtils::uRemovePrefix(name, Str(sp, "PrmRmvPfx"));
        if (Bool(sp, "PrmConvToWCap"))
          name = MMethUtils::uToWordCap(name);
        else if (Bool(sp, "PrmFirstCap"))
          srctext::RaiseFirst(name);
        if (Bool(sp, "PrmAddTypePfx")) name = MMethUtils::uGetStdTypePrefix(ATypeName) + name;
        return MMethUtils::uCheckWithVBKeyWords(Trim(Str(sp, "PrmAddPfx")) + name);
      },
      PName, ATypeName);
}

bool CSettings::CheckSPNameFilter(const std::string& SPName) { return SPNameFilter()(SPName); }

std::function<bool(const std::string&)> CSettings::SPNameFilter() {
  bwXMLBrowser& sp = *xStoredProc;
  std::optional<MMethUtils::PatternList> include, exclude;
  if (Bool(sp, "MethUseFilterInc")) include.emplace(Str(sp, "MethFilterInc"), false);
  if (Bool(sp, "MethUseFilterExc")) exclude.emplace(Str(sp, "MethFilterExc"), false);
  auto filter =
      std::make_shared<std::pair<std::optional<MMethUtils::PatternList>, std::optional<MMethUtils::PatternList>>>(
          std::move(include), std::move(exclude));
  return [filter](const std::string& SPName) {
    return ErrGuard(
        "CSettings.CheckSPNameFilter(SPName)",
        [&] {
          bool ok = true;
          if (filter->first && !filter->first->Matches(SPName)) ok = false;
          if (filter->second && filter->second->Matches(SPName)) ok = false;
          return ok;
        },
        SPName);
  };
}

void CSettings::PackagesRefresh() {
  ErrGuard("CSettings.PackageRefresh", [&] {
    PackagesRemoveUnused();
    std::shared_ptr<CServer> srv = Server();
    srv->ExecSQL("SELECT * from user_objects where object_type = 'PACKAGE'");
    auto rs = srv->Recordset();
    std::string leftOut;
    while (!rs->Eof()) {
      const std::string name = srv->Value("OBJECT_NAME");
      if (const std::string problem = ISrvrExtractor::NameProblem(name); !problem.empty()) {
        leftOut += "\r\nPackage \"" + Utf8::Escaped(name) + "\" is left out of the list: its name " + problem + ".";
      } else if (!xSettings->FindElem("//Package", "Name", name)) {
        xPackages->POP(0);
        xPackages->CreateChild("Package", true, false);
        xPackages->Attr("Name", Variant(name));
      }
      rs->MoveNext();
    }
    if (!leftOut.empty()) MGlobals::ShowMessage(leftOut.substr(2));
  });
}

void CSettings::PackagesRemoveUnused() {
  ErrGuard("CSettings.PackagesRemoveUnused", [&] {
    bwXMLBrowser& p = *xPackages;
    p.POP(0);
    p.SelUnselectAll();
    if (p.MoveToFirstChild()) {
      do {
        if (p.strAttr("Prefix").empty() && !Bool(p, "Selected") && p.strAttr("Name") != SC::kUnpackaged) p.SelAdd();
      } while (p.MoveNext());
    }
    p.SelRemoveSelected();
    PackagesCheckAddUnpackaged();
  });
}

void CSettings::PackagesCheckAddUnpackaged() {
  ErrGuard("CSettings.PackagesCheckAddUnpackaged", [&] {
    if (xSettings->FindElem("//Package", "Name", SC::kUnpackaged)) return;
    xPackages->POP(0);
    xPackages->CreateChild("Package", true, true);
    xPackages->Attr("Name", Variant(SC::kUnpackaged));
  });
}

void CSettings::SetStandardConf(int32_t StdConfType) {
  ErrGuard(
      "CSettings.SetStandardConf(StdConfType)",
      [&] {
        const int32_t st = ServerType();
        const auto values = SC::StdConfValues(StdConfType, st, Str(*xServer, "ConnPfg"));
        bwXMLBrowser* viewer = nullptr;
        const char* section = "";
        for (const SC::ConfValue& v : values) {
          if (std::string_view(v.Section) != section) {
            section = v.Section;
            viewer = &SectionViewer(section);
            viewer->POP(0);
          }
          viewer->Attr(v.Key, Variant(v.Value));
        }
        if (st == 3) {
          bwXMLBrowser& p = *xPackages;
          p.POP(0);
          if (!p.FindElem("Package", "Name", SC::kUnpackaged)) {
            p.CreateChild("Package", true, false);
            p.Attr("Name", Variant(SC::kUnpackaged));
          }
          p.Attr("Prefix", Variant(""));
          p.Attr("Selected", Variant(kTrue));
        }
        Validate();
      },
      StdConfType);
}

namespace {

// The flag names of one sum whose keys are true, in key table order.
std::string FlagSum(CSettings& Settings, MProfileKeys::Sum Which) {
  std::string names;
  std::vector<bool> values;
  for (const MProfileKeys::Key& k : MProfileKeys::Keys()) {
    if (k.InSum != Which) continue;
    names += names.empty() ? "" : ",";
    names += k.Flag;
    values.push_back(Bool(Settings.SectionViewer(k.Section), k.Name));
  }
  return MMethUtils::uBuildFlagSum(names, values, SC::kFlagSumDelim, SC::kFlagSumEmpty);
}

}  // namespace

std::string CSettings::DefaultOptionsSum() { return FlagSum(*this, MProfileKeys::Sum::Options); }

std::string CSettings::DefaultADOExecOptionsSum() { return FlagSum(*this, MProfileKeys::Sum::ADOExec); }

}  // namespace pf
