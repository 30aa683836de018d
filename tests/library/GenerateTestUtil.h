#pragma once
// Generating whole classes in-process for the library tests: a temporary program folder
// holding the code library and the Visual Basic modules of the source tree, the sample
// profiles and catalogue snapshots, the fixed clock, and the class code builder.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "settings/CSettings.h"
#include "support/TestEnv.h"

namespace pftest::lib {

struct Generated {
  std::string Label;   // what was generated, for messages
  std::string Class;   // class file: header and class text
  std::string Module;  // parameter-definitions module, empty when not asked for
  std::vector<std::string> Dependencies;  // texts of the library modules the class needs
  std::vector<std::string> Warnings;      // what the run reported it skipped or changed
};

// The checker's findings on the class, checked as a whole project with the modules it
// depends on: every name it reads must be declared somewhere in it. Empty when clean.
std::string ClassFindings(const Generated& g);

class Generator {
 public:
  // Runs with the source tree as the working folder, since the sample profiles name their
  // snapshots relative to it; the destructor restores the previous folder.
  Generator();
  ~Generator();
  Generator(const Generator&) = delete;
  Generator& operator=(const Generator&) = delete;

  // Loads samples/<Profile> (for example "mssql/OrderEntry.PFG").
  void LoadSample(const std::string& Profile);
  // From now on, samples read their catalogues from database copies of their snapshot
  // scripts made once in the temporary folder (much faster than loading the script for
  // every class). The connection strings then name those copies, so classes that print
  // them are not reproducible.
  void UseSnapshotCopies() { snapshotCopies_ = true; }
  // Applies a predefined configuration (0 COM+, 1 ASP, 2 desktop).
  void ApplyConf(int Conf);
  // Sets a key of a profile section ("AddnlFunc", "ErrHndl", ...).
  void Set(std::string_view Section, const std::string& Key, const std::string& Value);
  std::string Get(std::string_view Section, const std::string& Key);

  // Forces dependent keys as a generation run does and builds the class ClassName (and
  // the parameter-definitions module when AddExecSPByName is on).
  Generated Build(const std::string& ClassName, const std::string& Label);

 private:
  std::string savedCwd_;
  std::string sample_;
  bool snapshotCopies_ = false;
  std::string SnapshotCopy(const std::string& Script);
  TempDir dir_;
  std::unique_ptr<pf::CSettings> stt_;
};

}  // namespace pftest::lib
