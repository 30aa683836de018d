#include "base/NoCase.h"
#include "base/Os.h"
#include "platform/ado/OdbcProvider.h"

#ifdef _WIN32
#include <windows.h>  // the Windows ODBC headers need its types
#else
#include <pthread.h>
#endif
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdint>
#include <condition_variable>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <new>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "errors/AppError.h"
#include "platform/StopSignals.h"
#include "platform/ado/Ado.h"
#include "platform/ado/InstanceLookup.h"
#include "platform/ado/Utf16.h"

namespace pf::ado::OdbcProvider {

namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the driver manager's wide characters must be UTF-16");

constexpr const char* kSource = "Procforge.ODBC";

std::u16string W(std::string_view s) { return Utf16::FromUtf8(s); }
SQLWCHAR* WPtr(std::u16string& s) { return reinterpret_cast<SQLWCHAR*>(s.data()); }
std::string U8(const SQLWCHAR* s, size_t n) { return Utf16::ToUtf8(reinterpret_cast<const char16_t*>(s), n); }

bool Ok(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

std::vector<ErrorRecord> Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  std::vector<ErrorRecord> out;
  if (!handle) return out;
  for (SQLSMALLINT i = 1;; ++i) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    std::vector<SQLWCHAR> msg(1024);
    SQLSMALLINT len = 0;
    SQLRETURN rc =
        SQLGetDiagRecW(type, handle, i, state, &native, msg.data(), static_cast<SQLSMALLINT>(msg.size()), &len);
    if (rc == SQL_SUCCESS_WITH_INFO && len >= static_cast<SQLSMALLINT>(msg.size())) {
      msg.resize(static_cast<size_t>(len) + 1);
      rc = SQLGetDiagRecW(type, handle, i, state, &native, msg.data(), static_cast<SQLSMALLINT>(msg.size()), &len);
    }
    if (!Ok(rc)) break;
    ErrorRecord r;
    r.Description = U8(msg.data(), std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(len, 0)), msg.size()));
    r.SQLState = U8(state, 5);
    r.NativeError = static_cast<int>(native);
    r.Source = kSource;
    out.push_back(std::move(r));
  }
  return out;
}

[[noreturn]] void Throw(SQLSMALLINT type, SQLHANDLE handle, const std::string& context) {
  std::vector<ErrorRecord> records = Diagnostics(type, handle);
  if (records.empty()) records.push_back({context + " failed without diagnostic information.", {}, 0, kSource});
  throw ProviderError(kSource, std::move(records));
}

bool HasState(const std::vector<ErrorRecord>& records, std::initializer_list<std::string_view> states) {
  for (const ErrorRecord& r : records)
    for (std::string_view s : states)
      if (r.SQLState == s) return true;
  return false;
}

