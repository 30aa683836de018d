#include "support/LoopbackListener.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <utility>

namespace pftest {

LoopbackListener::LoopbackListener(Mode mode, const std::string& address, int port) : mode_(mode), address_(address) {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int one = 1;
  ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  ::inet_pton(AF_INET, address.c_str(), &a.sin_addr);
  socklen_t len = sizeof a;
  if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 16) != 0 ||
      ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0 || ::pipe2(stop_, O_CLOEXEC) != 0) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  port_ = ntohs(a.sin_port);
  thread_ = std::thread([this] { Loop(); });
}

LoopbackListener::~LoopbackListener() {
  if (thread_.joinable()) {
    const char b = 0;
    (void)!::write(stop_[1], &b, 1);
    thread_.join();
  }
  for (int fd : open_) ::close(fd);
  for (int fd : {fd_, stop_[0], stop_[1]})
    if (fd >= 0) ::close(fd);
}

void LoopbackListener::Loop() {
  std::map<int, Pending> pending;  // Tds50: what each connection sent that is not yet answered
  for (;;) {
    std::vector<pollfd> p = {{fd_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
    if (mode_ == Mode::Tds50)
      for (const int c : open_) p.push_back({c, POLLIN, 0});
    if (::poll(p.data(), p.size(), -1) < 0) continue;
    if (p[1].revents) return;
    for (size_t i = 2; i < p.size(); ++i)
      if (p[i].revents) Answer(p[i].fd, pending[p[i].fd]);
    if (!p[0].revents) continue;
    const int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0) continue;
    ++accepted_;
    if (mode_ == Mode::Close)
      ::close(c);
    else
      open_.push_back(c);
  }
}

// Reads what the client sent and answers each complete request in TDS 5.0's terms (TDS 5.0
// Functional Specification, Sybase: an 8-byte packet header whose bytes 2 and 3 give the
// packet's length, most significant first, and whose status bit 1 marks a request's last
// packet): a login (packet type 2) with LOGINACK (status 5, "succeeded", TDS 5.0.0.0) and
// DONE, a logout (token 0x71) with DONE unless the server hangs at logout, a request that
// holds the text to match with ROWFMT, ROWs and DONE with the count, any other with DONE
// alone. Numbers in tokens are least significant first, the byte order FreeTDS asks for in
// its login.
void LoopbackListener::Answer(int fd, Pending& pending) {
  char buf[4096];
  const ssize_t n = ::read(fd, buf, sizeof buf);
  if (n <= 0) {
    std::erase(open_, fd);
    ::close(fd);
    pending = {};
    return;
  }
  std::string& bytes = pending.Bytes;
  bytes.append(buf, static_cast<size_t>(n));
  while (bytes.size() >= 8) {
    const size_t length = (static_cast<unsigned char>(bytes[2]) << 8) | static_cast<unsigned char>(bytes[3]);
    if (length < 8 || bytes.size() < length) return;
    const bool last = (bytes[1] & 1) != 0, login = bytes[0] == 2;
    pending.Request.append(bytes, 8, length - 8);
    bytes.erase(0, length);
    if (!last) continue;
    const std::string request = std::exchange(pending.Request, std::string());
    const bool logout = !login && !request.empty() && request[0] == '\x71';
    if (!answering_ || (logout && hangAtLogout_)) continue;
    std::string tokens;
    if (login) {
      const std::string name = "pftest";
      tokens += '\xAD';  // LOGINACK
      tokens += static_cast<char>(10 + name.size());
      tokens += '\0';
      tokens += std::string{'\x05', '\x05', '\0', '\0', '\0', static_cast<char>(name.size())};
      tokens += name;
      tokens += std::string{'\x0F', '\0', '\0', '\0'};
    }
    const auto result = std::find_if(results_.begin(), results_.end(),
                                     [&](const Result& r) { return request.find(r.Match) != std::string::npos; });
    if (result != results_.end())
      tokens += RowTokens(*result);
    else
      tokens += std::string{'\xFD', '\0', '\0', '\0', '\0', '\0', '\0', '\0', '\0'};  // DONE, final, no count
    const size_t total = 8 + tokens.size();
    std::string packet = {'\x04', '\x01', static_cast<char>(total >> 8), static_cast<char>(total & 0xFF), 0, 0, 0, 0};
    packet += tokens;
    (void)!::write(fd, packet.data(), packet.size());
    ++answered_;
  }
}

// ROWFMT (every column varchar(255): status 0, user type 0, type 0x27, length 255, no
// locale), a ROW per row (each value its length and bytes) and DONE with the row count.
std::string LoopbackListener::RowTokens(const Result& r) {
  auto le = [](size_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
  };
  auto items = [](const std::string& list) {  // "a,b" -> {"a", "b"}
    std::vector<std::string> out(1);
    for (char c : list)
      if (c == ',')
        out.emplace_back();
      else
        out.back() += c;
    return out;
  };
  const std::vector<std::string> columns = items(r.Columns);
  std::string format = le(columns.size(), 2);
  for (const std::string& c : columns)
    format += static_cast<char>(c.size()) + c + std::string{'\0'} + le(0, 4) + std::string{'\x27', '\xFF', '\0'};
  std::string out = '\xEE' + le(format.size(), 2) + format;
  for (const std::string& row : r.Rows) {
    out += '\xD1';
    for (const std::string& v : items(row)) out += static_cast<char>(v.size()) + v;
  }
  return out + '\xFD' + le(0x10, 2) + le(0, 2) + le(r.Rows.size(), 4);
}

}  // namespace pftest
