#pragma once
// Fixture of the tests that work with a settings model: a temporary program folder (state
// file, default profile, code library) and a scripted user interface that records messages
// and answers questions.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "errors/AppError.h"
#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "shell/ScriptedUserInterface.h"
#include "support/TestEnv.h"

namespace pftest {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // What the message routines showed, as "Kind: text" (Message, Error, Ask, Confirm).
  std::vector<std::string> Shown() const;
  void Answer(bool yes) { ui->QueueAnswer(yes ? pf::vbYes : pf::vbNo); }

  std::shared_ptr<pf::ScriptedUserInterface> ui;
  TempDir dir;

 private:
  int32_t savedAppState_ = 0;
};

// Loads the profile samples/<Rel> into Stt (asserting that it loads) and points its
// snapshot, which the profile names relative to the repository root, at the source tree.
// The server object is released first, so no connection of another profile stays open.
void LoadSampleProfile(pf::CSettings& Stt, const std::string& Rel);
// Appends a package entry to the package list of Stt; "-" leaves Prefix or Selected out.
void AddPackage(pf::CSettings& Stt, const std::string& Name, const std::string& Prefix, const std::string& Selected);

}  // namespace pftest