// The process-wide ODBC environment (ODBC 3 behaviour).
SQLHENV Env() {
  struct Holder {
    SQLHENV env = SQL_NULL_HENV;
    Holder() {
      if (!Ok(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
        env = SQL_NULL_HENV;
        return;
      }
      SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    }
    ~Holder() {
      if (env) SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
  };
  static Holder holder;
  if (!holder.env) throw ProviderError(kSource, "The ODBC driver manager cannot be initialised.");
  return holder.env;
}

// A communication-link failure (SQLSTATE class 08) on a connection that was open.
bool IsLinkFailure(const std::vector<ErrorRecord>& records) {
  return std::any_of(records.begin(), records.end(), [](const ErrorRecord& r) { return r.SQLState.starts_with("08"); });
}

// The statements waiting on the server right now, so that a stop signal can cancel them
// (SQLCancel from the signal's own thread): the server then stops the query instead of
// running it to its time-out after the program has gone.
std::mutex gRunningMutex;
std::vector<SQLHSTMT> gRunning;

void CancelRunning() {
  std::lock_guard<std::mutex> lock(gRunningMutex);
  for (SQLHSTMT stmt : gRunning) SQLCancel(stmt);
}

// Marks a statement as waiting on the server for the guard's lifetime.
class Running {
 public:
  explicit Running(SQLHSTMT stmt) : stmt_(stmt) {
    static const bool hooked = (StopSignals::SetCancelHook(&CancelRunning), true);
    (void)hooked;
    std::lock_guard<std::mutex> lock(gRunningMutex);
    gRunning.push_back(stmt_);
  }
  ~Running() {
    std::lock_guard<std::mutex> lock(gRunningMutex);
    std::erase(gRunning, stmt_);
  }
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;

 private:
  SQLHSTMT stmt_;
};

// The thread that makes the driver calls of one connection. The calls are handed to it one
// after the other and the caller waits for each (Bounded), so a connection costs one thread
// however many statements it runs. After a call that never returns is abandoned, the thread
// finishes it alone, if ever, and then ends; it takes no further calls. A process made by
// fork() has none of its parent's threads: there the connection is the parent's, and the
// thread takes no call either.
class Worker {
 public:
  static std::shared_ptr<Worker> Start() {
    std::shared_ptr<Worker> w(new Worker);
    w->process_ = Os::ProcessId();
    std::thread t([w] { w->Loop(); });
    {
      std::lock_guard<std::mutex> lock(w->m_);
      w->id_ = t.get_id();
    }
    t.detach();
    return w;
  }
  // False when the thread takes no more calls (abandoned or stopped, or in another process).
  // In a process made by fork() the lock is not taken: the parent's thread may have held it
  // when the process was copied, and no thread here would ever release it.
  bool Post(std::function<void()> job) {
    if (!Ours()) return false;
    std::lock_guard<std::mutex> lock(m_);
    if (abandoned_ || stopping_) return false;
    jobs_.push_back(std::move(job));
    cv_.notify_one();
    return true;
  }
  void Abandon() {
    if (!Ours()) return;
    std::lock_guard<std::mutex> lock(m_);
    abandoned_ = true;
  }
  // The thread ends once the calls handed to it are done.
  void Stop() {
    if (!Ours()) return;
    std::lock_guard<std::mutex> lock(m_);
    stopping_ = true;
    cv_.notify_one();
  }
  bool OnThread() {
    if (!Ours()) return false;
    std::lock_guard<std::mutex> lock(m_);
    return id_ == std::this_thread::get_id();
  }
  // False in a process made by fork() after the thread started.
  bool Ours() const { return process_ == Os::ProcessId(); }

 private:
  Worker() = default;
  void Loop() {
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
      cv_.wait(lock, [&] { return !jobs_.empty() || stopping_; });
      if (jobs_.empty()) return;
      std::function<void()> job = std::move(jobs_.front());
      jobs_.pop_front();
      lock.unlock();
      job();
      job = nullptr;  // what the call owned is let go on this thread, unlocked
      lock.lock();
      if (abandoned_) return;
    }
  }
  std::mutex m_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> jobs_;
  bool abandoned_ = false;
  bool stopping_ = false;
  std::thread::id id_;
  unsigned long process_ = 0;
};

// A statement handle that the session can free before it disconnects. `lost` is its
// connection's flag: a statement of a lost connection is never handed to the driver again.
struct StmtSlot {
  SQLHSTMT handle = SQL_NULL_HSTMT;
  std::shared_ptr<const std::atomic<bool>> lost;
};

// The wait hook of each thread: a thread's waits call the hook that thread set, if any.
thread_local WaitHook tHook = nullptr;

WaitHook CurrentHook() { return tHook; }

// The abandoned logouts not yet taken (TakeAbandonedLogouts), each text once.
std::mutex gLogoutsMutex;
std::vector<std::string> gLogouts;

void NoteAbandonedLogout(std::string text) {
  std::lock_guard<std::mutex> lock(gLogoutsMutex);
  if (std::find(gLogouts.begin(), gLogouts.end(), text) == gLogouts.end()) gLogouts.push_back(std::move(text));
}

// Runs `call` on the connection's thread and waits for it, calling the wait hook meanwhile
// (see WaitState); without a thread (no connection yet), or on that thread itself, `call`
// runs directly. Gives up when the hook says so (ERR_CANCELED) or when the call has not
// returned kAbandonGraceSeconds after `limitSeconds` (0: no limit); the thread is then
// abandoned to finish the call alone and `onAbandon` runs. `call` must own what it uses (it
// may outlive the caller), and returns its result by value.
template <class F>
auto Bounded(const std::shared_ptr<Worker>& worker, const std::string& what, int limitSeconds, F call,
             const std::function<void()>& onAbandon = {}) -> decltype(call()) {
  using R = decltype(call());
  if (!worker || worker->OnThread()) return call();
  struct Shared {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    bool abandoned = false;  // the caller gave up: the result is the thread's to let go
    std::optional<R> value;
    std::exception_ptr error;
  };
  auto shared = std::make_shared<Shared>();
  const bool posted = worker->Post([shared, call = std::optional<F>(std::move(call))]() mutable {
    std::optional<R> value;
    std::exception_ptr error;
    try {
      value.emplace((*call)());
    } catch (...) {
      error = std::current_exception();
    }
    call.reset();  // what the call owns is let go before the caller goes on
    std::unique_lock<std::mutex> lock(shared->m);
    if (shared->abandoned) {
      // A result that came too late (a connection that opened after all) is let go here,
      // where its handles can still be freed: the thread takes no further call.
      lock.unlock();
      value.reset();
      return;
    }
    shared->value = std::move(value);
    shared->error = error;
    shared->done = true;
    shared->cv.notify_all();
  });
  if (!posted)
    throw ProviderError(kSource, what +
                                     ": the connection cannot be used (an earlier call on it was abandoned, or "
                                     "another process opened it).");
  const WaitHook hook = CurrentHook();
  const auto start = std::chrono::steady_clock::now();
  // The hook hears that a wait it was told of is over, however it ends.
  bool hookCalled = false;
  struct Finish {
    const WaitHook& hook;
    const bool& called;
    const std::string& what;
    ~Finish() {
      if (!called) return;
      try {
        hook({what, 0, 0, true});
      } catch (...) {
      }
    }
  } finish{hook, hookCalled, what};
  std::unique_lock<std::mutex> lock(shared->m);
  // Gives the call up unless it has just finished (the decision is made under the lock, so
  // that its result is either taken here or let go by the thread, never left to neither).
  // False when it has finished: its result stands, and the thread goes on taking calls.
  auto abandon = [&] {
    if (!lock.owns_lock()) lock.lock();
    if (shared->done) return false;
    shared->abandoned = true;
    lock.unlock();
    worker->Abandon();
    if (onAbandon) onAbandon();
    return true;
  };
  while (!shared->done) {
    shared->cv.wait_for(lock, std::chrono::milliseconds(50));
    if (shared->done) break;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (limitSeconds > 0 && elapsed > limitSeconds + kAbandonGraceSeconds) {
      abandon();
      throw ProviderError(kSource, what + ": the ODBC driver did not return within " +
                                       std::to_string(limitSeconds + kAbandonGraceSeconds) + " s (its time-out of " +
                                       std::to_string(limitSeconds) + " s and " + std::to_string(kAbandonGraceSeconds) +
                                       " s more), so the attempt was abandoned.");
    }
    if (!hook) continue;
    lock.unlock();
    bool keepWaiting = true;
    try {
      hookCalled = true;
      keepWaiting = hook({what, elapsed, limitSeconds, false});
    } catch (...) {
      abandon();
      throw;
    }
    if (!keepWaiting) {
      abandon();
      throw AppError(ERR_CANCELED, kSource, "Operation Canceled");
    }
    lock.lock();
  }
  if (shared->error) std::rethrow_exception(shared->error);
  return std::move(*shared->value);
}

// Frees the statements the session still holds (the driver is not called for those of a
// lost connection).
void FreeStatements(std::vector<std::weak_ptr<StmtSlot>>& statements, const std::atomic<bool>& lost) {
  for (const std::weak_ptr<StmtSlot>& w : statements)
    if (std::shared_ptr<StmtSlot> s = w.lock(); s && s->handle) {
      if (!lost) SQLFreeHandle(SQL_HANDLE_STMT, s->handle);
      s->handle = SQL_NULL_HSTMT;
    }
  statements.clear();
}

// A limit for a disconnect when the connection has no time-out: ADO's default one.
constexpr int kDisconnectLimitWithoutTimeout = 15;

// The connection handle, shared by the session and the result streams it hands out.
struct DbcState {
  SQLHDBC handle = SQL_NULL_HDBC;
  bool connected = false;
  std::string driverName;          // as registered, for messages
  std::string where;               // "host:port with the ODBC driver 'X'", for what the wait hook shows
  int timeout = 0;                 // the connection time-out, which also bounds the wait for a disconnect
  std::shared_ptr<Worker> worker;  // makes the driver calls; none before connecting
  std::vector<std::weak_ptr<StmtSlot>> statements;
  bool failed = false;         // a call failed: the connection is not pooled
  bool inTransaction = false;  // manual commit is on: the connection is not pooled
  // After a communication-link failure the connection is dead, and some drivers crash when
  // called on it again: every later call fails with the first failure's text instead, and
  // the handles are let go without a word to the driver.
  // A call abandoned on the connection's thread (Bounded) leaves the connection lost the same way.
  std::shared_ptr<std::atomic<bool>> lost = std::make_shared<std::atomic<bool>>(false);
  std::vector<ErrorRecord> lostRecords;

  ~DbcState() {
    Disconnect();
    if (worker) worker->Stop();
  }
  void FreeStatements() { OdbcProvider::FreeStatements(statements, *lost); }
  // How long a disconnect may take before the grace time starts.
  int DisconnectLimit() const { return timeout > 0 ? timeout : kDisconnectLimitWithoutTimeout; }
  // Frees the statements and disconnects on the connection's thread. A driver that has not
  // returned within the connection's time-out and the grace time is abandoned (a server
  // that stopped answering can hold a disconnect for ever), so that the program always goes
  // on. Returns the diagnostics of a failed or abandoned disconnect (empty on success);
  // `abandoned`, when given, tells which of the two it was.
  std::vector<ErrorRecord> Disconnect(bool* abandoned = nullptr) {
    struct Closing {
      SQLHDBC handle;
      bool connected;
      std::vector<std::weak_ptr<StmtSlot>> statements;
      std::shared_ptr<std::atomic<bool>> lost;
    };
    auto c = std::make_shared<Closing>(Closing{std::exchange(handle, SQLHDBC{SQL_NULL_HDBC}),
                                               std::exchange(connected, false), std::exchange(statements, {}), lost});
    // A lost connection, or one of the process this one was forked from (whose socket the
    // parent still uses), is let go without a word to the driver.
    if (*lost || (!c->handle && c->statements.empty()) || (worker && !worker->Ours())) return {};
    try {
      return Bounded(
          worker, "Disconnecting from " + where, DisconnectLimit(),
          [c] {
            std::vector<ErrorRecord> failure;
            OdbcProvider::FreeStatements(c->statements, *c->lost);
            if (*c->lost) return failure;
            if (c->connected && !Ok(SQLDisconnect(c->handle))) failure = Diagnostics(SQL_HANDLE_DBC, c->handle);
            if (c->handle) SQLFreeHandle(SQL_HANDLE_DBC, c->handle);
            return failure;
          },
          [lost = lost, abandoned] {
            *lost = true;
            if (abandoned) *abandoned = true;
          });
    } catch (const ProviderError& e) {
      return e.Records();
    } catch (...) {
      return {{ToAppError(std::current_exception()).Description, {}, 0, kSource}};
    }
  }
  [[noreturn]] void ThrowLost() const { throw ProviderError(kSource, lostRecords); }
  // Marks the connection lost when the records report a link failure, or the driver (asked
  // once, without a round trip) knows its connection is dead: the first record then says
  // so, and the error is rethrown in that form.
  void CheckLink(const ProviderError& e) {
    if (*lost) ThrowLost();
    if (!connected) return;
    SQLUINTEGER dead = SQL_CD_FALSE;
    if (!IsLinkFailure(e.Records()) &&
        !(Ok(SQLGetConnectAttr(handle, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) && dead == SQL_CD_TRUE))
      return;
    *lost = true;
    failed = true;
    lostRecords = e.Records();
    lostRecords.front().Description = std::string(kConnectionLost) + lostRecords.front().Description;
    ThrowLost();
  }
  std::shared_ptr<StmtSlot> NewStatement() {
    if (*lost) ThrowLost();
    if (!connected) throw ProviderError(kSource, "The connection is closed.");
    auto slot = std::make_shared<StmtSlot>();
    slot->lost = lost;
    if (!Ok(SQLAllocHandle(SQL_HANDLE_STMT, handle, &slot->handle))) {
      slot->handle = SQL_NULL_HSTMT;
      Throw(SQL_HANDLE_DBC, handle, "Allocating a statement");
    }
    std::erase_if(statements, [](const std::weak_ptr<StmtSlot>& w) { return w.expired(); });
    statements.push_back(slot);
    return slot;
  }
};

// Owns a statement slot and frees its handle when done (unless the session did).
struct StmtGuard {
  std::shared_ptr<StmtSlot> slot;
  ~StmtGuard() {
    if (slot && slot->handle && !*slot->lost) SQLFreeHandle(SQL_HANDLE_STMT, slot->handle);
    if (slot) slot->handle = SQL_NULL_HSTMT;
  }
  SQLHSTMT h() const {
    if (!slot->handle) throw ProviderError(kSource, "The connection is closed.");
    return slot->handle;
  }
};

// Runs a call on the connection, marking it failed when the call throws, and lost when
// the link to the server failed; a lost connection fails every call without running it.
template <class F>
decltype(auto) Watch(DbcState& dbc, F&& f) {
  if (*dbc.lost) dbc.ThrowLost();
  try {
    return f();
  } catch (const ProviderError& e) {
    dbc.failed = true;
    dbc.CheckLink(e);
    throw;
  } catch (...) {
    dbc.failed = true;
    throw;
  }
}

// What a session call that was abandoned leaves behind: a connection no one may use again.
std::function<void()> MarkLostOnAbandon(const std::shared_ptr<DbcState>& dbc, const std::string& what) {
  return [dbc, what] {
    dbc->failed = true;
    dbc->lostRecords = {
        {std::string(kConnectionLost) + what + ": the ODBC driver did not return and was abandoned.", {}, 0, kSource}};
    *dbc->lost = true;
  };
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool IsTextType(int t) {
  return t == adChar || t == adVarChar || t == adLongVarChar || t == adWChar || t == adVarWChar ||
         t == adLongVarWChar || t == adBSTR;
}
bool IsBinaryType(int t) { return t == adBinary || t == adVarBinary || t == adLongVarBinary; }
bool IsLongType(int t) { return t == adLongVarChar || t == adLongVarWChar || t == adLongVarBinary; }

// Byte sizes and precisions that the platform reports for fixed-length types.
struct FixedFacts {
  long size;
  int precision;
  bool isSigned;
};
FixedFacts Facts(int t) {
  switch (t) {
    case adSmallInt:
      return {2, 5, true};
    case adInteger:
      return {4, 10, true};
    case adBigInt:
      return {8, 19, true};
    case adTinyInt:
      return {1, 3, true};
    case adUnsignedTinyInt:
      return {1, 3, false};
    case adSingle:
      return {4, 7, true};
    case adDouble:
      return {8, 15, true};
    case adCurrency:
      return {8, 19, true};
    case adNumeric:
    case adDecimal:
      return {19, 0, true};
    case adBoolean:
      return {2, 0, false};
    case adGUID:
      return {16, 0, false};
    case adDBTimeStamp:
      return {16, 0, false};
    case adDBDate:
    case adDBTime:
      return {6, 0, false};
    default:
      return {0, 0, false};
  }
}

int Clamp255(long v) { return static_cast<int>(std::clamp<long>(v, 0, 255)); }

enum class FetchAs { Wide, Char, Binary };

// Reads one column value of the current row; false for Null.
bool GetValue(SQLHSTMT stmt, SQLUSMALLINT col, FetchAs& as, std::string& out) {
  out.clear();
  if (as == FetchAs::Wide) {
    std::u16string text;
    SQLWCHAR buf[2048];
    for (;;) {
      SQLLEN ind = 0;
      const SQLRETURN rc = SQLGetData(stmt, col, SQL_C_WCHAR, buf, sizeof buf, &ind);
      if (rc == SQL_NO_DATA) break;
      if (rc == SQL_ERROR) {
        std::vector<ErrorRecord> records = Diagnostics(SQL_HANDLE_STMT, stmt);
        if (text.empty() && HasState(records, {"HY003", "HYC00", "07006", "HY004"})) {
          as = FetchAs::Char;  // the driver has no wide-character conversion for this column
          return GetValue(stmt, col, as, out);
        }
        throw ProviderError(kSource, std::move(records));
      }
      if (ind == SQL_NULL_DATA) return false;
      const size_t capacity = sizeof buf / sizeof buf[0] - 1;
      const size_t got = ind == SQL_NO_TOTAL || static_cast<size_t>(ind) / sizeof(SQLWCHAR) > capacity
                             ? capacity
                             : static_cast<size_t>(ind) / sizeof(SQLWCHAR);
      text.append(reinterpret_cast<const char16_t*>(buf), got);
      if (rc == SQL_SUCCESS) break;
    }
    out = Utf16::ToUtf8(text);
    return true;
  }
  const bool binary = as == FetchAs::Binary;
  char buf[8192];
  static constexpr char kHex[] = "0123456789abcdef";
  for (;;) {
    SQLLEN ind = 0;
    const SQLRETURN rc = SQLGetData(stmt, col, binary ? SQL_C_BINARY : SQL_C_CHAR, buf, sizeof buf, &ind);
    if (rc == SQL_NO_DATA) break;
    if (rc == SQL_ERROR) Throw(SQL_HANDLE_STMT, stmt, "Reading a value");
    if (ind == SQL_NULL_DATA) return false;
    const size_t capacity = binary ? sizeof buf : sizeof buf - 1;
    const size_t got = ind == SQL_NO_TOTAL || static_cast<size_t>(ind) > capacity ? capacity : static_cast<size_t>(ind);
    if (binary) {
      for (size_t i = 0; i < got; ++i) {
        out += kHex[static_cast<unsigned char>(buf[i]) >> 4];
        out += kHex[static_cast<unsigned char>(buf[i]) & 0xF];
      }
    } else {
      out.append(buf, got);
    }
    if (rc == SQL_SUCCESS) break;
  }
  return true;
}

// Values as the layer writes them: "True"/"False" for booleans, "0.5" not ".5".
void Normalise(int type, std::string& v) {
  if (type == adBoolean) {
    if (v == "1")
      v = "True";
    else if (v == "0")
      v = "False";
  } else if (type == adNumeric || type == adCurrency || type == adDouble || type == adSingle) {
    if (!v.empty() && v[0] == '.')
      v.insert(0, 1, '0');
    else if (v.size() > 1 && v[0] == '-' && v[1] == '.')
      v.insert(1, 1, '0');
  }
}

// Describes the columns of the current result and reads all its rows.
void ReadResult(SQLHSTMT stmt, SQLSMALLINT count, ResultSet& out) {
  out.Columns.assign(static_cast<size_t>(count), ColumnInfo());
  out.Cells.clear();
  std::vector<FetchAs> fetch(static_cast<size_t>(count), FetchAs::Char);
  for (SQLSMALLINT i = 1; i <= count; ++i) {
    ColumnInfo& c = out.Columns[static_cast<size_t>(i - 1)];
    SQLWCHAR name[256] = {};
    SQLSMALLINT nameLen = 0, sqlType = 0, digits = 0, nullable = SQL_NULLABLE_UNKNOWN;
    SQLULEN size = 0;
    if (!Ok(SQLDescribeColW(stmt, static_cast<SQLUSMALLINT>(i), name, 256, &nameLen, &sqlType, &size, &digits,
                            &nullable)))
      Throw(SQL_HANDLE_STMT, stmt, "Describing a column");
    c.Name = U8(name, std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(nameLen, 0)), 255));
    SQLWCHAR typeName[128] = {};
    SQLSMALLINT typeLen = 0;
    std::string typeNameText;
    if (Ok(SQLColAttributeW(stmt, static_cast<SQLUSMALLINT>(i), SQL_DESC_TYPE_NAME, typeName, sizeof typeName, &typeLen,
                            nullptr)))
      typeNameText = U8(typeName, std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(typeLen, 0)) / 2, 127));
    c.Type = AdoTypeOf(sqlType, typeNameText);
    c.Nullable = nullable != SQL_NO_NULLS;
    c.Long = IsLongType(c.Type);
    const FixedFacts f = Facts(c.Type);
    if (IsTextType(c.Type) || IsBinaryType(c.Type)) {
      c.DefinedSize = size > 0 && size < 0x7FFFFFFF ? static_cast<long>(size) : 2147483647L;
    } else {
      c.DefinedSize = f.size;
    }
    c.Precision = c.Type == adNumeric || c.Type == adDecimal || c.Type == adDBTimeStamp
                      ? Clamp255(static_cast<long>(size))
                      : f.precision;
    c.NumericScale = c.Type == adNumeric || c.Type == adDecimal || c.Type == adCurrency || c.Type == adDBTimeStamp
                         ? Clamp255(digits)
                         : 0;
    fetch[static_cast<size_t>(i - 1)] = IsBinaryType(c.Type) ? FetchAs::Binary
                                        : IsTextType(c.Type) ? FetchAs::Wide
                                                             : FetchAs::Char;
  }
  std::string value;
  for (;;) {
    const SQLRETURN rc = SQLFetch(stmt);
    if (rc == SQL_NO_DATA) break;
    if (!Ok(rc)) Throw(SQL_HANDLE_STMT, stmt, "Fetching a row");
    for (SQLSMALLINT i = 1; i <= count; ++i) {
      const size_t k = static_cast<size_t>(i - 1);
      if (GetValue(stmt, static_cast<SQLUSMALLINT>(i), fetch[k], value)) {
        Normalise(out.Columns[k].Type, value);
        out.Cells.emplace_back(value);
      } else {
        out.Cells.emplace_back(std::nullopt);
      }
    }
  }
}

