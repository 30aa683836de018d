#pragma once
// Fixture of the method-constructor and golden-method tests: a temporary program folder,
// a scripted user interface, and the settings model loaded from a sample profile (its
// snapshot path made absolute) or from a snapshot script written by the test.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "settings/CSettings.h"
#include "support/SettingsTestEnv.h"

namespace ctortest {

class CtorTest : public pftest::SettingsTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Loads samples/<Rel> (for example "mssql/OrderEntry.PFG") and points ConnPfg at the
  // sample's snapshot by an absolute path.
  void LoadSample(const std::string& Rel);
  // Writes Script as a snapshot file of its own and points ConnPfg at it.
  void UseSnapshot(const std::string& Script);
  // Sets a key of a section ("StoredProc", "ErrHndl", ...).
  void Key(const std::string& Section, const std::string& Name, const std::string& Value);

  std::unique_ptr<pf::CSettings> stt;

 private:
  int snapshots_ = 0;
};

// A SQL Server snapshot script with one ProcedureParameters row per item of Rows, each
// written as the values of (ProcedureName, Ordinal, Name, Direction, Type, Size,
// Precision, NumericScale, Attributes), for example "'p', 0, '@RETURN_VALUE', 4, 3, 4, 10, 0, 16".
std::string ParamSnapshot(const std::vector<std::string>& Rows);

}  // namespace ctortest
