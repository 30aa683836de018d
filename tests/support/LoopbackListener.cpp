#include "support/LoopbackListener.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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
  for (;;) {
    pollfd p[2] = {{fd_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
    if (::poll(p, 2, -1) < 0) continue;
    if (p[1].revents) return;
    const int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0) continue;
    ++accepted_;
    if (mode_ == Mode::Close)
      ::close(c);
    else
      open_.push_back(c);
  }
}

}  // namespace pftest