class OdbcStream : public IResultStream {
 public:
  OdbcStream(std::shared_ptr<DbcState> dbc, std::shared_ptr<StmtSlot> slot, int timeoutSeconds)
      : state_(std::make_shared<State>(std::move(dbc), std::move(slot))), timeout_(timeoutSeconds) {}

  bool Next(ResultSet& out) override {
    std::shared_ptr<State> st = state_;
    if (*st->dbc->lost) st->dbc->ThrowLost();
    const std::string what = "Reading a result from " + st->dbc->where;
    std::optional<ResultSet> next = Bounded(
        st->dbc->worker, what, timeout_, [st] { return Watch(*st->dbc, [&] { return st->NextResult(); }); },
        MarkLostOnAbandon(st->dbc, what));
    if (!next) return false;
    out = std::move(*next);
    return true;
  }

 private:
  // Everything a read uses, owned jointly with the read's thread, which may outlive the stream.
  struct State {
    State(std::shared_ptr<DbcState> d, std::shared_ptr<StmtSlot> slot) : dbc(std::move(d)), stmt{std::move(slot)} {}
    std::shared_ptr<DbcState> dbc;  // keeps the connection handle alive while the statement lives
    StmtGuard stmt;
    bool first = true;
    bool done = false;

    std::optional<ResultSet> NextResult() {
      for (;;) {
        if (!stmt.slot->handle) throw ProviderError(kSource, "The connection is closed.");
        if (!first) {
          if (done) return std::nullopt;
          const SQLRETURN rc = SQLMoreResults(stmt.h());
          if (rc == SQL_NO_DATA) {
            done = true;
            return std::nullopt;
          }
          if (!Ok(rc)) Throw(SQL_HANDLE_STMT, stmt.h(), "Moving to the next result");
        }
        first = false;
        SQLSMALLINT count = 0;
        if (!Ok(SQLNumResultCols(stmt.h(), &count))) Throw(SQL_HANDLE_STMT, stmt.h(), "Counting columns");
        if (count <= 0) continue;
        Running running(stmt.h());
        ResultSet out;
        ReadResult(stmt.h(), count, out);
        return out;
      }
    }
  };
  std::shared_ptr<State> state_;
  int timeout_;
};

