#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "cli/CliCommands.h"
#include "cli/CliSession.h"
#include "base/Os.h"
#include "errors/Faultnet31.h"
#include "platform/FileIO.h"
#include "platform/Variant.h"
#include "settings/CSettings.h"
#include "settings/MKeyTypes.h"
#include "settings/MStdConfigs.h"
#include "shell/MUtils.h"
#include "xml/bwXMLBrowser.h"

namespace pf::cli {

namespace {

// The sections whose keys --set may change (package entries are not keys).
struct SectionRef {
  const char* Name;
  std::shared_ptr<bwXMLBrowser> CSettings::*Viewer;
};
constexpr SectionRef kKeySections[] = {
    {"Server", &CSettings::xServer},   {"StoredProc", &CSettings::xStoredProc}, {"AddnlFunc", &CSettings::xAddnlFunc},
    {"ErrHndl", &CSettings::xErrHndl}, {"IniOptions", &CSettings::xIniOptions}, {"Misc", &CSettings::xMisc},
    {"Code", &CSettings::xCode},
};
constexpr const char* kSectionNames = "Server, StoredProc, AddnlFunc, ErrHndl, IniOptions, Misc, Code";

bool IsServerSection(const KeySetting& k) { return k.Section == "Server"; }

// Writes one key through its section viewer, so that a key the section does not have
// fails with the viewer's allowed-names message.
void ApplySetting(CSettings& s, const KeySetting& k) {
  const SectionRef* section = nullptr;
  for (const SectionRef& ref : kKeySections)
    if (k.Section == ref.Name) section = &ref;
  Faultnet31::Check(section != nullptr, ERR_USER_CHECK, "Unknown section [%1] in --set %1.%2: the sections are %3.",
                    k.Section, k.Key, kSectionNames);
  if (k.Section == "Server" && k.Key == "SrvrType")
    Faultnet31::Check(k.Value.size() == 1 && k.Value[0] >= '0' && k.Value[0] <= '4', ERR_USER_CHECK,
                      "Server.SrvrType takes 0 (Access), 1 (SQL Server), 2 (Sybase), 3 (Oracle) or 4 (PostgreSQL), "
                      "not '%1'.",
                      k.Value);
  bwXMLBrowser& viewer = *(s.*section->Viewer);
  viewer.POP(0);
  try {
    viewer.Attr(k.Key);
  } catch (const AppError& e) {
    // A wrong key is a mistake on the command line, not a fault of the program: shown
    // as a plain message with the viewer's own text and the names it allows.
    if (e.Number != ERR_ATTR_NOT_ALLOWED) throw;
    std::string allowed = viewer.AllowedAttrs();
    while (!allowed.empty() && allowed.front() == ',') allowed.erase(0, 1);
    while (!allowed.empty() && allowed.back() == ',') allowed.pop_back();
    for (size_t at = allowed.find(','); at != std::string::npos; at = allowed.find(',', at + 2))
      allowed.replace(at, 1, ", ");
    throw AppError(ERR_USER_CHECK, "procforge-cli",
                   Faultnet31::FirstLine(e.Description) + " The keys of " + k.Section + " are: " + allowed + ".");
  }
  // A value of the wrong kind changes nothing: the profile is not saved.
  MKeyTypes::RequireKeyValue(k.Section, k.Key, k.Value);
  viewer.Attr(k.Key, Variant(k.Value));
}

// Reads the profile (or makes the new one) and makes the command line's changes to it.
void Configure(CliSession& Session) {
  const CliOptions& o = Session.Options();
  CSettings& s = Session.Settings();
  if (o.New) {
    bool hasType = false;
    for (const KeySetting& k : o.Sets) hasType = hasType || (IsServerSection(k) && k.Key == "SrvrType");
    Faultnet31::Check(hasType, ERR_USER_CHECK,
                      "A new profile needs its server type: add --set Server.SrvrType=N (0 Access, 1 SQL Server, "
                      "2 Sybase, 3 Oracle, 4 PostgreSQL).");
    Session.NewProfile();
  } else {
    Session.OpenProfile();
  }

  // The configurations take server-dependent values and the default connection string
  // from the Server keys, so those come first. A new profile gets the desktop
  // configuration again once its server type is known.
  for (const KeySetting& k : o.Sets)
    if (IsServerSection(k)) ApplySetting(s, k);
  if (o.Config || o.New) s.SetStandardConf(o.Config.value_or(MStdConfigs::SC_DESKTOP));
  for (const KeySetting& k : o.Sets) ApplySetting(s, k);
  s.Validate();
}

// Refuses a profile that may not be changed: one without write permission for anybody
// (root included), or one this user may not write.
void RequireWritable(const std::string& File) {
  Os::Info st;
  if (!Os::Stat(File, st)) return;  // the load names what is wrong
  Faultnet31::Check((st.Mode & 0222) != 0 && Os::Writable(File), ERR_USER_CHECK,
                    "The profile %1 is read-only; it was not changed.", File);
}

}  // namespace

int RunConfigure(CliSession& Session) {
  CSettings& s = Session.Settings();
  const bool isNew = Session.Options().New;
  // Runs on one profile (under any of its names) read, change and save it one after
  // another: each reads the file only once it holds the lock, so no change is lost. A
  // new profile is created only if no other program made it meanwhile.
  std::optional<FileIO::FileLock> lock;
  if (!isNew && MUtils::FileExists(Session.ProfilePath())) {
    RequireWritable(Session.ProfilePath());
    try {
      lock.emplace(Session.ProfilePath());
    } catch (const AppError& e) {
      Faultnet31::Check(false, ERR_USER_CHECK, "%1; the profile was not changed.",
                        Faultnet31::FirstLine(e.Description));
    }
  }
  Configure(Session);
  // A writer that takes no lock (a wizard) saved the profile after it was read: the
  // changes are made again on the file as it is now, so that neither change is lost.
  for (int again = 0; !isNew && s.ChangedOnDisk(); ++again) {
    Faultnet31::Check(again < 3, ERR_USER_CHECK, "The profile %1 keeps changing on disk; it was not saved.",
                      Session.ProfilePath());
    Configure(Session);
  }
  // A failure is one line with its cause.
  std::string failure;
  Faultnet31::Check(s.Save(isNew, &failure), ERR_USER_CHECK, "Error saving profile: %1", failure);
  Print(s.ProfileFileName() + "\n");
  return 0;
}

}  // namespace pf::cli
