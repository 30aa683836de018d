#pragma once
// What a data provider offers the objects of the data-access layer. A provider
// turns a connection string into an open session; a session executes text
// commands (handing out result sets one after the other), describes a stored
// procedure's parameters, and handles transactions. Providers report failures as
// ProviderError, whose records the connection keeps as its Errors collection.

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pf::ado {

// One diagnostic record of a failure.
struct ErrorRecord {
  std::string Description;
  std::string SQLState;
  int NativeError = 0;
  std::string Source;
};

// A provider's failure: every diagnostic record, joined into the description.
class ProviderError : public std::runtime_error {
 public:
  ProviderError(std::string source, std::vector<ErrorRecord> records);
  ProviderError(std::string source, const std::string& description);
  const std::string& Source() const { return source_; }
  const std::vector<ErrorRecord>& Records() const { return records_; }

 private:
  std::string source_;
  std::vector<ErrorRecord> records_;
};

// A result-set column as the layer describes it (ADO codes).
struct ColumnInfo {
  std::string Name;
  int Type = 0;          // DataTypeEnum
  long DefinedSize = 0;  // characters for text, bytes otherwise
  int Precision = 0;
  int NumericScale = 0;
  bool Nullable = true;
  bool Long = false;  // long text or binary
};

// One result set, read completely: cells row by row; a missing value is Null.
struct ResultSet {
  std::vector<ColumnInfo> Columns;
  std::vector<std::optional<std::string>> Cells;
  size_t RowCount() const { return Columns.empty() ? 0 : Cells.size() / Columns.size(); }
};

// The result sets of one execution, handed out in order.
class IResultStream {
 public:
  virtual ~IResultStream() = default;
  // Fills `out` with the next result set that has columns; false when none is left.
  virtual bool Next(ResultSet& out) = 0;
};

// One parameter of a stored procedure as a refresh reports it (ADO codes).
struct ParameterInfo {
  std::string Name;
  int Direction = 0;
  int Type = 0;
  long Size = 0;
  int Precision = 0;
  int NumericScale = 0;
  int Attributes = 0;
  // The server's name of the parameter's type where the description gives one (e.g.
  // "int", "cursor", a table type's name); "" otherwise.
  std::string TypeName;
};

// One procedure's parameters as a refresh of it reports them.
struct ProcedureDescription {
  std::string Name;  // as the catalogue lists it (cut at ";" for numbered procedures)
  // The schema (owner) the description lists it in; "" where the provider has none.
  std::string Schema;
  std::vector<ParameterInfo> Parameters;
  // Numbered procedures (name;1, name;2, ...): a call of the name runs the first number,
  // whose parameters these are; the numbers of the others, left out.
  std::vector<std::string> OtherNumbers;
};

// What a session says of its driver and server, as the driver reports them ("" where it
// does not).
struct ProviderInfo {
  std::string Driver, DriverVersion;  // e.g. "libtdsodbc.so", "01.03.0017"
  std::string Server, ServerVersion;  // e.g. "Microsoft SQL Server", "16.00.1000"
};

class IProviderSession {
 public:
  virtual ~IProviderSession() = default;
  virtual ProviderInfo Info() { return {}; }
  virtual std::unique_ptr<IResultStream> Execute(const std::string& sql, int timeoutSeconds) = 0;
  // The procedure's parameters in refresh order, the return value first (with the other
  // numbers of a numbered procedure); throws when the procedure is unknown or the
  // provider cannot describe procedures.
  virtual ProcedureDescription DescribeProcedure(const std::string& name, int timeoutSeconds) = 0;
  // The parameters of every procedure in one call, where the provider can list them all
  // at once; std::nullopt where it cannot. A procedure the provider lists with no
  // parameter at all may be missing: DescribeProcedure answers for it.
  virtual std::optional<std::vector<ProcedureDescription>> DescribeAllProcedures(int) { return std::nullopt; }
  // The name of the data source's product as the driver reports it (ADO's "DBMS Name",
  // ODBC's SQL_DBMS_NAME: "Microsoft SQL Server", "MDBTOOLS", ...); empty where unknown.
  virtual std::string DbmsName() { return {}; }
  virtual void BeginTrans() = 0;
  virtual void CommitTrans() = 0;
  virtual void RollbackTrans() = 0;
  virtual void Close() = 0;
};

// While a driver call runs (a connection attempt, a statement, a catalogue call), the
// calling thread waits for it on a thread of its own and calls the wait hook every 50 ms,
// so that a window can stay responsive. The hook gets what is being waited for and how
// long it has been; it returns false to give up, which abandons the call ("Operation
// Canceled"). A driver that has not returned a grace time after its own time-out is
// abandoned too, with a message saying so: the call's thread is left to finish on its
// own, and a connection it was using is never handed to the driver again.
struct WaitState {
  std::string What;           // e.g. "Connecting to sql01:1433 with the ODBC driver 'FreeTDS'"
  double ElapsedSeconds = 0;  // since the call began
  int LimitSeconds = 0;       // the call's own time-out, 0 for none
  bool Finished = false;      // the last call of a wait the hook was called for: it is over
};
using WaitHook = bool (*)(const WaitState&);
// Sets the calling thread's hook (nullptr: none); returns the previous one. Each thread has
// its own: the waits of a thread call the hook that thread set, on that thread.
WaitHook SetWaitHook(WaitHook hook);
// A session whose server does not answer its logout within the connection's time-out and
// the grace time is abandoned as closed: Close does not fail for it. Each such logout leaves
// a warning text here, taken (and cleared) by whoever reports the run's warnings; the same
// text is kept once. The pool's own disconnects leave none.
std::vector<std::string> TakeAbandonedLogouts();
// Seconds a driver gets past its own time-out before its call is abandoned.
inline constexpr int kAbandonGraceSeconds = 2;

// Folders in which a snapshot named by a relative path is looked for, in order, when the
// working folder holds no such file (the profile's folder, the folder of the program's
// samples). The settings model sets them; without them a relative path is the working
// folder's.
void SetSnapshotFolders(std::vector<std::string> folders);
// The snapshot file a connection string names, found as above: as given when it is
// absolute or the working folder holds it, else in the first snapshot folder that holds
// it; a file found nowhere stays as given (its error then names it so).
std::string SnapshotPath(const std::string& file);
// The same in the given folders.
std::string SnapshotPath(const std::string& file, const std::vector<std::string>& folders);

// Opens a session for a parsed connection string; `providerName` is how the
// connection string named the provider (empty for plain ODBC strings).
std::unique_ptr<IProviderSession> OpenProviderSession(const std::string& connectionString, int timeoutSeconds);

}  // namespace pf::ado