// One part of "cat.schema.proc"; quoted parts ([] or "") keep their case.
struct NamePart {
  std::string text;
  bool quoted = false;
};

std::vector<NamePart> SplitName(std::string_view name) {
  std::vector<NamePart> parts(1);
  char close = 0;
  for (char c : name) {
    if (close) {
      if (c == close)
        close = 0;
      else
        parts.back().text += c;
    } else if (c == '[' || c == '"') {
      close = c == '[' ? ']' : '"';
      parts.back().quoted = true;
    } else if (c == '.') {
      parts.emplace_back();
    } else {
      parts.back().text += c;
    }
  }
  return parts;
}

std::string Escape(std::string_view pattern, const std::string& esc) {
  if (esc.empty()) return std::string(pattern);
  std::string out;
  for (char c : pattern) {
    if (c == '_' || c == '%' || esc.find(c) == 0) out += esc;
    out += c;
  }
  return out;
}

std::string CutAtSemicolon(const std::string& s) { return s.substr(0, s.find(';')); }

// True when the result lists a procedure spelled exactly `name` (cut at ";").
bool Lists(const ResultSet& rows, const std::string& name) {
  for (size_t r = 0; r < rows.RowCount(); ++r)
    if (const std::optional<std::string>& cell = rows.Cells[r * rows.Columns.size() + 2];
        cell && CutAtSemicolon(*cell) == name)
      return true;
  return false;
}

// SQL Server's types that a description names but no ODBC or ADO call can pass: a table
// type (table-valued parameter) and a CLR user type ("SQLProcedureColumns", SQL Server
// Native Client ODBC reference: DATA_TYPE SQL_SS_TABLE and SQL_SS_UDT).
constexpr int kSqlSsUdt = -151, kSqlSsTable = -153;
// They get OLE DB's codes, as its SQL Server providers report them: DBTYPE_UDT is ADO's
// adUserDefined, DBTYPE_TABLE has no ADO name.

// The column of a description that holds the parameter's position: ODBC's 18th,
// ORDINAL_POSITION, which ASE's sp_sproc_columns gives as its 20th, after its own
// ss_data_type and colid.
size_t OrdinalColumn(const ResultSet& rows) {
  for (size_t c = 0; c < rows.Columns.size(); ++c)
    if (NoCase::Equals(rows.Columns[c].Name, "ORDINAL_POSITION")) return c;
  return rows.Columns.size() > 17 ? 17 : rows.Columns.size();
}

}  // namespace

std::vector<ProcedureDescription> DescribeProcedureColumns(const ResultSet& rows, const std::string* only,
                                                           const std::string* exact) {
  const bool exactOnly = only && exact && Lists(rows, *exact);
  const size_t width = rows.Columns.size();
  const size_t ordinalColumn = OrdinalColumn(rows);
  auto cell = [&](size_t r, size_t c) -> const std::optional<std::string>& { return rows.Cells[r * width + c]; };
  auto text = [&](size_t r, size_t c) { return cell(r, c).value_or(std::string()); };
  auto number = [&](size_t r, size_t c) -> long {
    const std::optional<std::string>& v = cell(r, c);
    if (!v || v->empty()) return 0;
    try {
      return std::stol(*v);
    } catch (...) {
      return 0;
    }
  };

  struct Entry {
    ParameterInfo info;
    long ordinal;
  };
  struct Proc {
    std::string name;
    std::pair<std::string, std::string> owner;  // the first catalog and schema found
    std::string number;                         // of a numbered procedure: the first listed
    std::vector<std::string> otherNumbers;
    std::vector<Entry> entries;
  };
  std::vector<Proc> procs;
  // Name (as listed, or `only`) -> procs; a whole catalogue's names per schema, so that
  // procedures of one name in two schemas stay two.
  std::map<std::string, size_t> index;
  std::string key;
  for (size_t r = 0; r < rows.RowCount(); ++r) {
    const std::string listedName = text(r, 2);
    const size_t semicolon = listedName.find(';');
    const std::string numbered = semicolon == std::string::npos ? std::string() : listedName.substr(semicolon + 1);
    std::string procName = CutAtSemicolon(listedName);
    if (only) {
      if (exactOnly ? procName != *exact : !NoCase::Equals(procName, *only)) continue;
      procName = *only;
    }
    const std::pair<std::string, std::string> rowOwner{text(r, 0), text(r, 1)};
    key.assign(procName);
    if (!only) key.append(1, '\x1f').append(rowOwner.first).append(1, '\x1f').append(rowOwner.second);
    auto [it, added] = index.emplace(key, procs.size());
    if (added) procs.push_back({procName, rowOwner, numbered, {}, {}});
    Proc& proc = procs[it->second];
    if (proc.owner != rowOwner) continue;
    // The parameters of one number only: merged, the numbers' lists would be one list.
    if (numbered != proc.number) {
      if (std::find(proc.otherNumbers.begin(), proc.otherNumbers.end(), numbered) == proc.otherNumbers.end())
        proc.otherNumbers.push_back(numbered);
      continue;
    }
    const long columnType = number(r, 4);
    if (columnType == SQL_RESULT_COL) continue;
    ParameterInfo p;
    const int sqlType = static_cast<int>(number(r, 5));
    p.TypeName = text(r, 6);
    p.Type = sqlType == kSqlSsTable ? kOleDbTableType
             : sqlType == kSqlSsUdt ? adUserDefined
                                    : AdoTypeOf(sqlType, p.TypeName);
    switch (columnType) {
      case SQL_PARAM_INPUT:
        p.Direction = adParamInput;
        break;
      case SQL_PARAM_INPUT_OUTPUT:
        p.Direction = adParamInputOutput;
        break;
      case SQL_PARAM_OUTPUT:
        p.Direction = adParamOutput;
        break;
      case SQL_RETURN_VALUE:
        p.Direction = adParamReturnValue;
        break;
      default:
        p.Direction = adParamUnknown;
    }
    p.Name = text(r, 3);
    if (p.Direction == adParamReturnValue)
      p.Name = !p.Name.empty() && p.Name[0] == '@' ? "@RETURN_VALUE" : "RETURN_VALUE";
    const long columnSize = number(r, 7);
    const FixedFacts f = Facts(p.Type);
    if (IsTextType(p.Type) || IsBinaryType(p.Type))
      p.Size = columnSize > 0 ? columnSize : (IsLongType(p.Type) ? 2147483647L : 0);
    else
      p.Size = f.size;
    const bool exactType = p.Type == adNumeric || p.Type == adDecimal;
    p.Precision = exactType || p.Type == adDBTimeStamp ? Clamp255(columnSize) : f.precision;
    if (p.Type == adCurrency && NoCase::Lower(p.TypeName).find("small") != std::string::npos) p.Precision = 10;
    p.NumericScale = exactType || p.Type == adCurrency || p.Type == adDBTimeStamp ? Clamp255(number(r, 9)) : 0;
    if (f.isSigned) p.Attributes |= adParamSigned;
    if (number(r, 11) == SQL_NULLABLE) p.Attributes |= adParamNullable;
    if (IsLongType(p.Type)) p.Attributes |= adParamLong;
    const long ordinal = ordinalColumn < width && cell(r, ordinalColumn) ? number(r, ordinalColumn)
                                                                         : static_cast<long>(proc.entries.size());
    proc.entries.push_back({std::move(p), ordinal});
  }
  std::vector<ProcedureDescription> out;
  out.reserve(procs.size());
  for (Proc& proc : procs) {
    // The return value first, then the parameters in call order.
    std::stable_sort(proc.entries.begin(), proc.entries.end(), [](const Entry& a, const Entry& b) {
      const bool ra = a.info.Direction == adParamReturnValue, rb = b.info.Direction == adParamReturnValue;
      if (ra != rb) return ra;
      return a.ordinal < b.ordinal;
    });
    ProcedureDescription d{std::move(proc.name), std::move(proc.owner.second), {}, std::move(proc.otherNumbers)};
    d.Parameters.reserve(proc.entries.size());
    for (Entry& e : proc.entries) d.Parameters.push_back(std::move(e.info));
    out.push_back(std::move(d));
  }
  return out;
}

