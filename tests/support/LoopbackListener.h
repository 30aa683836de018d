#pragma once
// A TCP listener on a loopback address standing for a server at first contact: it accepts
// every connection and then either never sends a byte (Silent: a server that hangs, or a
// port that is not a database server's) or closes it at once (Close: a service that drops
// the connection), or (Tds50) takes every TDS 5.0 login and answers every request with an
// empty result until StopAnswering, and then reads on and never answers again (a server
// that hangs on an open connection). Real sockets, so that a real ODBC driver meets it.

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace pftest {

class LoopbackListener {
 public:
  enum class Mode { Silent, Close, Tds50 };
  // Port 0 takes a free port. A fixed port (a server type's usual one) is bound on an
  // address of 127.0.0.0/8 of its own, so that tests running at once do not meet; Ok()
  // is false when the address cannot be bound.
  explicit LoopbackListener(Mode mode, const std::string& address = "127.0.0.1", int port = 0);
  ~LoopbackListener();
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  bool Ok() const { return fd_ >= 0; }
  int Port() const { return port_; }
  const std::string& Address() const { return address_; }
  int Accepted() const { return accepted_; }
  // Tds50: the requests answered so far (the login included).
  int Answered() const { return answered_; }
  void StopAnswering() { answering_ = false; }
  void StartAnswering() { answering_ = true; }
  // Tds50, set before the first connection: a request whose text holds Match (the first
  // such) is answered with Rows of the text columns Columns (values separated by ",")
  // instead of an empty result; after HangAtLogout a logout is never answered (a server that
  // stops answering as the client leaves).
  void AnswerWith(std::string Match, std::string Columns, std::vector<std::string> Rows) {
    results_.push_back({std::move(Match), std::move(Columns), std::move(Rows)});
  }
  void HangAtLogout() { hangAtLogout_ = true; }

 private:
  void Loop();
  struct Pending {
    std::string Bytes;    // read and not yet taken apart into packets
    std::string Request;  // the packets of the request not yet complete
  };
  void Answer(int fd, Pending& pending);
  struct Result {
    std::string Match, Columns;
    std::vector<std::string> Rows;
  };
  static std::string RowTokens(const Result& r);
  Mode mode_;
  std::string address_;
  int port_ = 0;
  int fd_ = -1;
  int stop_[2] = {-1, -1};
  std::atomic<int> accepted_{0};
  std::atomic<int> answered_{0};
  std::atomic<bool> answering_{true};
  std::vector<int> open_;
  std::vector<Result> results_;
  bool hangAtLogout_ = false;
  std::thread thread_;
};

}  // namespace pftest
