// The addresses a name lookup handed out for a name the tray program was asked about and allowed,
// for a short while: a connection opened to one of them belongs to a visit already decided, so
// neither its connect nor its ClientHello asks again.
#pragma once

#include <cstdint>

#include <sys/socket.h>

namespace hookwise::provider {

// How long a lookup's answer counts as the same visit.
constexpr long kDecidedMilliseconds = 30000;

// Remembers addr (IPv4 or IPv6; anything else is ignored) as handed out for the name of
// nameHash (ServerNameHash). The oldest entries make room. Never blocks.
void RememberDecidedAddress(const sockaddr* addr, socklen_t length, std::uint32_t nameHash);

// The name hash remembered for addr within kDecidedMilliseconds, or 0. The port is not compared.
// One load while nothing is remembered. Never blocks.
std::uint32_t DecidedNameFor(const sockaddr* addr, socklen_t length);

} // namespace hookwise::provider
