#include "GenerateTestUtil.h"

#include <sqlite3.h>

#include <filesystem>
#include <stdexcept>

#include "builder/CCodeBuilder.h"
#include "errors/Faultnet31.h"
#include "base/AppPaths.h"
#include "platform/Variant.h"
#include "platform/ado/ConnStr.h"
#include "xml/bwXMLBrowser.h"
#include "shell/CProgress.h"
#include "vbcheck/VBCheck.h"

namespace fs = std::filesystem;

namespace pftest::lib {

namespace {

bool IsTrue(const std::string& v) { return v == "True"; }

}  // namespace

Generator::Generator() {
  pf::Faultnet31::Reset();
  savedCwd_ = fs::current_path().string();
  const fs::path library = fs::path(PF_SOURCE_DIR) / "library";
  for (const auto& entry : fs::directory_iterator(library))
    if (entry.is_regular_file()) fs::copy_file(entry.path(), dir_.path() / entry.path().filename());
  pf::AppPaths::SetProgramFolder(dir_.path().string());
  fs::current_path(PF_SOURCE_DIR);
  stt_ = std::make_unique<pf::CSettings>();
}

Generator::~Generator() {
  stt_.reset();
  pf::AppPaths::SetProgramFolder("");
  fs::current_path(savedCwd_);
  pf::Faultnet31::Reset();
}

void Generator::LoadSample(const std::string& Profile) {
  // The catalogue connection stays open from one class to the next of the same sample,
  // as it does between generation runs; another sample needs its own.
  if (Profile != sample_) stt_->DisconnectServer();
  sample_ = Profile;
  stt_->ProfileFileName(Sample(Profile));
  stt_->ProfileLoad();
  if (!snapshotCopies_) return;
  // The samples name nothing but their snapshot script.
  const std::string script = pf::ado::ConnStr::Translate(Get("Server", "ConnPfg")).SnapshotFile;
  Set("Server", "ConnPfg", "Provider=Procforge.Snapshot;Data Source=" + SnapshotCopy(script));
}

std::string Generator::SnapshotCopy(const std::string& Script) {
  const fs::path db = dir_.path() / (fs::path(Script).stem().string() + "-" +
                                     fs::path(Script).parent_path().filename().string() + ".db");
  if (fs::exists(db)) return db.string();
  sqlite3* handle = nullptr;
  const std::string sql = ReadAll(Script);
  char* err = nullptr;
  const bool ok = sqlite3_open(db.string().c_str(), &handle) == SQLITE_OK &&
                  sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, &err) == SQLITE_OK;
  const std::string why = err ? err : (handle ? sqlite3_errmsg(handle) : "cannot open");
  sqlite3_free(err);
  sqlite3_close(handle);
  if (!ok) throw std::runtime_error("snapshot copy of " + Script + ": " + why);
  return db.string();
}

void Generator::ApplyConf(int Conf) { stt_->SetStandardConf(Conf); }

void Generator::Set(std::string_view SectionName, const std::string& Key, const std::string& Value) {
  stt_->SectionViewer(SectionName).Attr(Key, pf::Variant(Value));
}

std::string Generator::Get(std::string_view SectionName, const std::string& Key) {
  return stt_->SectionViewer(SectionName).strAttr(Key);
}

Generated Generator::Build(const std::string& ClassName, const std::string& Label) {
  Set("Code", "ClassFile", (dir_.path() / (ClassName + ".cls")).string());
  Set("Code", "ParamDefsFile", (dir_.path() / ("M" + ClassName + "Defs.bas")).string());
  stt_->Validate();
  Generated g;
  g.Label = Label;
  pf::CCodeBuilder builder;
  pf::CProgress progress;
  int32_t sps = 0, lines = 0, chars = 0;
  builder.BuildCode(*stt_, progress, sps, lines, chars);
  g.Class = stt_->BuildClassProlog() + builder.ClassCode;
  if (IsTrue(Get("StoredProc", "AddExecSPByName"))) g.Module = stt_->BuildModuleProlog() + builder.ParamDefsCode;
  builder.Done();
  g.Warnings = progress.Warnings();
  const fs::path library = fs::path(PF_SOURCE_DIR) / "library";
  auto depend = [&](const char* file) {
    if (fs::exists(library / file)) g.Dependencies.push_back(ReadAll((library / file).string()));
  };
  if (IsTrue(Get("ErrHndl", "UseFaultnet"))) depend("Faultnet31.bas");
  if (IsTrue(Get("AddnlFunc", "XMLBasic")) || IsTrue(Get("AddnlFunc", "XMLAdvanced"))) depend("pfgXMLUtils.bas");
  return g;
}

std::string ClassFindings(const Generated& g) {
  const std::vector<std::string_view> deps(g.Dependencies.begin(), g.Dependencies.end());
  return pf::FormatFindings(pf::CheckVB(g.Class, deps, {.NamesRead = true}));
}

}  // namespace pftest::lib
