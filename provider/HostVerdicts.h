// Remembers, per remote host, whether the working database lists it, so a program that opens
// connection after connection to the same hosts pays for the database lookup (a file check and a
// list read) once per host and database version rather than on every call.
#pragma once

#include <cstdint>

namespace hookwise::provider {

enum class Verdict { Unknown, Listed, NotListed };

// Host addresses (IsBadIP) and server names (IsBadHostName) are remembered apart: a text such as
// "10.0.0.1" may be both, with different answers.
enum class VerdictTable { Addresses, Names };

// The answer stored for host under generation, or Unknown (never stored, stored under another
// generation, pushed out by another host, or the table busy in another thread). Never blocks.
Verdict FindVerdict(const char* host, std::uint64_t generation,
                    VerdictTable table = VerdictTable::Addresses);

// Stores listed for host under generation; hosts of 100 characters or more, which no list holds,
// are not stored. Skipped when the table is busy in another thread. Never blocks, so a child
// forked while another thread held the table keeps working (it only stops remembering).
void StoreVerdict(const char* host, std::uint64_t generation, bool listed,
                  VerdictTable table = VerdictTable::Addresses);

} // namespace hookwise::provider
