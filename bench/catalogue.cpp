// Reading a live catalogue over a slow network, and capturing a catalogue.
//
// 1. At the data-access layer, against the PostgreSQL test server through psqlODBC, behind a
//    loopback proxy that holds every message from the client for 2 ms (one network
//    exchange): the parameter refresh of N distinct functions, each through a new
//    connection as the SQL Server extractor does it, without pooling and with pooling, and
//    the one-call read of every procedure's parameters. Figures: logins and wall time.
//    Then, without the proxy, the cost of the layer's own work per driver call: N short
//    statements and N parameter refreshes on one connection.
// 2. Capture of the synthetic 10,000-procedure snapshot into a new snapshot: wall time.
//
//   bench_catalogue [N...]   refresh counts (default 1000 2000)

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "extract/CCatalogCapture.h"
#include "platform/ado/Command.h"
#include "platform/ado/Connection.h"
#include "platform/ado/OdbcProvider.h"
#include "support/PgServer.h"
#include "support/SyntheticCatalogue.h"

using namespace pf;
namespace fs = std::filesystem;

namespace {

constexpr auto kExchangeDelay = std::chrono::milliseconds(2);

// A TCP relay on 127.0.0.1 that forwards to `target`, delaying what the client sends.
class DelayProxy {
 public:
  explicit DelayProxy(int target) : target_(target) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(listener_, 64);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
  }
  ~DelayProxy() {
    stop_ = true;
    shutdown(listener_, SHUT_RDWR);
    close(listener_);
    acceptor_.join();
    for (std::thread& t : relays_) t.join();
  }
  int Port() const { return port_; }

