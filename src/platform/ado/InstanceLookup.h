#pragma once
// The TCP port of a named SQL Server instance ("host\instance"), asked of the SQL Server
// Browser service of its host (UDP port 1434) within a time limit, so that a connection
// attempt to an instance keeps to its connection time-out whatever the network does.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace pf::ado::InstanceLookup {

// Asks `host` for the TCP port of `instance`, repeating the request every second (the
// service answers over UDP, which may lose a datagram) until `deadline`. Returns the port,
// or std::nullopt when no answer came in time. Throws ProviderError when the host cannot
// be resolved, or its answer names no TCP port for the instance (it listens on named pipes
// only, or the instance is unknown).
std::optional<std::string> TcpPort(const std::string& host, const std::string& instance,
                                   std::chrono::steady_clock::time_point deadline, int browserPort = 1434);

// The TCP port an answer of the service gives for `instance` (compared ignoring case), or
// "" when it names none.
std::string PortInAnswer(std::string_view answer, std::string_view instance);

}  // namespace pf::ado::InstanceLookup
