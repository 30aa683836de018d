#pragma once
// A database connection. Open translates the connection string (ConnStr) and opens
// a session with the provider it names: ODBC for live servers, the catalogue
// snapshot provider for SQLite snapshots. Failures throw pf::AppError carrying every
// diagnostic record of the provider; the records also stay in Errors() until the
// next failure. Objects are shared: commands and recordsets keep their connection
// alive through std::shared_ptr.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "errors/Faultnet31.h"
#include "platform/ado/Ado.h"
#include "platform/ado/Provider.h"

namespace pf::ado {

class Recordset;

// One entry of a connection's Errors collection.
struct Error {
  int32_t Number = 0;
  std::string Source;
  std::string Description;
  std::string SQLState;
  int NativeError = 0;
};

class Connection : public IErrConnection, public IErrDbObject, public std::enable_shared_from_this<Connection> {
 public:
  static std::shared_ptr<Connection> Create();
  ~Connection() override;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const std::string& ConnectionString() const { return connectionString_; }
  // Fails with adErrObjectOpen while open.
  void SetConnectionString(std::string value);
  // Login timeout in seconds for Open (0: wait without limit); default 15.
  int ConnectionTimeout = 15;
  // Default timeout of commands executed directly on the connection; default 30.
  int CommandTimeout = 30;

  // Opens with `connectionString` (empty: the ConnectionString property). A user
  // name or password given here is added to the string as UID/PWD.
  void Open(const std::string& connectionString = {}, const std::string& userId = {},
            const std::string& password = {}, int options = -1);
  // Closes the session; closing a closed connection fails with adErrObjectClosed.
  void Close();
  int State() const { return session_ ? adStateOpen : adStateClosed; }
  std::string Version() const { return ado::Version(); }

  // Executes a text command; returns its first result set (closed when it has none).
  std::shared_ptr<Recordset> Execute(const std::string& commandText);

  // An extension of this layer: the parameters of every procedure in one call, where
  // the provider can (std::nullopt where it cannot); see IProviderSession.
  std::optional<std::vector<ProcedureDescription>> DescribeAllProcedures(int timeoutSeconds);
  // The data source's product name (see IProviderSession::DbmsName); throws
  // adErrInvalidConnection when closed.
  std::string DbmsName();

  // The driver's and the server's names and versions; fails when closed.
  ProviderInfo Info();

  int BeginTrans();
  void CommitTrans();
  void RollbackTrans();

  // The diagnostic records of the last failure.
  const std::vector<Error>& Errors() const { return errors_; }

  // For Command and Recordset: the open session; throws adErrInvalidConnection when closed.
  IProviderSession& Session(std::string_view source);
  // Runs a provider call, turning a ProviderError into an AppError and keeping its records.
  template <class F>
  decltype(auto) Call(F&& f) {
    try {
      return f();
    } catch (const ProviderError& e) {
      Fail(e);
    }
  }
  [[noreturn]] void Fail(const ProviderError& e);

  // IErrConnection / IErrDbObject
  std::string ErrTypeName() const override { return "Connection"; }
  std::string ErrVersion() const override { return Version(); }
  std::string ErrConnectionString() const override { return connectionString_; }
  int ErrState() const override { return State(); }
  std::vector<std::string> ErrErrorDescriptions() const override;
  void ErrRollbackTrans() override { RollbackTrans(); }
  void ErrClose() override { Close(); }
  IErrConnection* ErrActiveConnection() override { return this; }

 private:
  Connection() = default;
  std::string connectionString_;
  std::unique_ptr<IProviderSession> session_;
  std::vector<Error> errors_;
  int transactionLevel_ = 0;
};

}  // namespace pf::ado