 private:
  void Accept() {
    while (!stop_) {
      const int client = accept(listener_, nullptr, nullptr);
      if (client < 0) return;
      const int server = socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in addr{};
      addr.sin_family = AF_INET;
      addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      addr.sin_port = htons(static_cast<uint16_t>(target_));
      if (connect(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(client);
        close(server);
        continue;
      }
      relays_.emplace_back([this, client, server] { Relay(client, server); });
    }
  }
  void Relay(int client, int server) {
    char buf[65536];
    pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    while (!stop_) {
      if (poll(fds, 2, 200) <= 0) continue;
      bool closed = false;
      for (int k = 0; k < 2; ++k) {
        if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const ssize_t n = read(fds[k].fd, buf, sizeof buf);
        if (n <= 0) {
          closed = true;
          break;
        }
        if (k == 0) std::this_thread::sleep_for(kExchangeDelay);
        for (ssize_t off = 0; off < n;) {
          const ssize_t w = write(fds[1 - k].fd, buf + off, static_cast<size_t>(n - off));
          if (w <= 0) break;
          off += w;
        }
      }
      if (closed) break;
    }
    close(client);
    close(server);
  }

  int target_, listener_ = -1, port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread acceptor_;
  std::vector<std::thread> relays_;
};

struct Figures {
  long Logins = 0;
  double Seconds = 0;
};

Figures Measure(const std::function<void()>& run) {
  const long before = ado::OdbcProvider::PoolStatistics().Logins;
  const auto start = std::chrono::steady_clock::now();
  run();
  return {ado::OdbcProvider::PoolStatistics().Logins - before,
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
}

// n refreshes of distinct functions, each through a new connection of its own.
void RefreshEach(const std::string& cs, int n) {
  for (int i = 0; i < n; ++i) {
    auto cmd = ado::Command::Create();
    cmd->SetActiveConnection(cs);
    cmd->CommandType = ado::adCmdStoredProc;
    cmd->CommandText = "f_" + std::to_string(i);
    cmd->Parameters().Refresh();
    cmd->ActiveConnection()->Close();
  }
}

// Every procedure's parameters with one call, then each of the n looked up.
void ReadAll(const std::string& cs, int n) {
  auto c = ado::Connection::Create();
  c->Open(cs);
  const auto all = c->DescribeAllProcedures(600);
  c->Close();
  int found = 0;
  for (const ado::ProcedureDescription& d : *all)
    if (d.Name.starts_with("f_")) ++found;
  if (found < n) std::fprintf(stderr, "only %d of %d functions read\n", found, n);
}

// n short statements, each with its result read, on one open connection.
void Statements(const std::string& cs, int n) {
  auto c = ado::Connection::Create();
  c->Open(cs);
  for (int i = 0; i < n; ++i) c->Execute("SELECT " + std::to_string(i));
  c->Close();
}

// n parameter refreshes of distinct functions on one open connection.
void RefreshOnOne(const std::string& cs, int n) {
  auto c = ado::Connection::Create();
  c->Open(cs);
  for (int i = 0; i < n; ++i) {
    auto cmd = ado::Command::Create();
    cmd->SetActiveConnection(c);
    cmd->CommandType = ado::adCmdStoredProc;
    cmd->CommandText = "f_" + std::to_string(i);
    cmd->Parameters().Refresh();
  }
  c->Close();
}

void Print(const char* what, int n, const Figures& f) {
  std::printf("%-34s %6d %8ld %10.2f\n", what, n, f.Logins, f.Seconds);
}

// The best of three runs, in wall time and in the processor time of this process (which a
// busy machine disturbs less), for the figures of the layer's own work.
void PrintBest(const char* what, int n, const std::function<void()>& run) {
  Figures best{0, 1e9};
  double cpu = 1e9;
  for (int i = 0; i < 3; ++i) {
    const std::clock_t before = std::clock();
    const Figures f = Measure(run);
    cpu = std::min(cpu, static_cast<double>(std::clock() - before) / CLOCKS_PER_SEC);
    if (f.Seconds < best.Seconds) best = f;
  }
  std::printf("%-34s %6d %8ld %10.2f (processor %.2f s)\n", what, n, best.Logins, best.Seconds, cpu);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {1000, 2000};
  pfbench::StartProgram();

  pftest::PgServer& pg = pftest::PgServer::Shared();
  DelayProxy proxy(pg.Port());
  std::printf("Parameter refreshes through a proxy adding %lld ms to every exchange\n",
              static_cast<long long>(kExchangeDelay.count()));
  std::printf("%-34s %6s %8s %10s\n", "", "N", "logins", "seconds");
  std::vector<double> oneCall;
  for (int n : sizes) {
    const std::string db = "pfbench" + std::to_string(n);
    pg.CreateDatabase(db);
    std::string ddl;
    for (int i = 0; i < n; ++i)
      ddl += "CREATE OR REPLACE FUNCTION f_" + std::to_string(i) +
             "(a integer, b varchar(40), c numeric(10,2)) RETURNS integer AS $$ SELECT a $$ LANGUAGE sql;\n";
    pg.Psql(ddl, db);
    std::string cs = pg.OdbcString(db);
    const std::string direct = ";Port=" + std::to_string(pg.Port());
    cs.replace(cs.find(direct), direct.size(), ";Port=" + std::to_string(proxy.Port()));

    ado::OdbcProvider::ClearPool();
    if (n == sizes.front()) {
      Print("refresh, new login each", n, Measure([&] { RefreshEach(cs + ";Pooling=False", n); }));
      Print("refresh, pooled connections", n, Measure([&] { RefreshEach(cs, n); }));
      const std::string local = pg.OdbcString(db);
      PrintBest("statements, one connection, direct", 10 * n, [&] { Statements(local, 10 * n); });
      PrintBest("refresh, one connection, direct", n, [&] { RefreshOnOne(local, n); });
    }
    const Figures f = Measure([&] { ReadAll(cs, n); });
    Print("one-call read of every procedure", n, f);
    oneCall.push_back(f.Seconds);
  }
  if (oneCall.size() >= 2)
    std::printf("one-call read, largest / smallest N: %.2f (target at most 1.3)\n", oneCall.back() / oneCall.front());

  // Capture of the synthetic catalogue.
  const fs::path dir = fs::temp_directory_path() / ("pf-bench-capture-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string synthetic = (dir / "synthetic10000.db").string();
  if (!pfbench::MakeSyntheticSnapshot(10000, synthetic)) return 1;
  const auto start = std::chrono::steady_clock::now();
  CCatalogCapture capture;
  const std::string script = capture.Capture(1, CCatalogCapture::SnapshotConnection(synthetic), "");
  CCatalogCapture::Write(script, (dir / "captured.db").string());
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("capture of 10,000 procedures into a new snapshot: %.2f s (target at most 3 s), %zu bytes of script\n",
              seconds, script.size());
  fs::remove_all(dir);
  return 0;
}
