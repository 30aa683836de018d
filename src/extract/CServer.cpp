#include "extract/CServer.h"

#include "errors/ErrGuard.h"
#include "errors/Faultnet31.h"
#include "extract/CCatalogCapture.h"
#include "extract/pfgXMLUtils.h"
#include "platform/ado/ConnStr.h"
#include "platform/ado/OdbcProvider.h"

namespace pf {

namespace {
constexpr int32_t kObjectNotSet = 91;
}

std::string CServer::SnapshotProblem(const std::string& ConnectString) const {
  if (catalogueType_ < 0) return {};
  std::string file;
  try {
    const ado::ConnStr::Target target = ado::ConnStr::Translate(ConnectString);
    if (target.kind != ado::ConnStr::Target::Kind::Snapshot) return {};
    file = target.SnapshotFile;
  } catch (...) {
    return {};  // opening the connection reports what is wrong with the string
  }
  return CCatalogCapture::SnapshotProblem(file, catalogueType_);
}

std::shared_ptr<ado::Connection> CServer::Connection() {
  if (!connection_) {
    const std::string problem = SnapshotProblem(connectionString_);
    Faultnet31::Check(problem.empty(), ERR_USER_CHECK, "%1", problem);
    std::shared_ptr<ado::Connection> c = ado::Connection::Create();
    c->Open(connectionString_, "", "", -1);
    connection_ = std::move(c);
  }
  return connection_;
}

std::shared_ptr<ado::Command> CServer::Command() {
  if (!command_) InitCommand();
  return command_;
}

void CServer::InitCommand() {
  std::shared_ptr<ado::Command> cmd = ado::Command::Create();
  cmd->SetActiveConnection(Connection());
  cmd->CommandTimeout = kCommandTimeout;
  command_ = std::move(cmd);
}

ado::Recordset& CServer::Current() {
  if (!recordset_)
    throw AppError(kObjectNotSet, "Procforge", "Object variable or With block variable not set (no query has run).");
  return *recordset_;
}

void CServer::ExecSQL(const std::string& SQL) {
  // Report name kept as it was: error reports and their readers rely on it.
  ErrGuard("CSrvrOraADO.RetrieveRecordset(SQL)", [&] {
    InitCommand();
    command_->CommandType = ado::adCmdText;
    command_->CommandText = SQL;
    recordset_ = ado::Recordset::Create();
    recordset_->Open(command_, ado::adOpenUnspecified, ado::adLockUnspecified, -1);
  }, SQL);
}

std::string CServer::Value(const std::string& FieldName) {
  return ErrGuard("CServer.Value(FieldName)", [&] { return Current().Fields(FieldName).Value(); }, FieldName);
}

void CServer::SelectNextRecordset() {
  ErrGuard("CServer.SelectNextRecordset", [&] { recordset_ = Current().NextRecordset(); });
}

bool CServer::CanConnect(std::string& ErrMsg) { return TestConnection(connectionString_, ErrMsg); }

bool CServer::TestConnection(const std::string& ConnectString, std::string& ErrMsg) {
  try {
    std::shared_ptr<ado::Connection> c = ado::Connection::Create();
    c->Open(ConnectString, "", "", -1);
    c->Close();
    const std::string problem = SnapshotProblem(ConnectString);
    if (problem.empty()) return true;
    ErrMsg = problem;
    return false;
  } catch (...) {
    ErrMsg = ToAppError(std::current_exception()).Description;
    return false;
  }
}

void CServer::Disconnect() noexcept {
  try {
    if (connection_ && connection_->State() == ado::adStateOpen) connection_->Close();
  } catch (...) {
  }
  connection_.reset();
  command_.reset();
}

std::string CServer::xmlGetRecordset() {
  return ErrGuard("CServer.xmlGetRecordset", [&] {
    return pfgXMLUtils::NormalizeLineEnds(pfgXMLUtils::SavedText(Current()));
  });
}

std::string CServer::xmlGetRecordsetExt(const std::string& RsDataElem, const std::string& ZRowElem) {
  // Report name kept as it was: error reports and their readers rely on it.
  return ErrGuard("XXClassNameXX.xmlGetRecordsetExt(RsDataElem,ZRowElem)", [&] {
    const std::string rows = pfgXMLUtils::xmlRenameElement(pfgXMLUtils::RowText(xmlGetRecordset()), "z:row", ZRowElem);
    return RsDataElem.empty() ? rows : "<" + RsDataElem + ">" + rows + "</" + RsDataElem + ">";
  }, RsDataElem, ZRowElem);
}

std::vector<std::string> CServer::ConnectionWarnings(const std::string& ConnectString) {
  try {
    return ado::ConnStr::Translate(ConnectString, &ado::OdbcProvider::FindDriver).Notes;
  } catch (...) {
    return {};
  }
}

}  // namespace pf
