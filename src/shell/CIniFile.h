#pragma once
// CIniFile: the application state file "Procforge.ini" beside the program (in the
// writable folder, see base/AppPaths.h). Despite its name it is XML:
//   <Procforge Profile="current profile path">
//     <RecentList><Profile Profile="path" LastAccessed="12/6/2026 2:03:05 PM"/>...</RecentList>
//   </Procforge>
// The recent list keeps at most 10 entries in the order they were first added; the
// entry used longest ago goes when an eleventh arrives.
// Failures throw AppError, recorded under "CIniFile.<Operation>".

#include <memory>
#include <string>
#include <vector>

#include "base/VBDate.h"
#include "xml/bwXMLBrowser.h"

namespace pf {

// What RecentFillCombo needs of a combo box.
class IComboBox {
 public:
  virtual ~IComboBox() = default;
  virtual void Clear() = 0;
  virtual void AddItem(const std::string& text) = 0;
  virtual void SetText(const std::string& text) = 0;
};

class CIniFile {
 public:
  static constexpr int kMaxRecent = 10;

  CIniFile();  // starts with a new state document (Init)

  void Init();
  // False (nothing changed) when the file does not exist. A file that is no XML, is not
  // well-formed XML (the message names line and column) or has no "RecentList" throws,
  // and the state in memory stays as it was.
  bool Load();
  // Load for a program that goes on without the state file: true when it was read. A file
  // that exists but cannot be read leaves a new state document and returns false with
  // Problem naming the file and the cause; the next Save keeps that file under a backup
  // name, and says so, instead of replacing it unseen.
  bool LoadOrStartAfresh(std::string& Problem);
  std::string GetProfile();
  void SetProfile(const std::string& AProfile);
  std::string IniFileName() const;
  // Writes the state document. Several programs may save the one state file at once: the
  // file is re-read under a lock on its folder, and this program's current profile and
  // the uses it recorded are applied to it, so that no other program's entry is lost. A
  // file that no longer reads is kept under a backup name, as at load, and the user told.
  void Save();
  void RecentAddToList(const std::string& AProfile);
  void RecentCheckCount();
  void RecentFillCombo(IComboBox& ACombo);
  // The recent profiles in list order, empty entries left out.
  std::vector<std::string> RecentProfiles();

  bwXMLBrowser& Document() { return *xIni_; }

 private:
  // Replaces the state document by the file's content.
  void ReadFile(const std::string& name);
  void RecordUse(const std::string& AProfile, const VBDate::DateTime& When);

  std::shared_ptr<bwXMLBrowser> xIni_;
  std::shared_ptr<bwXMLBrowser> xRecent_;
  // The uses recorded since the file was read (profile, time), applied again at Save.
  std::vector<std::pair<std::string, VBDate::DateTime>> uses_;
  // A state file that could not be read, kept aside by the next Save.
  std::string unreadable_, cause_;
};

}  // namespace pf
