#pragma once
// Shared by the class builder, method constructor and generation command tests: a temporary
// program folder holding a small code library written by the test, a settings model on it,
// the sample catalogues or snapshots written by the test, and the recording progress display.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "errors/AppError.h"
#include "errors/Faultnet31.h"
#include "base/AppPaths.h"
#include "settings/CSettings.h"
#include "xml/bwXMLBrowser.h"
#include "shell/CProgress.h"
#include "shell/MGlobals.h"
#include "shell/ScriptedUserInterface.h"
#include "support/RecordingDisplay.h"
#include "support/SettingsTestEnv.h"

namespace buildertest {

using pftest::RecordingDisplay;

// A library block as the library file writes it.
inline std::string Block(const std::string& name, const std::string& body) {
  return "'#block " + name + "\r\n" + pftest::CrLf(body) + "\r\n'#endblock\r\n";
}

// Every block the block list can name, each a small procedure named after it, so that
// the order of the class text shows the order of the block list; plus the blocks fetched
// by name. Decl and MethStd show which conditions and references reached the engine.
inline std::string TestLibrary() {
  std::string lib;
  lib += Block("DeclOption", "Option Explicit");
  lib += Block("Decl",
               "Private mConn As Object\n"
               "'#Cond UseFaultnet\n"
               "Private Const USES_FAULTNET = True\n"
               "'#EndCond\n"
               "Private Const OPTS = XXDefaultOptionsXX");
  lib += Block("MethStd",
               "Public Sub OpenConnection()\n"
               "    XXCodeCheckConnectionAssignedXX\n"
               "    mConn.ConnectionTimeout = XXDefaultConnectionTimeoutXX\n"
               "End Sub");
  for (const char* name : {"SPListTitle", "ExecSQL", "MethExecSPByName", "ValFmt", "MethErrProps", "IFaceClass",
                           "MethContext", "IFaceObjectControl", "IFaceObjectConstruct", "MethTrans", "MethRSNavigate",
                           "MethBatch", "MethXML", "MethAdvXML", "StdPriv", "MethHandleError"})
    lib += Block(name, std::string("Private Sub B_") + name + "()\nEnd Sub");
  lib += Block("CodeCheckConnectionAssigned", "CheckConnectionAssigned");
  lib += Block("Preface", "'#XXClassNameXX - XXAppNameXX XXProcforgeVersionXX\n'#Generated XXDateTimeXX");
  lib += Block("PubClsMembers", "'#Public members of XXClassNameXX:");
  lib += Block("ParamDefPreface", "'Parameter definitions of XXClassNameXX");
  return lib;
}

// A program folder with a code library, the message routines on a scripted user
// interface, the fixed clock, and a settings model.
class BuilderTest : public pftest::SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    WriteLibrary(TestLibrary());
    FreshSettings();
  }
  // A new settings model, so that nothing an earlier case set is left over.
  void FreshSettings() {
    stt.reset();
    stt = std::make_unique<pf::CSettings>();
    // No procedures unless a test asks for them, so that no server is needed.
    Set(*stt->xStoredProc, "AddSPMethods", "False");
    Set(*stt->xStoredProc, "AddExecSPByName", "False");
    Set(*stt->xCode, "ClassFile", dir.file("CTestDB.cls"));
    Set(*stt->xCode, "ParamDefsFile", dir.file("MTestParams.bas"));
  }
  void TearDown() override {
    stt.reset();
    SettingsTest::TearDown();
  }

  // The scrambled form goes too: a rewrite within the file system's timestamp tick would
  // not look newer than it.
  void WriteLibrary(const std::string& text) {
    std::filesystem::remove(dir.file("CodeLib.dat"));
    pftest::WriteAll(dir.file("CodeLib.cls"), text);
  }

  static void Set(pf::bwXMLBrowser& section, const std::string& key, const std::string& value) {
    section.Attr(key, pf::Variant(value));
  }

  // Loads a profile of samples/ and points its connection at the snapshot beside it.
  void LoadSample(const std::string& profile) {
    pftest::LoadSampleProfile(*stt, profile);
    Set(*stt->xCode, "ClassFile", dir.file("CTestDB.cls"));
    Set(*stt->xCode, "ParamDefsFile", dir.file("MTestParams.bas"));
  }

  // Sets a key of the profile section named Section.
  void Key(const std::string& Section, const std::string& Name, const std::string& Value) {
    Set(stt->SectionViewer(Section), Name, Value);
  }

  // Writes Script as a snapshot file of its own and points ConnPfg at it.
  void UseSnapshot(const std::string& Script) {
    const std::string file = dir.file("snap" + std::to_string(++snapshots_) + ".sql");
    pftest::WriteAll(file, Script);
    stt->ReleaseServer();
    Set(*stt->xServer, "ConnPfg", "Provider=Procforge.Snapshot;Data Source=" + file);
  }

  std::vector<std::string> Shown() const {
    std::vector<std::string> out;
    for (const auto& m : ui->Messages) out.push_back(m.Msg);
    return out;
  }

  std::unique_ptr<pf::CSettings> stt;

 private:
  int snapshots_ = 0;
};

// A SQL Server snapshot script with one ProcedureParameters row per item of Rows, each the
// values of (ProcedureName, Ordinal, Name, Direction, Type, Size, Precision, NumericScale,
// Attributes), for example "'p', 0, '@RETURN_VALUE', 4, 3, 4, 10, 0, 16".
inline std::string ParamSnapshot(const std::vector<std::string>& Rows) {
  std::string s =
      "CREATE TABLE ProcedureParameters (ProcedureName TEXT NOT NULL COLLATE NOCASE, Ordinal INTEGER NOT NULL, "
      "Name TEXT, Direction INTEGER, Type INTEGER, Size INTEGER, Precision INTEGER, NumericScale INTEGER, "
      "Attributes INTEGER, PRIMARY KEY (ProcedureName, Ordinal));\n"
      "INSERT INTO ProcedureParameters VALUES\n  (";
  for (size_t i = 0; i < Rows.size(); ++i) s += (i ? "),\n  (" : "") + Rows[i];
  return s + ");\n";
}

using pftest::FirstLine;
using pftest::Raised;

}  // namespace buildertest