namespace {

class OdbcSession : public IProviderSession {
 public:
  OdbcSession(std::shared_ptr<DbcState> dbc, std::string poolKey)
      : dbc_(std::move(dbc)), poolKey_(std::move(poolKey)) {}

 private:
  // Runs a call of a catalogue read on the connection's thread (Bounded), on a session that
  // shares this one's connection, so that the call owns what it uses.
  template <class F>
  auto Guarded(const std::string& what, int timeoutSeconds, F f) {
    std::shared_ptr<DbcState> dbc = dbc_;
    if (*dbc->lost) dbc->ThrowLost();
    const std::string text = what + dbc->where;
    return Bounded(
        dbc->worker, text, timeoutSeconds,
        [dbc, f, timeoutSeconds] {
          OdbcSession s(dbc, {});
          return Watch(*dbc, [&] { return f(s, timeoutSeconds); });
        },
        MarkLostOnAbandon(dbc, text));
  }

 public:
  std::unique_ptr<IResultStream> Execute(const std::string& sql, int timeoutSeconds) override {
    return Guarded("Running a statement on ", timeoutSeconds,
                   [sql](OdbcSession& s, int t) -> std::unique_ptr<IResultStream> { return s.ExecuteText(sql, t); });
  }

  ProcedureDescription DescribeProcedure(const std::string& name, int timeoutSeconds) override {
    return Guarded("Reading the parameters of '" + name + "' from ", timeoutSeconds,
                   [name](OdbcSession& s, int t) { return s.Describe(name, t); });
  }

  std::optional<std::vector<ProcedureDescription>> DescribeAllProcedures(int timeoutSeconds) override {
    return Guarded("Reading the parameters of every procedure from ", timeoutSeconds,
                   [](OdbcSession& s, int t) { return s.DescribeAll(t); });
  }

  std::string DbmsName() override { return Info(SQL_DBMS_NAME); }
  ProviderInfo Info() override {
    if (*dbc_->lost) dbc_->ThrowLost();
    return {Info(SQL_DRIVER_NAME), Info(SQL_DRIVER_VER), Info(SQL_DBMS_NAME), Info(SQL_DBMS_VER)};
  }

  // A transaction's end waits for the server: bounded by the connection time-out.
  void BeginTrans() override {
    Guarded("Beginning a transaction on ", dbc_->timeout, [](OdbcSession& s, int) {
      s.SetAutoCommit(false);
      return true;
    });
    dbc_->inTransaction = true;
  }
  void CommitTrans() override {
    Guarded("Committing a transaction on ", dbc_->timeout, [](OdbcSession& s, int) {
      s.EndTran(SQL_COMMIT);
      return true;
    });
  }
  void RollbackTrans() override {
    Guarded("Rolling back a transaction on ", dbc_->timeout, [](OdbcSession& s, int) {
      s.EndTran(SQL_ROLLBACK);
      return true;
    });
  }

  void Close() override;

 private:
  std::unique_ptr<IResultStream> ExecuteText(const std::string& sql, int timeoutSeconds) {
    std::shared_ptr<StmtSlot> slot = dbc_->NewStatement();
    auto stream = std::make_unique<OdbcStream>(dbc_, slot, timeoutSeconds);  // frees the statement on failure
    SetTimeout(slot->handle, timeoutSeconds);
    std::u16string text = W(sql);
    SQLRETURN rc;
    {
      Running running(slot->handle);
      rc = SQLExecDirectW(slot->handle, WPtr(text), static_cast<SQLINTEGER>(text.size()));
    }
    if (!Ok(rc) && rc != SQL_NO_DATA) Throw(SQL_HANDLE_STMT, slot->handle, "Executing the statement");
    return stream;
  }

  ProcedureDescription Describe(const std::string& name, int timeoutSeconds) {
    std::vector<NamePart> parts = SplitName(name);
    // Unquoted names are folded as the server folds identifiers; when that finds
    // nothing, or finds only other spellings of a name the server may also hold as
    // written (created quoted), the name is tried as written.
    const std::string folding = Info(SQL_IDENTIFIER_CASE, true);
    const std::string written = CutAtSemicolon(parts.back().text);
    ResultSet rows, folded;
    std::string proc, schema, catalog, esc = NamesCompareExactly() ? std::string() : Info(SQL_SEARCH_PATTERN_ESCAPE);
    std::tuple<std::string, std::string, std::string> foldedName;
    for (int attempt = 0; attempt < 2; ++attempt) {
      auto part = [&](size_t fromEnd) {
        if (parts.size() < fromEnd) return std::string();
        const NamePart& p = parts[parts.size() - fromEnd];
        if (p.quoted || attempt == 1) return p.text;
        if (folding == "lower") return NoCase::Lower(p.text);
        if (folding == "upper") return Upper(p.text);
        return p.text;
      };
      proc = CutAtSemicolon(part(1));
      schema = part(2);
      catalog = part(3);
      rows = ProcedureColumns(name, catalog, schema, proc, esc, timeoutSeconds);
      if (folding != "lower" && folding != "upper") break;
      if (attempt == 1) {
        if (rows.RowCount() == 0 && folded.RowCount() > 0) {
          rows = std::move(folded);
          std::tie(proc, schema, catalog) = foldedName;
        }
        break;
      }
      if (rows.RowCount() > 0 && (proc == written || Lists(rows, written))) break;
      folded = std::move(rows);
      foldedName = {proc, schema, catalog};
    }

    std::vector<ProcedureDescription> found = DescribeProcedureColumns(rows, &proc, &written);
    if (found.empty() && !ProcedureExists(catalog, schema, proc, esc))
      throw ProviderError(kSource, "The stored procedure '" + name + "' was not found on the server.");
    if (found.empty()) return {proc, schema, {}, {}};
    return std::move(found.front());
  }

  std::optional<std::vector<ProcedureDescription>> DescribeAll(int timeoutSeconds) {
    ResultSet rows;
    try {
      rows = ProcedureColumns("%", {}, {}, "%", {}, timeoutSeconds);
    } catch (const ProviderError& e) {
      dbc_->CheckLink(e);   // a lost connection ends here; anything else means "ask one by one"
      return std::nullopt;  // the driver cannot list every procedure at once: ask one by one
    }
    return DescribeProcedureColumns(rows, nullptr);
  }

