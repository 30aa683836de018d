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
  // False (nothing changed) when the file does not exist. A file that is no XML or has
  // no "RecentList" throws, and the state in memory stays as it was.
  bool Load();
  std::string GetProfile();
  void SetProfile(const std::string& AProfile);
  std::string IniFileName() const;
  void Save();
  void RecentAddToList(const std::string& AProfile);
  void RecentCheckCount();
  void RecentFillCombo(IComboBox& ACombo);
  // The recent profiles in list order, empty entries left out.
  std::vector<std::string> RecentProfiles();

  bwXMLBrowser& Document() { return *xIni_; }

 private:
  std::shared_ptr<bwXMLBrowser> xIni_;
  std::shared_ptr<bwXMLBrowser> xRecent_;
};

}  // namespace pf
