#pragma once
// The ODBC provider (unixODBC): live servers through their ODBC drivers.

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/ConnStr.h"
#include "platform/ado/Provider.h"

namespace pf::ado::OdbcProvider {

// Connects with the login timeout `timeoutSeconds` (0: no limit). A driver that is
// not installed fails before connecting, with a message naming it and the package
// that brings it; every diagnostic record of a failed connect is kept.
std::unique_ptr<IProviderSession> Open(const ConnStr::Target& target, int timeoutSeconds);

// Where a connection string leads, for messages: "host:port with the ODBC driver 'X'" (or
// the data source, the file). Never the password.
std::string Where(const ConnStr::Target& target);
// The records of a failed first contact: what was tried, the driver's own records, and the
// likely causes (a time-out, the port that was assumed, a named instance's look-up,
// Kerberos for integrated security, a driver that did not return and was abandoned).
std::vector<ErrorRecord> FirstContactRecords(const ConnStr::Target& target, int timeoutSeconds,
                                             const std::vector<ErrorRecord>& driver, bool abandoned);

// Connection pooling. Closing a session returns its ODBC connection to a process-wide
// idle pool keyed by the translated connection string, unless pooling is off for that
// string (Target::Pooling), a call on the connection failed, or a transaction is open.
// Open takes the most recently returned idle connection of the same string, checked
// alive first, before it logs in; idle connections are closed after the idle limit, by a
// thread of the pool when nothing else uses it.
struct PoolCounters {
  long Logins = 0;  // successful logins (SQLDriverConnect) since start
  long Reuses = 0;  // opens served from the pool
  long Idle = 0;    // connections idle in the pool now
};
PoolCounters PoolStatistics();
// Closes every idle connection.
void ClearPool();
// How long a connection may stay idle (default 60 s); returns the previous limit.
std::chrono::milliseconds SetPoolIdleLimit(std::chrono::milliseconds limit);

// The names of the drivers registered with the driver manager, in its order.
std::vector<std::string> InstalledDrivers();
// The first installed driver whose name begins with `prefix` (ignoring case), or "".
std::string FindDriver(std::string_view prefix);

// The procedures of a SQLProcedureColumns result (ODBC's columns in ODBC's order; further
// columns of a driver's own, such as those of SQL Server's and ASE's sp_sproc_columns, are
// read by name where they matter), each with its parameters as a refresh reports them: the
// return value first, then in ORDINAL_POSITION order. Names are cut at ";": a numbered
// procedure keeps the parameters of its first number and names the others. `only`: just
// the names equal to it ignoring case, merged into one under that name, unless the result
// lists the spelling `exact` (then only that one). Without `only`, one description per
// catalog, schema and name. A table type or CLR user type gets OLE DB's codes for them (143,
// adUserDefined); every parameter keeps the server's TYPE_NAME.
std::vector<ProcedureDescription> DescribeProcedureColumns(const ResultSet& rows, const std::string* only,
                                                           const std::string* exact = nullptr);

// The ADO data type code for an ODBC SQL type, as the platform's providers report
// it; money types (by their type name) become adCurrency.
int AdoTypeOf(int sqlType, std::string_view typeName);

}  // namespace pf::ado::OdbcProvider
