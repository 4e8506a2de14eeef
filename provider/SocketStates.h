// What the provider remembers per socket descriptor between the calls of one connection: that a
// connection was opened and its first bytes are still to come, a ClientHello split over writes
// and read so far, a connection refused by the tray program, a blocked request the provider
// answered itself, and the server name already decided for it at the name lookup.
//
// Descriptors are reused once closed, and the provider does not see close: state that outlives
// the call that set it (a pending ClientHello, a refused or answered connection) is tied to the
// socket's identity (device and inode), checked before it is used. A connect on the descriptor
// starts afresh.
#pragma once

#include <cstddef>
#include <cstdint>

#include <sys/uio.h>

namespace hookwise::provider {

// Descriptors at or above this number have no state: their connections go unchecked after the
// connect.
constexpr int kTrackedDescriptors = 32768;

enum SocketFlag : std::uint32_t {
    kAwaitingFirstWrite = 1u << 0, // opened by connect; nothing written yet
    kHelloPending = 1u << 1,       // a ClientHello split over writes is being read
    kRefused = 1u << 2,            // the tray program blocked the connection's server name
    kAnswered = 1u << 3,           // a blocked request was answered by the provider
};

struct PendingHello; // the bytes of a split ClientHello so far

// Called for a connect (or a Fast Open send) on fd: forgets everything of an earlier connection
// on that number and marks the first write as still to come. decidedName: the hash
// (ServerNameHash) of the name the address was looked up under and allowed, or 0.
void NoteConnect(int fd, std::uint32_t decidedName);

// The flags of fd, 0 when it has none. One relaxed load: the test every write makes.
std::uint32_t SocketFlags(int fd);

// Claims the first write of fd: true exactly once after NoteConnect (the awaiting flag is taken
// off), false for every later write and for descriptors without state.
bool TakeFirstWrite(int fd);

// The decided name's hash set by NoteConnect, or 0.
std::uint32_t DecidedName(int fd);

// Marks fd refused: every later write fails until the next connect on it, as long as it is the
// same socket. False when fd has no state or cannot be identified.
bool MarkRefused(int fd);
// True when fd is marked refused and still is the socket that was refused; a reused descriptor
// loses the mark.
bool IsRefused(int fd);

// Marks fd as a socket the provider answered a blocked request on (it now is the provider's
// socket pair end holding the answer): every later write on it is taken and dropped, until the
// next connect on it, as long as it is the same socket. Forgets any other state of fd. False when
// fd is beyond the tracked descriptors or cannot be identified.
bool MarkAnswered(int fd);
// True when fd is marked answered and still is that socket; a reused descriptor loses the mark.
bool IsAnswered(int fd);

// A split ClientHello: Append copies data behind the bytes kept so far (up to the scan's look
// limit) and gives the whole; Drop forgets it. StartPending makes the buffer for fd (false when
// memory or the socket's identity is not to be had); ContinuePending returns it only while fd is
// the same socket, else forgets it and returns null.
PendingHello* StartPending(int fd);
PendingHello* ContinuePending(int fd);
void AppendPending(PendingHello& pending, const iovec* parts, int count, const void*& whole,
                   std::size_t& wholeSize);
void DropPending(int fd);

// FNV-1a of a server name, ignoring ASCII case and one trailing dot as the lookups do; never 0.
std::uint32_t ServerNameHash(const char* name);

} // namespace hookwise::provider
