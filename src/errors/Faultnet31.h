#pragma once
// The error library: turns an error into a readable report while it travels up the
// call chain, and offers assertion (Check) and logging services.
//
// Every operation that can fail records itself through ErrGuard (ErrGuard.h), which
// calls ErrPreserve and ErrorIn with the operation's qualified name text and its
// argument values. ErrorIn builds the report header at the innermost level, adds a
// call-stack line per level, and raises the error again with the report as its
// description. State is per thread (the program uses one thread).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "errors/AppError.h"
#include "errors/ErrValue.h"

namespace pf {

// What the report needs of a database connection; the data-access layer implements it.
class IErrConnection {
 public:
  virtual ~IErrConnection() = default;
  virtual std::string ErrTypeName() const = 0;
  virtual std::string ErrVersion() const = 0;
  virtual std::string ErrConnectionString() const = 0;
  virtual int ErrState() const = 0;  // ADO object-state bits: 0 closed, 1 open, 2 connecting, 4 executing, 8 fetching
  virtual std::vector<std::string> ErrErrorDescriptions() const = 0;
  // Clean-up steps; they throw on failure and the library writes the outcome.
  virtual void ErrRollbackTrans() = 0;
  virtual void ErrClose() = 0;
};

// A connection, command or recordset handed to ErrorIn; reduced to its connection.
class IErrDbObject {
 public:
  virtual ~IErrDbObject() = default;
  virtual std::string ErrTypeName() const = 0;
  virtual IErrConnection* ErrActiveConnection() = 0;  // nullptr when it has none
};

// An object with a SetAbort method, as handed to ErrorIn for the transaction step.
class ITransControl {
 public:
  virtual ~ITransControl() = default;
  virtual void SetAbort() = 0;
};

// Turns message keys beginning with "#" into texts.
class IMessageProvider {
 public:
  virtual ~IMessageProvider() = default;
  virtual std::string GetMessage(const std::string& key) = 0;
};

// Asks an extractor object for the error details of a server object (see bwEEDomDoc).
class IErrExtractor {
 public:
  virtual ~IErrExtractor() = default;
  virtual std::string ErrTypeName() const = 0;
  virtual std::string Extract(const void* server) = 0;
};

// The fields of the error currently being handled (the "Err object").
struct ErrObject {
  int32_t Number = 0;
  std::string Source;
  std::string Description;
  std::string HelpFile;
  std::string HelpContext;
  int32_t Line = 0;
  int32_t LastDllError = 0;

  AppError ToAppError() const;
  void Clear() { *this = ErrObject(); }
};

// Platform facts written into the report header; tests replace them to get fixed reports.
struct ErrEnvironment {
  std::string AppName = "Procforge";
  std::string AppVersion = PF_VERSION;
  std::function<std::string()> ADOVersion;           // "?" when unset or when it throws
  std::function<std::string()> ComputerName;         // default: the host name
  std::function<std::string()> ReportTime;           // default: now as "Mm/Dd/yy Hh:Nn:Ss"
  std::function<std::string(int)> SystemErrorText;   // default: strerror
  std::function<void(const std::string&)> EventLog;  // default: syslog
  std::function<std::string()> ProgramFolder;        // where bare log file names go
};

// ErrorIn flag bits.
enum ErrFlags : int32_t {
  EF_RAISE = 1,
  EF_REPORT = 2,
  EF_SETABORT = 4,
  EF_DISABLECOMMIT = 8,
  EF_ROLLBACK = 16,
  EF_WEB = 32,
  EF_CLOSE = 64,
};
constexpr int32_t EF_PROGRAM = 43;    // the program's handlers
constexpr int32_t EF_GENERATED = 42;  // generated classes: no raise
constexpr int32_t EF_BROWSER = 2;     // some handlers of the XML element browser

using ErrEnvValues = std::vector<std::pair<std::string, ErrValue>>;

namespace Faultnet31 {

// The error object: what the last handled error holds after ErrorIn or ErrRestore.
ErrObject& Err();

// Saves the error being handled (the current exception inside a catch block, else the
// error object) unless something is preserved already.
void ErrPreserve();
// Puts the saved error back into the error object.
void ErrRestore();
bool IsPreserved();

// See the header comment. Raises (flag 1) an AppError carrying the report as its
// description; otherwise returns the report and leaves the error in Err().
std::string ErrorIn(std::string_view procName, const ErrValues& args, int32_t flags, IErrDbObject* dbObject = nullptr,
                    const ErrEnvValues* env = nullptr, ITransControl* transControl = nullptr);

// Fills %1..%n of `msg` from `values` (the first is %1). Inserted values are never
// scanned again for placeholders; "%" without a matching value stays.
std::string FillMessage(std::string_view msg, const ErrValues& values);

// The failing half of Check: applies the message provider, "||" line breaks and the
// placeholders, then appends to the warnings (errNum 0) or raises errNum.
void CheckFailed(int32_t errNum, std::string_view msg, const ErrValues& values);

// Check(Cond, ErrNum, Msg, P1, P2, ...): when Cond is false, raises ErrNum with Msg
// (source "Faultnet.Check"), or records a warning when ErrNum is 0.
template <class... P>
inline void Check(bool cond, int32_t errNum, std::string_view msg, const P&... params) {
  if (!cond) CheckFailed(errNum, msg, ErrValues{ErrValue(params)...});
}

std::string Warnings();
void ClearWarnings();

void SetMessageProvider(std::shared_ptr<IMessageProvider> provider);
// A connection the ADO section uses when ErrorIn gets no database object; released after each ErrorIn.
void PreserveConnection(std::shared_ptr<IErrConnection> connection);
// A line added after the next call-stack line.
void SetAdditionalLine(std::string line);
// Names of objects released during handling, written after the next call-stack line.
void AddReleasedObject(std::string_view name);

// Adds the error details an extractor finds in a server object to the extra
// information of the report ("    COM Server Errors: ..." section).
void ErrExtractServerErrors(const void* server, std::string_view serverTypeName, IErrExtractor* extractor,
                            std::string_view title);

// The message of an error, for one line of a window or a listing: for an error that
// carries a report of ErrorIn, the description the report begins with (without the
// report's details and call stack); otherwise the whole description.
std::string ErrMessage(const AppError& e);
// The first line of an error text without trailing blanks: the description itself when
// the text is a report of the error library.
std::string FirstLine(const std::string& text);
// The current report; the error's description when it was processed by ErrorIn; else empty.
std::string ErrReport();
// Appends the report to FileName (a bare name goes to the program's folder).
bool ErrLogToFile(const std::string& fileName);
// Stores the report through the stored procedure SPName on ConnectString. The data
// layer installs the executor (SetDbLogExecutor); without one it fails, and the failure
// is also added to the report as a "Log:" line for the logs written next.
bool ErrLogToDB(const std::string& connectString, const std::string& code, const std::string& spName);
bool ErrLogToEventLog();
// The statement text ErrLogToDB executes.
std::string DbLogStatement(const std::string& spName, const std::string& code, const std::string& report);
using DbLogExecutor = std::function<void(const std::string& connectString, const std::string& sql)>;
void SetDbLogExecutor(DbLogExecutor executor);

// False: this program never stops for a step-mode prompt.
bool ErrMustStop();

ErrEnvironment& Environment();
// Clears all module state (error, report, warnings, extra texts); for tests and new runs.
void Reset();
// The error state is each thread's own. Makes an error that another thread raised (and
// reported there) the one this thread handles: the module state is cleared, and the error
// object and the report are that error's, as if its handlers had run on this thread.
void Adopt(const AppError& e);

}  // namespace Faultnet31
}  // namespace pf
