#include "support/SettingsTestEnv.h"

#include "errors/Faultnet31.h"
#include "base/AppPaths.h"
#include "shell/MGlobals.h"

namespace pftest {

void SettingsTest::SetUp() {
  pf::Faultnet31::Reset();
  pf::AppPaths::SetProgramFolder(dir.path().string());
  ui = std::make_shared<pf::ScriptedUserInterface>();
  pf::MGlobals::SetUserInterface(ui);
  savedAppState_ = pf::MGlobals::AppState;
  pf::MGlobals::AppState = pf::MGlobals::AS_RUNNING;
}

void SettingsTest::TearDown() {
  pf::MGlobals::AppState = savedAppState_;
  pf::MGlobals::SetUserInterface(nullptr);
  pf::AppPaths::SetProgramFolder("");
}

std::vector<std::string> SettingsTest::Shown() const {
  std::vector<std::string> lines;
  for (const auto& m : ui->Messages) {
    const char* kind = !pf::IsQuestion(m.Buttons) ? (m.Title == "Error" ? "Error" : "Message")
                                                  : (m.Title == "Confirm" ? "Confirm" : "Ask");
    lines.push_back(std::string(kind) + ": " + m.Msg);
  }
  return lines;
}

void LoadSampleProfile(pf::CSettings& Stt, const std::string& Rel) {
  Stt.ReleaseServer();
  Stt.ProfileFileName(Sample(Rel));
  ASSERT_TRUE(Stt.ProfileLoad()) << Rel;
  const std::string conn = Stt.xServer->strAttr("ConnPfg");
  Stt.xServer->Attr("ConnPfg", pf::Variant(ReplaceAll(conn, "Data Source=", "Data Source=" PF_SOURCE_DIR "/")));
}

void AddPackage(pf::CSettings& Stt, const std::string& Name, const std::string& Prefix, const std::string& Selected) {
  pf::bwXMLBrowser& x = *Stt.xPackages;
  x.POP(0);
  x.CreateChild("Package", true, false);
  x.Attr("Name", pf::Variant(Name));
  if (Prefix != "-") x.Attr("Prefix", pf::Variant(Prefix));
  if (Selected != "-") x.Attr("Selected", pf::Variant(Selected));
}

}  // namespace pftest
