// The stored layout of the compiled definition index: one read-only, position-independent file
// beside the working copy, tied by its header to the exact working copy it was made from. Shared
// by the builder, which writes it, and the engine, which maps it and reads it.
//
// Layout: the header, then the sections it lists, each at an 8-byte aligned offset. Every number
// is little-endian; every reference is an offset or a count, never an address, so the file means
// the same wherever it is mapped.
//
//   Pool            every entry text but the HostLink ones, lower-cased as the lookups compare
//                   it, each followed by a 0 byte
//   <List>Entries   per list, in list order: {u32 offset into Pool, u32 length}; none for
//                   HostLink, whose entries are only ever looked up as web addresses
//   LinkVisible     the visible text of each Link entry, by the same index, as stored (length 0:
//                   no visible text)
//   IpSlots         open-addressing hash of the host address entries: u32 entry number + 1, 0 empty
//   WebKeys         the web-address keys of the HostLink and Link entries (engine/WebAddress.h):
//                   u64 fingerprints in an open-addressing table of any size, a key's first slot
//                   its fingerprint scaled to the table (high 64 bits of fingerprint * slots),
//                   then the next slots in turn; 0 is an empty slot
//   <Automaton>*    one multi-pattern automaton per text lookup (senders, subjects, body phrases,
//                   link patterns), its states numbered breadth first: the root's 256 next
//                   states, then per state its first edge, the edges' bytes, its failure state
//                   and the smallest list number of a pattern that ends there or at any of its
//                   failure states. Edge number e leads to state e + 1 (breadth first, the
//                   children of the states are numbered in the order of their edges), so the
//                   edges need no targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace definition_index {

inline constexpr char kMagic[8] = {'H', 'K', 'W', 'D', 'I', 'D', 'X', '\0'};
// 4: the mail and link entries are under the Unicode case fold (3 had them lower-cased in ASCII).
inline constexpr std::uint32_t kFormatVersion = 4;
// A list number that no entry has: "no pattern ends here".
inline constexpr std::uint32_t kNoEntry = 0xFFFFFFFFu;
// The longest entry text any list holds (the 261-byte value buffer less its terminator).
inline constexpr std::uint32_t kMaxEntryLength = 260;

enum List : std::uint32_t { Ip, HostLink, Link, From, Subject, Text, kListCount };

enum Automaton : std::uint32_t {
    FromAutomaton,
    SubjectAutomaton,
    TextAutomaton,
    LinkAutomaton,
    kAutomatonCount
};

// The arrays of one automaton, in section order.
enum AutomatonPart : std::uint32_t {
    RootNext,
    EdgeStart,
    EdgeLabel,
    Fail,
    MinOut,
    kAutomatonPartCount
};

// The sections, in the order of the header's table.
inline constexpr std::uint32_t Pool = 0;
inline constexpr std::uint32_t EntriesFirst = 1; // kListCount entry tables
inline constexpr std::uint32_t LinkVisible = EntriesFirst + std::uint32_t(kListCount);
inline constexpr std::uint32_t IpSlots = LinkVisible + 1;
inline constexpr std::uint32_t WebKeys = IpSlots + 1;
inline constexpr std::uint32_t AutomataFirst = WebKeys + 1; // kAutomatonCount * parts
inline constexpr std::uint32_t kSectionCount =
    AutomataFirst + std::uint32_t(kAutomatonCount) * std::uint32_t(kAutomatonPartCount);

constexpr std::uint32_t AutomatonSection(Automaton automaton, AutomatonPart part) {
    return AutomataFirst + std::uint32_t(automaton) * std::uint32_t(kAutomatonPartCount) +
           std::uint32_t(part);
}

struct SectionRef {
    std::uint64_t offset;
    std::uint64_t size; // bytes
};

struct EntryRef {
    std::uint32_t offset;
    std::uint32_t length;
};

// What ties an index to its working copy: the file's identity when the index was made and a
// checksum (XXH3, 64 bits) of the bytes it was made from.
struct SourceIdentity {
    std::uint64_t size;
    std::int64_t modifiedSeconds;
    std::int64_t modifiedNanoseconds;
    std::uint64_t device;
    std::uint64_t inode;
    std::uint64_t checksum;
};

struct Header {
    char magic[8];
    std::uint32_t formatVersion;
    std::uint32_t headerSize; // sizeof(Header)
    std::uint64_t fileSize;   // the whole index
    SourceIdentity source;
    std::uint32_t sectionCount; // kSectionCount
    std::uint32_t reserved;
    std::uint64_t webKeyCount;       // the keys in WebKeys
    std::uint64_t wellKnownChecksum; // of the well-known sites the page-host keys left out
    SectionRef sections[kSectionCount];
    std::uint64_t headerChecksum; // HeaderChecksum of the bytes before this field
};

static_assert(sizeof(EntryRef) == 8 && sizeof(SectionRef) == 16);
static_assert(offsetof(Header, headerChecksum) == sizeof(Header) - 8);
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the stored numbers are little-endian");

// FNV-1a over the bytes with a final mix: the hash of the host address table (the builder and the
// reader must agree on it) and the header's own checksum.
inline std::uint64_t HashBytes(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::uint64_t h = 14695981039346656037ull;
    for (std::size_t i = 0; i < size; ++i) {
        h ^= bytes[i];
        h *= 1099511628211ull;
    }
    h ^= h >> 29;
    h *= 0xbf58476d1ce4e5b9ull;
    h ^= h >> 32;
    return h;
}

// The first slot of a web key in a table of slotCount slots.
inline std::uint64_t WebKeySlot(std::uint64_t key, std::uint64_t slotCount) {
    return static_cast<std::uint64_t>((static_cast<__uint128_t>(key) * slotCount) >> 64);
}

inline std::uint64_t HeaderChecksum(const Header& header) {
    return HashBytes(&header, offsetof(Header, headerChecksum));
}

// The index that belongs beside a working copy: its name with ".pbd" replaced by ".pbi", or with
// ".pbi" added when it has another ending ("hkwdb2.pbd" -> "hkwdb2.pbi").
inline std::string IndexPathFor(std::string_view workingCopy) {
    std::string path(workingCopy);
    if (path.size() >= 4 && path.compare(path.size() - 4, 4, ".pbd") == 0)
        path.resize(path.size() - 4);
    path += ".pbi";
    return path;
}

} // namespace definition_index
