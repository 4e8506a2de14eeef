// What one visit of a listed name already decided, for a short while: the addresses a name lookup
// handed out for a name the tray program allowed (a connection opened to one of them asks neither
// at its connect nor at its ClientHello), and the tray program's answer for a name itself (the
// further connections and retries of the visit take it without asking again).
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

enum class NameDecision { Unknown, Allowed, Blocked };

// Remembers the tray program's answer for the name of nameHash for kDecidedMilliseconds.
void RememberNameDecision(std::uint32_t nameHash, bool allowed);
// The answer remembered for nameHash, or Unknown. One load while nothing is remembered.
NameDecision FindNameDecision(std::uint32_t nameHash);

} // namespace hookwise::provider