  ResultSet ProcedureColumns(const std::string& name, const std::string& catalog, const std::string& schema,
                             const std::string& proc, const std::string& esc, int timeoutSeconds) {
    ResultSet rows;
    StmtGuard stmt{dbc_->NewStatement()};
    SetTimeout(stmt.h(), timeoutSeconds);
    std::u16string cat = W(catalog), sch = W(Escape(schema, esc)), prc = W(Escape(proc, esc));
    // A NULL column pattern: some drivers return nothing for "%".
    Running running(stmt.h());
    const SQLRETURN rc = SQLProcedureColumnsW(
        stmt.h(), catalog.empty() ? nullptr : WPtr(cat), catalog.empty() ? 0 : static_cast<SQLSMALLINT>(cat.size()),
        schema.empty() ? nullptr : WPtr(sch), schema.empty() ? 0 : static_cast<SQLSMALLINT>(sch.size()), WPtr(prc),
        static_cast<SQLSMALLINT>(prc.size()), nullptr, 0);
    if (!Ok(rc)) {
      std::vector<ErrorRecord> records = Diagnostics(SQL_HANDLE_STMT, stmt.h());
      if (HasState(records, {"IM001", "HYC00"}) || records.empty()) {
        records.insert(records.begin(), {"The ODBC driver " + DriverText() +
                                             " cannot describe the parameters of stored procedures, so the "
                                             "parameters of '" +
                                             name + "' cannot be refreshed.",
                                         {},
                                         0,
                                         kSource});
      }
      throw ProviderError(kSource, std::move(records));
    }
    SQLSMALLINT count = 0;
    SQLNumResultCols(stmt.h(), &count);
    if (count < 12)
      throw ProviderError(kSource,
                          "The ODBC driver " + DriverText() + " returned an unexpected description of '" + name + "'.");
    ReadResult(stmt.h(), count, rows);
    return rows;
  }

  void SetTimeout(SQLHSTMT stmt, int seconds) {
    // Drivers that cannot time out queries say so with a warning; the query still runs.
    SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT,
                   reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(std::max(seconds, 0))), 0);
  }

  // A text property of the driver; `folding` reads SQL_IDENTIFIER_CASE as "lower", "upper" or "".
  std::string Info(SQLUSMALLINT what, bool folding = false) {
    if (folding) {
      SQLUSMALLINT v = 0;
      if (!Ok(SQLGetInfoW(dbc_->handle, what, &v, sizeof v, nullptr))) return {};
      return v == SQL_IC_LOWER ? "lower" : v == SQL_IC_UPPER ? "upper" : "";
    }
    SQLWCHAR buf[256] = {};
    SQLSMALLINT len = 0;
    if (!Ok(SQLGetInfoW(dbc_->handle, what, buf, sizeof buf, &len))) return {};
    // Some drivers (MDBTools) count the terminating NUL in the length.
    std::string text = U8(buf, std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(len, 0)) / 2, 255));
    if (const size_t nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
  }

  // Whether the driver's description compares a procedure name exactly rather than as a
  // pattern, so that the name must go unescaped: FreeTDS runs the server's sp_sproc_columns,
  // and ASE's takes no wildcards (Reference Manual: Procedures, "sp_sproc_columns": "The use
  // of wildcard characters in pattern matching is not supported"), where FreeTDS would send an
  // escaped "_" as "[_]", which matches nothing. Microsoft's takes patterns.
  bool NamesCompareExactly() {
    return Info(SQL_DRIVER_NAME).find("tdsodbc") != std::string::npos &&
           Info(SQL_DBMS_NAME).find("Microsoft") == std::string::npos;
  }

  std::string DriverText() {
    const std::string file = Info(SQL_DRIVER_NAME);
    if (dbc_->driverName.empty()) return "'" + file + "'";
    return "'" + dbc_->driverName + "'" + (file.empty() ? "" : " (" + file + ")");
  }

  bool ProcedureExists(const std::string& catalog, const std::string& schema, const std::string& proc,
                       const std::string& esc) {
    StmtGuard stmt{dbc_->NewStatement()};
    std::u16string cat = W(catalog), sch = W(Escape(schema, esc)), prc = W(Escape(proc, esc));
    if (!Ok(SQLProceduresW(
            stmt.h(), catalog.empty() ? nullptr : WPtr(cat), catalog.empty() ? 0 : static_cast<SQLSMALLINT>(cat.size()),
            schema.empty() ? nullptr : WPtr(sch), schema.empty() ? 0 : static_cast<SQLSMALLINT>(sch.size()), WPtr(prc),
            static_cast<SQLSMALLINT>(prc.size()))))
      return true;  // cannot tell: do not claim the procedure is missing
    SQLSMALLINT count = 0;
    SQLNumResultCols(stmt.h(), &count);
    ResultSet rows;
    ReadResult(stmt.h(), count, rows);
    for (size_t r = 0; r < rows.RowCount(); ++r)
      if (rows.Cells[r * rows.Columns.size() + 2] &&
          NoCase::Equals(CutAtSemicolon(*rows.Cells[r * rows.Columns.size() + 2]), proc))
        return true;
    return false;
  }

  void SetAutoCommit(bool on) {
    if (!Ok(SQLSetConnectAttr(
            dbc_->handle, SQL_ATTR_AUTOCOMMIT,
            reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)), 0)))
      Throw(SQL_HANDLE_DBC, dbc_->handle, "Changing the transaction mode");
  }

  void EndTran(SQLSMALLINT how) {
    if (!Ok(SQLEndTran(SQL_HANDLE_DBC, dbc_->handle, how)))
      Throw(SQL_HANDLE_DBC, dbc_->handle, "Ending the transaction");
    SetAutoCommit(true);
    dbc_->inTransaction = false;
  }

  std::shared_ptr<DbcState> dbc_;
  std::string poolKey_;  // empty: this connection is never pooled
};

// The idle pool: connections by key, the most recently returned last.
class Pool {
 public:
  Pool() {
    Env();  // the environment outlives the pool, which disconnects at exit
#ifndef _WIN32
    // Only one pool is ever made (ThePool), so the handlers can name it.
    static Pool* const self = this;
    pthread_atfork([] { self->mutex_.lock(); }, [] { self->mutex_.unlock(); }, [] { self->ForgetParent(); });
#endif
  }
  ~Pool() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    if (reaper_.joinable()) reaper_.join();
    CloseAll(std::move(idle_));
  }

  // `timeoutSeconds` bounds the check that an idle connection is still alive.
  std::shared_ptr<DbcState> Take(const std::string& key, int timeoutSeconds) {
    for (;;) {
      std::shared_ptr<DbcState> dbc;
      std::vector<Entry> expired;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        expired = Sweep();
        for (auto it = idle_.rbegin(); it != idle_.rend(); ++it)
          if (it->key == key) {
            dbc = std::move(it->dbc);
            idle_.erase(std::next(it).base());
            break;
          }
      }
      expired.clear();  // disconnects, outside the lock
      if (!dbc) return nullptr;
      if (Alive(dbc, timeoutSeconds)) {
        std::lock_guard<std::mutex> lock(mutex_);
        ++reuses_;
        return dbc;
      }
      dbc->Disconnect();  // the server dropped it: try the next one, then log in
    }
  }

  void Give(const std::string& key, std::shared_ptr<DbcState> dbc) {
    std::vector<Entry> expired;  // destroyed after the lock
    std::lock_guard<std::mutex> lock(mutex_);
    expired = Sweep();
    idle_.push_back({key, std::move(dbc), std::chrono::steady_clock::now()});
    // Idle connections close on time even when nothing else opens or closes one.
    if (!reaper_.joinable()) reaper_ = std::thread([this] { Reap(); });
    wake_.notify_all();
  }  // the expired connections disconnect here, after the lock is released

  void CountLogin() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++logins_;
  }

  PoolCounters Counters() {
    std::vector<Entry> expired;  // destroyed after the lock
    std::lock_guard<std::mutex> lock(mutex_);
    expired = Sweep();
    return {logins_, reuses_, static_cast<long>(idle_.size())};
  }

  void Clear() {
    std::vector<Entry> closing;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      closing = std::exchange(idle_, {});
    }
    CloseAll(std::move(closing));
  }

  std::chrono::milliseconds SetIdleLimit(std::chrono::milliseconds limit) {
    std::lock_guard<std::mutex> lock(mutex_);
    wake_.notify_all();
    return std::exchange(idleLimit_, limit);
  }

 private:
  struct Entry {
    std::string key;
    std::shared_ptr<DbcState> dbc;
    std::chrono::steady_clock::time_point since;
  };

  // Waits for the oldest idle connection to expire and closes what has.
  void Reap() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
      if (idle_.empty()) {
        wake_.wait(lock);
        continue;
      }
      auto oldest = idle_.front().since;
      for (const Entry& e : idle_) oldest = std::min(oldest, e.since);
      wake_.wait_until(lock, oldest + idleLimit_);
      std::vector<Entry> expired = Sweep();
      lock.unlock();
      CloseAll(std::move(expired));
      lock.lock();
    }
  }

  // Lets the connections go at once, each disconnecting on a thread of its own: servers
  // that stopped answering then hold them for one time-out together, not one each in turn.
  static void CloseAll(std::vector<Entry> closing) {
    if (closing.size() < 2) return;
    std::vector<std::thread> threads;
    threads.reserve(closing.size());
    for (Entry& e : closing) threads.emplace_back([dbc = std::move(e.dbc)]() mutable { dbc.reset(); });
    for (std::thread& t : threads) t.join();
  }

  // In a process made by fork(), which has none of the parent's threads: the lock, taken
  // before the copy so that no other thread held it, is released; the idle connections are
  // the parent's and stay open for it (their storage is dropped without running anything of
  // theirs, which could wait for the parent's threads); the reaper and the waits on the
  // condition start afresh, since the copied ones count threads that are not here.
  void ForgetParent() {
    new (&idle_) std::vector<Entry>();
    new (&reaper_) std::thread();
    new (&wake_) std::condition_variable();
    mutex_.unlock();
  }

  // Takes the expired connections out of the pool; the caller lets them go (which
  // disconnects them, and may wait for a driver) after releasing the lock.
  std::vector<Entry> Sweep() {
    const auto now = std::chrono::steady_clock::now();
    const auto keep =
        std::stable_partition(idle_.begin(), idle_.end(), [&](const Entry& e) { return now - e.since < idleLimit_; });
    std::vector<Entry> expired(std::make_move_iterator(keep), std::make_move_iterator(idle_.end()));
    idle_.erase(keep, idle_.end());
    return expired;
  }

  // A driver that knows its connection is gone says so without a round trip; one that
  // cannot tell (it has not read from the socket since) is asked for a catalogue row,
  // which fails when the server has dropped the connection, or is abandoned (and the
  // connection taken for dead) when a server that stopped answering holds it.
  static bool Alive(const std::shared_ptr<DbcState>& dbc, int timeoutSeconds) {
    try {
      return Bounded(
          dbc->worker, "Checking the idle connection to " + dbc->where, timeoutSeconds,
          [dbc] {
            SQLUINTEGER dead = SQL_CD_FALSE;
            if (Ok(SQLGetConnectAttr(dbc->handle, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) && dead == SQL_CD_TRUE)
              return false;
            return Probe(*dbc);
          },
          [lost = dbc->lost] { *lost = true; });
    } catch (const ProviderError&) {
      return false;
    }
  }

  static bool Probe(DbcState& dbc);

  std::mutex mutex_;
  std::condition_variable wake_;
  std::thread reaper_;
  bool stopping_ = false;
  std::vector<Entry> idle_;
  long logins_ = 0, reuses_ = 0;
  std::chrono::milliseconds idleLimit_{std::chrono::seconds(60)};
};

