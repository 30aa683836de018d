#pragma once
// CServer: the one object through which the generator talks to a database. It holds a
// connection string, opens the connection on first use, runs catalogue queries into a
// current result set, reads field values as text, and tests connection strings.
//
// Connection, Command and InitCommand pass failures on unchanged; ExecSQL, Value,
// SelectNextRecordset and the two XML members record their frame in the error report
// and raise again. TestConnection, CanConnect and Disconnect never raise.

#include <memory>
#include <string>
#include <vector>

#include "platform/ado/Command.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"

namespace pf {

class CServer {
 public:
  // Seconds a command may run before it is cancelled.
  static constexpr int kCommandTimeout = 15;

  const std::string& ConnectionString() const { return connectionString_; }
  // Does not touch an open connection: Disconnect first for a new string to take effect.
  void ConnectionString(std::string value) { connectionString_ = std::move(value); }
  // The server type whose catalogue the connection is read for (0 Access, 1 SQL Server,
  // 2 Sybase, 3 Oracle; -1 unknown). A catalogue snapshot opened for a known type must
  // hold that type's catalogue tables: one that does not is refused with a plain message
  // when the connection is opened or tested, rather than failing inside the first query.
  int CatalogueType() const { return catalogueType_; }
  void CatalogueType(int value) { catalogueType_ = value; }

  // The open connection, opened with the connection string on first use. A failed
  // open leaves no connection behind, so the next use tries again. A snapshot that is
  // not one of CatalogueType() raises ERR_USER_CHECK saying what is wrong with it.
  std::shared_ptr<ado::Connection> Connection();
  // The current result set; nullptr before the first ExecSQL.
  std::shared_ptr<ado::Recordset> Recordset() const { return recordset_; }
  // The command of the last ExecSQL or InitCommand, created by InitCommand when none.
  std::shared_ptr<ado::Command> Command();
  // A new command on Connection() with a 15-second timeout, replacing the previous one.
  void InitCommand();

  // Runs SQL as a text command; its first result set becomes the current one.
  void ExecSQL(const std::string& SQL);
  // The named field of the current row as text; Null gives "".
  std::string Value(const std::string& FieldName);
  // The next result set of the same execution becomes current (nullptr when none).
  void SelectNextRecordset();

  bool CanConnect(std::string& ErrMsg);
  // Opens a separate connection with ConnectString and releases it. On failure (a
  // snapshot of another server type included) returns false with the reason in ErrMsg;
  // ErrMsg is untouched on success.
  bool TestConnection(const std::string& ConnectString, std::string& ErrMsg);
  // What ConnectString asks for that its driver has no keyword for, one sentence each:
  // the connection test and a generation run that reads the catalogue list them as
  // warnings. Empty for a string that does not translate (its use says what is wrong).
  static std::vector<std::string> ConnectionWarnings(const std::string& ConnectString);
  // Closes the connection ignoring every error and drops it and the command. The
  // current result set stays readable.
  void Disconnect() noexcept;

  // The current result set in the XML persistence format with CR LF line ends.
  std::string xmlGetRecordset();
  // Its row elements renamed to ZRowElem, inside <RsDataElem>...</RsDataElem> when
  // RsDataElem is not empty.
  std::string xmlGetRecordsetExt(const std::string& RsDataElem, const std::string& ZRowElem);

 private:
  ado::Recordset& Current();
  // Why the snapshot ConnectString names cannot serve CatalogueType(); empty when it
  // can, or when the string names no snapshot.
  std::string SnapshotProblem(const std::string& ConnectString) const;
  std::string connectionString_;
  int catalogueType_ = -1;
  std::shared_ptr<ado::Connection> connection_;
  std::shared_ptr<ado::Command> command_;
  std::shared_ptr<ado::Recordset> recordset_;
};

}  // namespace pf
