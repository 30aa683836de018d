#include "support/LoopbackListener.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>

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
  std::map<int, std::string> pending;  // Tds50: what each connection sent that is not yet answered
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
// DONE, any other request with DONE alone. Numbers in tokens are least significant first,
// the byte order FreeTDS asks for in its login.
void LoopbackListener::Answer(int fd, std::string& pending) {
  char buf[4096];
  const ssize_t n = ::read(fd, buf, sizeof buf);
  if (n <= 0) {
    std::erase(open_, fd);
    ::close(fd);
    return;
  }
  pending.append(buf, static_cast<size_t>(n));
  while (pending.size() >= 8) {
    const size_t length = (static_cast<unsigned char>(pending[2]) << 8) | static_cast<unsigned char>(pending[3]);
    if (length < 8 || pending.size() < length) return;
    const bool last = (pending[1] & 1) != 0, login = pending[0] == 2;
    pending.erase(0, length);
    if (!last || !answering_) continue;
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
    tokens += std::string{'\xFD', '\0', '\0', '\0', '\0', '\0', '\0', '\0', '\0'};  // DONE, final, no count
    const size_t total = 8 + tokens.size();
    std::string packet = {'\x04', '\x01', static_cast<char>(total >> 8), static_cast<char>(total & 0xFF), 0, 0, 0, 0};
    packet += tokens;
    (void)!::write(fd, packet.data(), packet.size());
    ++answered_;
  }
}

}  // namespace pftest