bool Pool::Probe(DbcState& dbc) {
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  if (!Ok(SQLAllocHandle(SQL_HANDLE_STMT, dbc.handle, &stmt))) return false;
  std::u16string none = W("pf_pool_probe_none");
  bool alive =
      Ok(SQLTablesW(stmt, nullptr, 0, nullptr, 0, WPtr(none), static_cast<SQLSMALLINT>(none.size()), nullptr, 0));
  if (alive) {
    while (Ok(SQLFetch(stmt))) {
    }
  } else {
    // A driver without catalogue functions cannot be probed: take its word.
    alive = HasState(Diagnostics(SQL_HANDLE_STMT, stmt), {"IM001", "HYC00"});
  }
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  return alive;
}

Pool& ThePool() {
  static Pool pool;
  return pool;
}

void OdbcSession::Close() {
  std::shared_ptr<DbcState> dbc = std::exchange(dbc_, std::make_shared<DbcState>());
  if (!poolKey_.empty() && dbc->connected && !dbc->failed && !dbc->inTransaction) {
    dbc->FreeStatements();
    ThePool().Give(poolKey_, std::move(dbc));
    return;
  }
  bool abandoned = false;
  std::vector<ErrorRecord> failure = dbc->Disconnect(&abandoned);
  if (abandoned) {
    // Whatever was done on the connection is done: a server that does not answer the
    // logout costs the wait, and the caller hears of it as a warning, not a failure.
    NoteAbandonedLogout("The server did not answer the logout from " + dbc->where + " within " +
                        std::to_string(dbc->DisconnectLimit() + kAbandonGraceSeconds) +
                        " s, so the connection was abandoned.");
    return;
  }
  if (!failure.empty()) throw ProviderError(kSource, std::move(failure));
}

}  // namespace

int AdoTypeOf(int sqlType, std::string_view typeName) {
  if (NoCase::Lower(typeName).find("money") != std::string::npos) return adCurrency;
  switch (sqlType) {
    case SQL_CHAR:
      return adChar;
    case SQL_VARCHAR:
      return adVarChar;
    case SQL_LONGVARCHAR:
      return adLongVarChar;
    case SQL_WCHAR:
      return adWChar;
    case SQL_WVARCHAR:
      return adVarWChar;
    case SQL_WLONGVARCHAR:
      return adLongVarWChar;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      return adNumeric;
    case SQL_SMALLINT:
      return adSmallInt;
    case SQL_INTEGER:
      return adInteger;
    case SQL_REAL:
      return adSingle;
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return adDouble;
    case SQL_BIT:
      return adBoolean;
    case SQL_TINYINT:
      return adUnsignedTinyInt;
    case SQL_BIGINT:
      return adBigInt;
    case SQL_BINARY:
      return adBinary;
    case SQL_VARBINARY:
      return adVarBinary;
    case SQL_LONGVARBINARY:
      return adLongVarBinary;
    case SQL_DATE:
    case SQL_TYPE_DATE:
      return adDBDate;
    case SQL_TIME:
    case SQL_TYPE_TIME:
    case -154:
      return adDBTime;  // SQL Server time(n)
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP:
      return adDBTimeStamp;
    case SQL_GUID:
      return adGUID;
    case -150:
      return adVariant;  // SQL Server sql_variant
    case -152:
      return adLongVarWChar;  // SQL Server xml
    case -155:
      return adVarWChar;  // SQL Server datetimeoffset, read as text
    default:
      return adVariant;
  }
}

PoolCounters PoolStatistics() { return ThePool().Counters(); }
void ClearPool() { ThePool().Clear(); }
std::chrono::milliseconds SetPoolIdleLimit(std::chrono::milliseconds limit) { return ThePool().SetIdleLimit(limit); }

std::vector<std::string> InstalledDrivers() {
  std::vector<std::string> out;
  SQLHENV env = Env();
  SQLWCHAR desc[512];
  SQLWCHAR attrs[2048];
  SQLSMALLINT descLen = 0, attrLen = 0;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  while (Ok(SQLDriversW(env, direction, desc, 512, &descLen, attrs, 2048, &attrLen))) {
    out.push_back(U8(desc, std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(descLen, 0)), 511)));
    direction = SQL_FETCH_NEXT;
  }
  return out;
}

std::string FindDriver(std::string_view prefix) {
  for (const std::string& d : InstalledDrivers())
    if (NoCase::StartsWith(d, prefix)) return d;
  return {};
}

