#include "CtorTestEnv.h"

#include "errors/Faultnet31.h"
#include "base/AppPaths.h"
#include "xml/bwXMLBrowser.h"
#include "shell/MGlobals.h"

namespace ctortest {

void CtorTest::SetUp() {
  pftest::InstallTestEnvironment();
  SettingsTest::SetUp();
  stt = std::make_unique<pf::CSettings>();
}

void CtorTest::TearDown() {
  stt.reset();
  SettingsTest::TearDown();
}

void CtorTest::LoadSample(const std::string& Rel) { pftest::LoadSampleProfile(*stt, Rel); }

void CtorTest::UseSnapshot(const std::string& Script) {
  const std::string file = dir.file("snap" + std::to_string(++snapshots_) + ".sql");
  pftest::WriteAll(file, Script);
  stt->ReleaseServer();
  stt->xServer->Attr("ConnPfg", pf::Variant("Provider=Procforge.Snapshot;Data Source=" + file));
}

void CtorTest::Key(const std::string& Section, const std::string& Name, const std::string& Value) {
  pf::bwXMLBrowser* x = nullptr;
  if (Section == "Server") x = stt->xServer.get();
  if (Section == "StoredProc") x = stt->xStoredProc.get();
  if (Section == "ErrHndl") x = stt->xErrHndl.get();
  if (Section == "Code") x = stt->xCode.get();
  ASSERT_NE(x, nullptr) << Section;
  x->Attr(Name, pf::Variant(Value));
}

std::string ParamSnapshot(const std::vector<std::string>& Rows) {
  std::string s =
      "CREATE TABLE ProcedureParameters (ProcedureName TEXT NOT NULL COLLATE NOCASE, Ordinal INTEGER NOT NULL, "
      "Name TEXT, Direction INTEGER, Type INTEGER, Size INTEGER, Precision INTEGER, NumericScale INTEGER, "
      "Attributes INTEGER, PRIMARY KEY (ProcedureName, Ordinal));\n"
      "INSERT INTO ProcedureParameters VALUES\n";
  bool first = true;
  for (const std::string& r : Rows) {
    s += first ? "  (" : ",\n  (";
    s += r + ")";
    first = false;
  }
  return s + ";\n";
}

}  // namespace ctortest
