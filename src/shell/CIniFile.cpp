#include "shell/CIniFile.h"

#include "errors/ErrGuard.h"
#include "base/AppPaths.h"
#include "base/VBDate.h"
#include "shell/MUtils.h"

namespace pf {

namespace {
constexpr const char* kFileName = "Procforge.ini";
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

bool CIniFile::Load() {
  return ErrGuard("CIniFile.Load", [&] {
    const std::string name = IniFileName();
    if (!MUtils::FileExists(name)) return false;
    auto x = std::make_shared<bwXMLBrowser>();
    x->ReadFromFile(name, false, "");
    x->MoveTo("//RecentList", true);
    auto recent = x->CreateViewer("", true);
    x->POP(0);
    xIni_ = std::move(x);
    xRecent_ = std::move(recent);
    return true;
  });
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
    xIni_->POP(0);
    xIni_->WriteToFile(IniFileName(), false, "");
  });
}

void CIniFile::RecentAddToList(const std::string& AProfile) {
  ErrGuard("CIniFile.RecentAddToList(AProfile)", [&] {
    if (AProfile.find_first_not_of(" \t") == std::string::npos) return;
    xRecent_->POP(0);
    if (!xRecent_->FindElem("Profile", "Profile", AProfile)) {
      xRecent_->CreateChild("Profile", true, false);
      xRecent_->Attr("Profile", AProfile);
    }
    xRecent_->Attr("LastAccessed", VBDate::Now());
    xRecent_->POP(0);
    RecentCheckCount();
  }, AProfile);
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