namespace {
#ifndef _WIN32
// FreeTDS asks the SQL Server Browser service for a named instance's port again and again
// for many seconds, whatever its login time-out. The port is asked for here instead, within
// the time-out, and the driver is given the host and that port; the login gets what is left
// of the time-out.
void FindInstancePort(ConnStr::Target& target, int& timeoutSeconds) {
  const size_t slash = target.Host.find('\\');
  if (slash == std::string::npos || !target.Port.empty() || !ConnStr::IsFreeTds(target.Driver)) return;
  const std::string host = target.Host.substr(0, slash), instance = target.Host.substr(slash + 1);
  const int limit = timeoutSeconds > 0 ? timeoutSeconds : kDisconnectLimitWithoutTimeout;
  const auto start = std::chrono::steady_clock::now();
  std::optional<std::string> port;
  try {
    port = InstanceLookup::TcpPort(host, instance, start + std::chrono::seconds(limit));
  } catch (const ProviderError& e) {
    throw ProviderError(kSource, FirstContactRecords(target, timeoutSeconds, e.Records(), false));
  }
  if (!port)
    throw ProviderError(
        kSource, FirstContactRecords(
                     target, timeoutSeconds,
                     {{"The SQL Server Browser service of '" + host + "' (UDP port 1434) did not answer within " +
                           std::to_string(limit) + " s for the instance '" + instance + "'.",
                       {},
                       0,
                       kSource}},
                     false));
  ConnStr::Pairs pairs = ConnStr::Parse(target.OdbcString);
  ConnStr::Set(pairs, "Server", host);
  ConnStr::Set(pairs, "Port", *port);
  target.OdbcString = ConnStr::Compose(pairs);
  target.Port = *port;
  if (timeoutSeconds > 0) {
    const auto spent = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
    timeoutSeconds = std::max(1, timeoutSeconds - static_cast<int>(spent.count()));
  }
}
#endif

// Some drivers (MDBTools) refuse a connection without any diagnostic record.
std::string SilentFailureText(const ConnStr::Target& target) {
  std::string text = target.Driver.empty() ? std::string("The ODBC data source refused the connection")
                                           : "The ODBC driver '" + target.Driver + "' refused the connection";
  text += " without giving a reason.";
  const ConnStr::Pairs pairs = ConnStr::Parse(target.OdbcString);
  if (const std::string* file = ConnStr::Find(pairs, "DBQ")) {
    const std::string ext = NoCase::Lower(Os::Utf8(Os::Path(*file).extension()));
    const bool looksLikeFile = file->find('/') != std::string::npos || ext == ".mdb" || ext == ".accdb";
    std::error_code ec;
    if (looksLikeFile && !std::filesystem::exists(Os::Path(*file), ec))
      text += " The database file '" + *file + "' does not exist.";
  }
  return text;
}
}  // namespace

std::unique_ptr<IProviderSession> Open(const ConnStr::Target& given, int timeoutSeconds) {
  SQLHENV env = Env();
  const std::string poolKey = given.Pooling ? given.OdbcString : std::string();
  ConnStr::Target target = given;
  if (target.Pooling)
    if (std::shared_ptr<DbcState> idle = ThePool().Take(poolKey, timeoutSeconds))
      return std::make_unique<OdbcSession>(std::move(idle), poolKey);
  if (!target.Driver.empty() && target.Driver.find('/') == std::string::npos) {
    const std::vector<std::string> drivers = InstalledDrivers();
    const bool installed = std::any_of(drivers.begin(), drivers.end(),
                                       [&](const std::string& d) { return NoCase::Equals(d, target.Driver); });
    if (!installed) {
      std::string text = "The ODBC driver '" + target.Driver +
                         "' is not installed: it is not registered with the ODBC driver manager (see odbcinst -q -d).";
      const std::string package = ConnStr::PackageForDriver(target.Driver);
      if (!package.empty()) text += " " + package;
      throw ProviderError(kSource, text);
    }
  }
#ifndef _WIN32
  FindInstancePort(target, timeoutSeconds);
#endif
  auto dbc = std::make_shared<DbcState>();
  dbc->driverName = target.Driver;
  dbc->where = Where(target);
  dbc->timeout = timeoutSeconds;
  if (!Ok(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc->handle))) {
    dbc->handle = SQL_NULL_HDBC;
    Throw(SQL_HANDLE_ENV, env, "Allocating a connection");
  }
  // Without a login timeout a silent server would hold the program forever.
  SQLSetConnectAttr(dbc->handle, SQL_ATTR_LOGIN_TIMEOUT,
                    reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(std::max(timeoutSeconds, 0))), 0);
  // Some drivers overrun their login time-out (FreeTDS: a TDS 5.0 login to a server that
  // never answers, the look-up of a named instance); the attempt then runs on alone.
  bool abandoned = false;
  dbc->worker = Worker::Start();
  const std::shared_ptr<Worker> worker = dbc->worker;
  const std::string what = "Connecting to " + dbc->where;
  try {
    // Only the call holds the connection while it runs: an attempt given up on is let go on
    // the connection's thread, which disconnects and frees it whenever the driver returns.
    dbc = Bounded(
        worker, what, timeoutSeconds,
        [dbc = std::move(dbc), odbc = target.OdbcString, silent = SilentFailureText(target)] {
          std::u16string in = W(odbc);
          // No buffer for the completed string, which is not used: with an ANSI driver
          // (MDBTools) unixODBC converts the driver's answer back by reading it to a NUL
          // past the end of the buffer it made (found by AddressSanitizer).
          const SQLRETURN rc = SQLDriverConnectW(dbc->handle, nullptr, WPtr(in), static_cast<SQLSMALLINT>(in.size()),
                                                 nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
          if (!Ok(rc)) {
            std::vector<ErrorRecord> records = Diagnostics(SQL_HANDLE_DBC, dbc->handle);
            if (records.empty()) records.push_back({silent, {}, 0, kSource});
            throw ProviderError(kSource, std::move(records));
          }
          dbc->connected = true;
          return dbc;
        },
        [&] { abandoned = true; });
  } catch (const ProviderError& e) {
    throw ProviderError(kSource, FirstContactRecords(target, timeoutSeconds, e.Records(), abandoned));
  }
  ThePool().CountLogin();
  return std::make_unique<OdbcSession>(std::move(dbc), poolKey);
}

std::string Where(const ConnStr::Target& target) {
  const ConnStr::Pairs pairs = ConnStr::Parse(target.OdbcString);
  std::string where;
  if (!target.Host.empty())
    where = target.Port.empty() ? target.Host : target.Host + ":" + target.Port;
  else if (const std::string* dsn = ConnStr::Find(pairs, "DSN"))
    where = "the data source '" + *dsn + "'";
  else if (const std::string* file = ConnStr::Find(pairs, "DBQ"))
    where = "'" + *file + "'";
  else if (const std::string* server = ConnStr::Find(pairs, "Server")) {
    where = *server;
    if (const std::string* port = ConnStr::Find(pairs, "Port")) where += ":" + *port;
  } else
    where = "the database";
  if (!target.Driver.empty()) where += " with the ODBC driver '" + target.Driver + "'";
  return where;
}

std::vector<ErrorRecord> FirstContactRecords(const ConnStr::Target& target, int timeoutSeconds,
                                             const std::vector<ErrorRecord>& driver, bool abandoned) {
  std::vector<ErrorRecord> out;
  out.push_back({"Could not connect to " + Where(target) + ".", {}, 0, kSource});
  out.insert(out.end(), driver.begin(), driver.end());
  auto cause = [&](std::string text) { out.push_back({std::move(text), {}, 0, kSource}); };
  const bool timedOut =
      abandoned || std::any_of(driver.begin(), driver.end(), [](const ErrorRecord& r) {
        return r.SQLState == "HYT00" || NoCase::Lower(r.Description).find("timeout expired") != std::string::npos;
      });
  const bool instance = target.Host.find('\\') != std::string::npos && target.Port.empty();
  if (abandoned && !instance)
    cause(
        "A server that accepts the connection and never answers can hold the driver past its login time-out (with "
        "FreeTDS, a TDS 5.0 login to a server that is not a Sybase server does): check that the host and port are "
        "those of the database server.");
  else if (timedOut && !abandoned)
    cause("The server did not answer within the connection time-out of " + std::to_string(timeoutSeconds) +
          " s: check that the host and port are those of the database server and that no firewall holds the "
          "connection; a slow server needs a longer Connect Timeout.");
  if (target.PortAssumed)
    cause("The connection string names no port, so port " + target.Port + ", the usual port of " +
          (target.Port == "5000" ? "Sybase" : "SQL Server") +
          ", was tried; if the server listens on another, name it: Data Source=host,port (Sybase: host:port).");
  if (instance)
    cause(
        "A named instance is found through the SQL Server Browser service (UDP port 1434 of the host); when that "
        "does not answer, name the instance's port instead: Data Source=host,port.");
  const ConnStr::Pairs pairs = ConnStr::Parse(target.OdbcString);
  if (const std::string* trusted = ConnStr::Find(pairs, "Trusted_Connection");
      trusted && NoCase::Equals(*trusted, "Yes"))
    cause(
        "Integrated security (Trusted_Connection=Yes) means Kerberos with FreeTDS on Linux: the user running "
        "Procforge needs a Kerberos ticket (kinit user@REALM) and the server a service principal name "
        "(MSSQLSvc/host:port). Without Kerberos, give User ID and Password instead.");
  return out;
}

}  // namespace pf::ado::OdbcProvider

namespace pf::ado {

WaitHook SetWaitHook(WaitHook hook) { return std::exchange(OdbcProvider::tHook, hook); }

std::vector<std::string> TakeAbandonedLogouts() {
  std::lock_guard<std::mutex> lock(OdbcProvider::gLogoutsMutex);
  return std::exchange(OdbcProvider::gLogouts, {});
}

}  // namespace pf::ado
