#include "platform/ado/Connection.h"

#include <filesystem>
#include <mutex>

#include "platform/ado/ConnStr.h"
#include "platform/ado/OdbcProvider.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/SnapshotProvider.h"

namespace pf::ado {

namespace {
constexpr const char* kSource = "ADODB.Connection";

std::string FindOdbcDriver(std::string_view prefix) { return OdbcProvider::FindDriver(prefix); }

std::mutex gSnapshotFoldersMutex;
std::vector<std::string> gSnapshotFolders;

// A value written into an OLE DB connection string, quoted when it needs it.
std::string Quoted(const std::string& value) {
  if (value.find_first_of(";\"'") == std::string::npos) return value;
  std::string out = "\"";
  for (char c : value) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + '"';
}
}  // namespace

std::unique_ptr<IProviderSession> OpenProviderSession(const std::string& connectionString, int timeoutSeconds) {
  const ConnStr::Target target = ConnStr::Translate(connectionString, &FindOdbcDriver);
  if (target.kind == ConnStr::Target::Kind::Snapshot) return SnapshotProvider::Open(SnapshotPath(target.SnapshotFile));
  return OdbcProvider::Open(target, target.LoginTimeout >= 0 ? target.LoginTimeout : timeoutSeconds);
}

void SetSnapshotFolders(std::vector<std::string> folders) {
  std::lock_guard<std::mutex> lock(gSnapshotFoldersMutex);
  gSnapshotFolders = std::move(folders);
}

std::string SnapshotPath(const std::string& file) {
  std::vector<std::string> folders;
  {
    std::lock_guard<std::mutex> lock(gSnapshotFoldersMutex);
    folders = gSnapshotFolders;
  }
  return SnapshotPath(file, folders);
}

std::string SnapshotPath(const std::string& file, const std::vector<std::string>& folders) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path given(file);
  if (file.empty() || given.is_absolute() || fs::exists(given, ec)) return file;
  for (const std::string& folder : folders)
    if (const fs::path p = fs::path(folder) / given; !folder.empty() && fs::is_regular_file(p, ec))
      return p.lexically_normal().string();
  return file;
}

std::shared_ptr<Connection> Connection::Create() { return std::shared_ptr<Connection>(new Connection()); }

Connection::~Connection() {
  if (session_) {
    try {
      session_->Close();
    } catch (...) {
    }
  }
}

void Connection::SetConnectionString(std::string value) {
  if (session_) ThrowAdoError(adErrObjectOpen, kSource);
  connectionString_ = std::move(value);
}

void Connection::Open(const std::string& connectionString, const std::string& userId, const std::string& password,
                      int) {
  if (session_) ThrowAdoError(adErrObjectOpen, kSource);
  if (!connectionString.empty()) connectionString_ = connectionString;
  std::string effective = connectionString_;
  if (!userId.empty()) effective += ";User ID=" + Quoted(userId);
  if (!password.empty()) effective += ";Password=" + Quoted(password);
  if (ConnectionTimeout < 0) ThrowAdoError(adErrInvalidArgument, kSource, "The connection timeout is negative.");
  session_ = Call([&] { return OpenProviderSession(effective, ConnectionTimeout); });
  transactionLevel_ = 0;
}

void Connection::Close() {
  if (!session_) ThrowAdoError(adErrObjectClosed, kSource);
  std::unique_ptr<IProviderSession> session = std::move(session_);
  transactionLevel_ = 0;
  Call([&] { session->Close(); });
}

IProviderSession& Connection::Session(std::string_view source) {
  if (!session_) ThrowAdoError(adErrInvalidConnection, source);
  return *session_;
}

void Connection::Fail(const ProviderError& e) {
  errors_.clear();
  for (const ErrorRecord& r : e.Records())
    errors_.push_back({ProviderErrorNumber, r.Source.empty() ? e.Source() : r.Source, r.Description, r.SQLState,
                       r.NativeError});
  const bool lost = std::string_view(e.what()).starts_with(kConnectionLost);
  throw AppError(lost ? ERR_USER_CHECK : ProviderErrorNumber, e.Source(), e.what());
}

std::shared_ptr<Recordset> Connection::Execute(const std::string& commandText) {
  std::shared_ptr<Recordset> rs = Recordset::Create();
  rs->Open(commandText, shared_from_this());
  return rs;
}

std::optional<std::vector<ProcedureDescription>> Connection::DescribeAllProcedures(int timeoutSeconds) {
  IProviderSession& s = Session(kSource);
  return Call([&] { return s.DescribeAllProcedures(timeoutSeconds); });
}

std::string Connection::DbmsName() {
  IProviderSession& s = Session(kSource);
  return Call([&] { return s.DbmsName(); });
}

ProviderInfo Connection::Info() {
  IProviderSession& s = Session(kSource);
  return Call([&] { return s.Info(); });
}

int Connection::BeginTrans() {
  IProviderSession& s = Session(kSource);
  if (transactionLevel_ > 0)
    Fail(ProviderError(kSource, "A transaction is already active; nested transactions are not supported."));
  Call([&] { s.BeginTrans(); });
  return ++transactionLevel_;
}

void Connection::CommitTrans() {
  IProviderSession& s = Session(kSource);
  if (transactionLevel_ == 0) Fail(ProviderError(kSource, "No transaction is active."));
  Call([&] { s.CommitTrans(); });
  --transactionLevel_;
}

void Connection::RollbackTrans() {
  IProviderSession& s = Session(kSource);
  if (transactionLevel_ == 0) Fail(ProviderError(kSource, "No transaction is active."));
  Call([&] { s.RollbackTrans(); });
  --transactionLevel_;
}

std::vector<std::string> Connection::ErrErrorDescriptions() const {
  std::vector<std::string> out;
  out.reserve(errors_.size());
  for (const Error& e : errors_) out.push_back(e.Description);
  return out;
}

}  // namespace pf::ado
