#include "shell/CIniFile.h"

#include <filesystem>

#include "errors/ErrGuard.h"
#include "errors/Faultnet31.h"
#include "platform/FileIO.h"
#include "platform/TextFiles.h"
#include "xml/MXmlCheck.h"
#include "base/AppPaths.h"
#include "base/VBDate.h"
#include "shell/MGlobals.h"
#include "shell/MUtils.h"

namespace pf {

namespace {
constexpr const char* kFileName = "Procforge.ini";

// NAME.bak, else NAME.bak1, NAME.bak2, ...: the first that does not exist.
std::string FreeBackupName(const std::string& name) {
  std::string backup = name + ".bak";
  for (int n = 1; MUtils::FileExists(backup); ++n) backup = name + ".bak" + std::to_string(n);
  return backup;
}
}

CIniFile::CIniFile() { Init(); }

void CIniFile::Init() {
  ErrGuard("CIniFile.Init", [&] {
    auto x = std::make_shared<bwXMLBrowser>();
    x->Init("Procforge");
    x->Attr("Profile", "");
    x->CreateChild("RecentList", true, false);
    auto recent = x->CreateViewer("", true);
    x->POP(0);
    xIni_ = std::move(x);
    xRecent_ = std::move(recent);
  });
}

void CIniFile::ReadFile(const std::string& name) {
  auto x = std::make_shared<bwXMLBrowser>();
  const std::string text = TextFiles::ReadText(name, "");
  x->Load(text);
  // The parser reads more than XML allows (a repeated attribute, a second document
  // element): such a file is refused with the place of the fault, as a profile is, rather
  // than written back with part of it lost.
  MXmlCheck::RequireDocument(text);
  x->MoveTo("//RecentList", true);
  auto recent = x->CreateViewer("", true);
  x->POP(0);
  xIni_ = std::move(x);
  xRecent_ = std::move(recent);
}

bool CIniFile::Load() {
  return ErrGuard("CIniFile.Load", [&] {
    const std::string name = IniFileName();
    if (!MUtils::FileExists(name)) return false;
    ReadFile(name);
    uses_.clear();
    unreadable_.clear();
    return true;
  });
}

bool CIniFile::LoadOrStartAfresh(std::string& Problem) {
  Problem.clear();
  try {
    if (Load()) return true;
  } catch (const AppError& e) {
    const std::string name = IniFileName();
    Init();
    uses_.clear();
    unreadable_ = name;
    cause_ = Faultnet31::FirstLine(e.Description);
    Problem = "The state file " + name + " cannot be read: " + cause_;
    return false;
  }
  Init();
  return false;
}

std::string CIniFile::GetProfile() {
  return ErrGuard("CIniFile.GetProfile", [&] {
    xIni_->POP(0);
    return xIni_->strAttr("Profile");
  });
}

void CIniFile::SetProfile(const std::string& AProfile) {
  ErrGuard("CIniFile.SetProfile(AProfile)", [&] {
    xIni_->POP(0);
    xIni_->Attr("Profile", AProfile);
  }, AProfile);
}

std::string CIniFile::IniFileName() const { return AppPaths::BesideProgram(kFileName); }

void CIniFile::Save() {
  ErrGuard("CIniFile.Save", [&] {
    const std::string name = IniFileName();
    const FileIO::FileLock lock(name, true);
    if (unreadable_.empty() && MUtils::FileExists(name)) {
      // What other programs saved meanwhile stays; this program's changes go on top.
      xIni_->POP(0);
      const std::string current = xIni_->strAttr("Profile");
      bool read = false;
      try {
        ReadFile(name);
        read = true;
      } catch (const AppError& e) {
        // Something made the file unreadable since it was read: it is kept aside as one
        // that did not read at load, and this program's state is written.
        unreadable_ = name;
        cause_ = "it changed since it was read: " + Faultnet31::FirstLine(e.Description);
      }
      if (read) {
        SetProfile(current);
        for (const auto& [profile, when] : uses_) RecordUse(profile, when);
      }
    }
    if (!unreadable_.empty()) {
      // The unreadable file is kept, not replaced: under a free backup name.
      if (MUtils::FileExists(unreadable_)) {
        const std::string backup = FreeBackupName(unreadable_);
        std::error_code ec;
        std::filesystem::rename(unreadable_, backup, ec);
        Faultnet31::Check(!ec, ERR_USER_CHECK, "Cannot keep the unreadable state file %1: %2", unreadable_,
                          ec.message());
        MGlobals::ShowMessage("The state file " + unreadable_ + " could not be read (" + cause_ + "); it is kept as " +
                              backup + ", and a new one is written.");
      }
      unreadable_.clear();
    }
    xIni_->POP(0);
    xIni_->WriteToFile(name, false, "");
  });
}

void CIniFile::RecentAddToList(const std::string& AProfile) {
  ErrGuard("CIniFile.RecentAddToList(AProfile)", [&] {
    if (AProfile.find_first_not_of(" \t") == std::string::npos) return;
    const VBDate::DateTime now = VBDate::Now();
    std::erase_if(uses_, [&](const auto& use) { return use.first == AProfile; });
    uses_.emplace_back(AProfile, now);
    RecordUse(AProfile, now);
  }, AProfile);
}

void CIniFile::RecordUse(const std::string& AProfile, const VBDate::DateTime& When) {
  xRecent_->POP(0);
  if (!xRecent_->FindElem("Profile", "Profile", AProfile)) {
    xRecent_->CreateChild("Profile", true, false);
    xRecent_->Attr("Profile", AProfile);
  }
  xRecent_->Attr("LastAccessed", When);
  xRecent_->POP(0);
  RecentCheckCount();
}

void CIniFile::RecentCheckCount() {
  ErrGuard("CIniFile.RecentCheckCount", [&] {
    xRecent_->POP(0);
    if (xRecent_->ChildCount() <= kMaxRecent) return;
    // The earliest use; of equal times the first in the list. An entry whose time does
    // not read as a date counts as the zero date, so it goes first.
    double earliest = VBDate::ToSerial(VBDate::Now()) + 1;
    pugi::xml_node oldest;
    for (bool more = xRecent_->MoveToFirstChild(); more; more = xRecent_->MoveNext()) {
      const double t = VBDate::ToSerial(xRecent_->dateAttr("LastAccessed"));
      if (t < earliest) {
        earliest = t;
        oldest = xRecent_->Element();
      }
    }
    if (oldest) {
      xRecent_->Element(oldest);
      xRecent_->RemoveElement();
    }
    xRecent_->POP(0);
  });
}

std::vector<std::string> CIniFile::RecentProfiles() {
  std::vector<std::string> list;
  xRecent_->POP(0);
  for (bool more = xRecent_->MoveToFirstChild(); more; more = xRecent_->MoveNext()) {
    std::string p = xRecent_->strAttr("Profile");
    if (!p.empty()) list.push_back(std::move(p));
  }
  xRecent_->POP(0);
  return list;
}

void CIniFile::RecentFillCombo(IComboBox& ACombo) {
  ErrGuard("CIniFile.RecentFillCombo(ACombo)", [&] {
    ACombo.Clear();
    for (const std::string& p : RecentProfiles()) ACombo.AddItem(p);
    ACombo.SetText(GetProfile());
  }, ACombo);
}

}  // namespace pf
