#pragma once
// A throw-away PostgreSQL 15 server for tests: initdb in a temporary folder, started
// on 127.0.0.1 at a free port, stopped and removed when the object goes. initdb and
// pg_ctl run as the "postgres" user when the tests run as root. A watchdog process
// stops the server even when the test process dies.

#include <string>

namespace pftest {

// A TCP port on 127.0.0.1 that was free a moment ago (nobody listens on it).
int FreeLoopbackPort();

class PgServer {
 public:
  // The server shared by all tests of one executable: started on first use, stopped
  // at exit. Throws std::runtime_error (with the server log) when it cannot start.
  static PgServer& Shared();

  PgServer();
  ~PgServer();
  PgServer(const PgServer&) = delete;
  PgServer& operator=(const PgServer&) = delete;

  int Port() const { return port_; }
  static constexpr const char* kUser = "postgres";
  static constexpr const char* kPassword = "pf-test-secret";
  static constexpr const char* kDriver = "PostgreSQL Unicode";

  // An ODBC connection string for `database` as the superuser (password included).
  std::string OdbcString(const std::string& database = "postgres") const;
  // Runs SQL through psql as the superuser and returns what it printed (rows unaligned,
  // without headers); throws with psql's output on failure.
  std::string Psql(const std::string& sql, const std::string& database = "postgres") const;
  // Creates a database owned by the superuser unless it exists.
  void CreateDatabase(const std::string& name) const;
  // A database whose catalogue views end the session that reads them: MSysObjects and
  // sysobjects in the procedure list's query, user_source in Oracle's first query after
  // its list (user_arguments lists one procedure). Created on first use; returns its name.
  std::string SessionEndingCatalogue() const;

 private:
  std::string AsPostgres(const std::string& command) const;
  void StartWatchdog();
  void StopWatchdog();
  std::string dir_;
  int port_ = 0;
  int watchdogPipe_ = -1;
  int watchdogPid_ = -1;
};

}  // namespace pftest
