#include "support/PgServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "support/CatalogueViews.h"
#include "support/TestEnv.h"

namespace pftest {

namespace fs = std::filesystem;

namespace {

constexpr const char* kBin = "/usr/lib/postgresql/15/bin/";

// Runs a shell command with its output in `log`; throws with that output on failure.
void Run(const std::string& command, const std::string& log, const std::string& what) {
  const int rc = std::system((command + " >" + log + " 2>&1").c_str());
  if (rc != 0) throw std::runtime_error(what + " failed (" + command + "):\n" + pftest::ReadAll(log));
}

// A socket bound to a free port on 127.0.0.1; Port receives the port.
int BoundLoopbackSocket(int& Port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) throw std::runtime_error("no socket for finding a free port");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    close(s);
    throw std::runtime_error("cannot find a free port on 127.0.0.1");
  }
  Port = ntohs(addr.sin_port);
  return s;
}

}  // namespace

int FreeLoopbackPort() {
  int port = 0;
  close(BoundLoopbackSocket(port));
  return port;
}

PgServer& PgServer::Shared() {
  static PgServer server;
  return server;
}

std::string PgServer::AsPostgres(const std::string& command) const {
  return geteuid() == 0 ? "runuser -u postgres -- " + command : command;
}

PgServer::PgServer() {
  if (!fs::exists(std::string(kBin) + "initdb")) throw std::runtime_error("PostgreSQL 15 is not installed");
  std::string tmpl = (fs::temp_directory_path() / "pftest-pg-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("cannot create a folder for PostgreSQL");
  dir_ = tmpl;
  try {
    if (geteuid() == 0) {
      const passwd* pw = getpwnam("postgres");
      if (!pw) throw std::runtime_error("there is no postgres user to run the server");
      if (chown(dir_.c_str(), pw->pw_uid, pw->pw_gid) != 0) throw std::runtime_error("cannot hand the folder to postgres");
    }
    fs::permissions(dir_, fs::perms::owner_all);
    StartWatchdog();
    const std::string pwfile = dir_ + "/pw";
    WriteAll(pwfile, std::string(kPassword) + "\n");
    if (geteuid() == 0) Run("chown postgres: " + pwfile, "/dev/null", "chown");
    const std::string log = dir_ + "/setup.log";
    Run(AsPostgres(std::string(kBin) + "initdb -D " + dir_ + "/data -U " + kUser + " --pwfile=" + pwfile +
                   " -E UTF8 --locale=C --auth-local=trust --auth-host=scram-sha-256"),
        log, "initdb");
    // A port can be taken between the probe and the start: try a few.
    for (int attempt = 0;; ++attempt) {
      port_ = FreeLoopbackPort();
      const std::string cmd = AsPostgres(std::string(kBin) + "pg_ctl -D " + dir_ + "/data -l " + dir_ +
                                         "/server.log -w -t 60 -o \"-p " + std::to_string(port_) + " -k " + dir_ +
                                         " -c listen_addresses=127.0.0.1 -c fsync=off\" start");
      if (std::system((cmd + " >/dev/null 2>&1").c_str()) == 0) break;
      if (attempt == 2) throw std::runtime_error("PostgreSQL did not start:\n" + pftest::ReadAll(dir_ + "/server.log"));
    }
  } catch (...) {
    StopWatchdog();
    throw;
  }
}

// A child process that stops the server (when it runs) and removes its folder once
// this process is gone or lets go, however it ends (a crash or a sanitizer abort
// included): it waits for the end of a pipe whose only writer is this process.
void PgServer::StartWatchdog() {
  const std::string cleanup = AsPostgres(std::string(kBin) + "pg_ctl -D " + dir_ + "/data -m fast -w stop") +
                              " >/dev/null 2>&1; rm -rf " + dir_;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("no pipe for the PostgreSQL watchdog");
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("cannot start the PostgreSQL watchdog");
  if (pid == 0) {
    setsid();  // an interrupt of the tests must not end the watchdog with them
    close(fds[1]);
    char c;
    while (read(fds[0], &c, 1) != 0) {
    }
    execl("/bin/sh", "sh", "-c", cleanup.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[0]);
  watchdogPipe_ = fds[1];
  watchdogPid_ = pid;
}

// Stopping is the watchdog's job in every case, so there is one way out.
void PgServer::StopWatchdog() {
  if (watchdogPid_ > 0) {
    close(watchdogPipe_);
    waitpid(watchdogPid_, nullptr, 0);
    watchdogPid_ = -1;
  } else {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
}

PgServer::~PgServer() { StopWatchdog(); }

std::string PgServer::OdbcString(const std::string& database) const {
  return std::string("Driver={") + kDriver + "};Server=127.0.0.1;Port=" + std::to_string(port_) +
         ";Database=" + database + ";UID=" + kUser + ";PWD=" + kPassword;
}

std::string PgServer::Psql(const std::string& sql, const std::string& database) const {
  const std::string file = dir_ + "/script.sql";
  WriteAll(file, sql);
  if (geteuid() == 0) Run("chown postgres: " + file, "/dev/null", "chown");
  Run(AsPostgres(std::string(kBin) + "psql -X -q -A -t -v ON_ERROR_STOP=1 -h " + dir_ + " -p " +
                 std::to_string(port_) + " -U " + kUser + " -d " + database + " -f " + file),
      dir_ + "/psql.log", "psql");
  return pftest::ReadAll(dir_ + "/psql.log");
}

void PgServer::CreateDatabase(const std::string& name) const {
  try {
    Psql("CREATE DATABASE " + name + ";");
  } catch (const std::runtime_error& e) {
    if (std::string(e.what()).find("already exists") == std::string::npos) throw;
  }
}

std::string PgServer::SessionEndingCatalogue() const {
  const std::string name = "pflost";
  CreateDatabase(name);
  Psql(
      "CREATE OR REPLACE FUNCTION pf_drop() RETURNS boolean LANGUAGE plpgsql AS $$ BEGIN "
      "PERFORM pg_terminate_backend(pg_backend_pid()); PERFORM pg_sleep(10); RETURN true; END $$;" +
          CatalogueView("MSysObjects", {"name", "type"},
                        "FROM (SELECT 'qOrders' AS name, 5 AS type) g WHERE pf_drop()") +
          CatalogueView("sysobjects", {"name", "id", "type"},
                        "FROM (SELECT 'sp_orders' AS name, 1 AS id, 'P' AS type) g WHERE pf_drop()") +
          CatalogueView("user_arguments", {"object_name", "position", "sequence", "data_level"},
                        "FROM (SELECT 'GET_ORDERS' AS object_name, 1 AS position, 1 AS sequence, 0 AS data_level) g") +
          CatalogueView("user_source", {"name", "type", "line", "text"},
                        "FROM (SELECT 'GET_ORDERS' AS name, 'PROCEDURE' AS type, 1 AS line, 'PROCEDURE GET_ORDERS' "
                        "AS text) g WHERE pf_drop()"),
      name);
  return name;
}

}  // namespace pftest
