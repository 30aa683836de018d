#include "platform/ado/InstanceLookup.h"

#ifndef _WIN32
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdint>

#include "base/NoCase.h"
#include "platform/ado/Provider.h"

namespace pf::ado::InstanceLookup {

// The SQL Server Resolution Protocol ([MC-SQLR], https://learn.microsoft.com/en-us/openspecs/
// windows_protocols/mc-sqlr/): a CLNT_UCAST_INST request is the byte 0x04 and the instance
// name, NUL-terminated (at most 32 bytes); the SVR_RESP answer is the byte 0x05, the length
// of the data (two bytes, least significant first), then the data: "key;value;" pairs per
// instance, each instance ending with ";;", e.g.
// "ServerName;SQL01;InstanceName;SQLEXPRESS;IsClustered;No;Version;16.0.1000.6;tcp;49712;;".
std::string PortInAnswer(std::string_view answer, std::string_view instance) {
  bool ours = false;
  size_t at = 0;
  while (at < answer.size()) {
    if (answer[at] == ';') {  // ";;" ends an instance
      ours = false;
      ++at;
      continue;
    }
    const size_t keyEnd = answer.find(';', at);
    if (keyEnd == std::string_view::npos) break;
    const size_t valueEnd = std::min(answer.find(';', keyEnd + 1), answer.size());
    const std::string_view key = answer.substr(at, keyEnd - at);
    const std::string_view value = answer.substr(keyEnd + 1, valueEnd - keyEnd - 1);
    if (NoCase::Equals(key, "InstanceName")) ours = NoCase::Equals(value, instance);
    if (ours && NoCase::Equals(key, "tcp") && !value.empty() &&
        value.find_first_not_of("0123456789") == std::string_view::npos)
      return std::string(value);
    at = valueEnd + 1;
  }
  return {};
}

#ifndef _WIN32
namespace {
constexpr const char* kSource = "Procforge.ODBC";

// A UDP socket closed when done.
struct Socket {
  int fd = -1;
  ~Socket() {
    if (fd >= 0) ::close(fd);
  }
};
}  // namespace

std::optional<std::string> TcpPort(const std::string& host, const std::string& instance,
                                   std::chrono::steady_clock::time_point deadline, int browserPort) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (const int rc = ::getaddrinfo(host.c_str(), std::to_string(browserPort).c_str(), &hints, &found); rc != 0)
    throw ProviderError(kSource, "The host '" + host + "' of the named instance '" + instance +
                                     "' cannot be found: " + ::gai_strerror(rc) + ".");
  Socket s;
  s.fd = ::socket(found->ai_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  const bool connected = s.fd >= 0 && ::connect(s.fd, found->ai_addr, found->ai_addrlen) == 0;
  ::freeaddrinfo(found);
  if (!connected) return std::nullopt;

  std::string request(1, '\x04');
  request += instance.substr(0, 32);
  request += '\0';
  auto nextSend = std::chrono::steady_clock::now();
  unsigned char answer[65536];
  for (;;) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return std::nullopt;
    if (now >= nextSend) {
      (void)::send(s.fd, request.data(), request.size(), MSG_NOSIGNAL);
      nextSend = now + std::chrono::seconds(1);
    }
    const auto wait = std::min(deadline, nextSend) - now;
    pollfd p{s.fd, POLLIN, 0};
    const int ms = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count());
    if (::poll(&p, 1, ms) <= 0) continue;
    // A host that refuses the port answers with an ICMP error, which fails this read; the
    // request is sent again until the deadline, as for a lost datagram.
    const ssize_t n = ::recv(s.fd, answer, sizeof answer, 0);
    if (n < 3 || answer[0] != 0x05) continue;
    const size_t size = std::min<size_t>(static_cast<size_t>(answer[1] | (answer[2] << 8)), static_cast<size_t>(n) - 3);
    const std::string_view data(reinterpret_cast<const char*>(answer + 3), size);
    std::string port = PortInAnswer(data, instance);
    if (port.empty())
      throw ProviderError(kSource, "The SQL Server Browser service of '" + host +
                                       "' answered, but names no TCP port "
                                       "for the instance '" +
                                       instance +
                                       "' (it is unknown there, or does not listen "
                                       "on TCP/IP).");
    return port;
  }
}
#endif

}  // namespace pf::ado::InstanceLookup
