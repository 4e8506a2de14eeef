// The index builder: the lists, the pool and entry tables, the host address set, the web-address
// keys and the automata, laid out behind the header; and the file around it.
//
// Sections: the pieces (pool, hash sets, automata); assembling the file; reading the working copy
// and writing the index.
#include "engine/index/DefinitionIndexBuilder.h"

#include "engine/WebKeyTable.h"
#include "engine/WellKnownSites.h"
#include "engine/index/AutomatonBuilder.h"
#include "engine/index/DefinitionLists.h"
#include "platform/AtomicFile.h"
#include "platform/MappedFile.h"
#include "platform/WholeFile.h"

#include <xxhash.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <new>
#include <thread>

using namespace hookwise::platform;

using namespace definition_index;

namespace {

// ---- the pieces ----

constexpr std::uint64_t kMaxOffset = 0xFFFFFFF0u;

struct Pieces {
    std::string pool;
    std::vector<EntryRef> entries[kListCount];
    std::vector<EntryRef> linkVisible;
    std::vector<std::uint32_t> ipSlots;
    std::vector<std::uint64_t> webKeys;
    std::uint64_t webKeyCount = 0;
    std::uint64_t wellKnownChecksum = 0;
    AutomatonArrays automata[kAutomatonCount];
};

// Appends text and its terminating 0 to the pool.
bool AddText(std::string& pool, std::string_view text, EntryRef& ref) {
    if (pool.size() + text.size() + 1 > kMaxOffset)
        return false;
    ref.offset = static_cast<std::uint32_t>(pool.size());
    ref.length = static_cast<std::uint32_t>(text.size());
    pool.append(text);
    pool.push_back('\0');
    return true;
}

// An open-addressing set of the texts of table, at most half full.
std::vector<std::uint32_t> HashSlots(const std::string& pool, const std::vector<EntryRef>& table) {
    if (table.empty())
        return {};
    std::size_t capacity = 16;
    while (capacity < table.size() * 2)
        capacity *= 2;
    std::vector<std::uint32_t> slots(capacity, 0);
    const std::size_t mask = capacity - 1;
    for (std::size_t i = 0; i < table.size(); ++i) {
        std::string_view text(pool.data() + table[i].offset, table[i].length);
        std::size_t slot = HashBytes(text.data(), text.size()) & mask;
        for (;; slot = (slot + 1) & mask) {
            std::uint32_t value = slots[slot];
            if (value == 0) {
                slots[slot] = static_cast<std::uint32_t>(i + 1);
                break;
            }
            const EntryRef& other = table[value - 1];
            if (std::string_view(pool.data() + other.offset, other.length) == text)
                break; // a repeated entry: the first stands for both
        }
    }
    return slots;
}

// The web-address keys of the HostLink and Link entries in an open-addressing table at most
// about two thirds full (the reader's probes stay short), repeated keys stored once.
bool WebKeySlots(const DefinitionLists& lists, const WellKnownSites& sites,
                 std::vector<std::uint64_t>& slots, std::uint64_t& count) {
    std::vector<std::uint64_t> keys;
    keys.reserve(lists.lists[HostLink].size() + lists.lists[Link].size());
    for (List list : {HostLink, Link}) {
        for (std::size_t i = 0; i < lists.lists[list].size(); ++i) {
            // A Link entry with a byte above 0x7F is folded for the link checks; its web address
            // is its form lower-cased in ASCII, as the walk reads it.
            auto webForm = list == Link ? lists.linkWebForms.find(i) : lists.linkWebForms.end();
            const std::string& entry =
                webForm != lists.linkWebForms.end() ? webForm->second : lists.lists[list][i];
            std::uint64_t entryKeys[2];
            int n = EntryWebKeys(entry, sites, entryKeys);
            keys.insert(keys.end(), entryKeys, entryKeys + n);
        }
    }
    if (keys.empty())
        return true;
    if (keys.size() > (std::uint64_t(1) << 36))
        return false;
    const std::uint64_t capacity = keys.size() + keys.size() / 2 + 1;
    slots.assign(capacity, 0);
    count = 0;
    for (std::uint64_t key : keys) {
        std::uint64_t slot = WebKeySlot(key, capacity);
        for (;;) {
            if (slots[slot] == 0) {
                slots[slot] = key;
                ++count;
                break;
            }
            if (slots[slot] == key)
                break;
            if (++slot == capacity)
                slot = 0;
        }
    }
    return true;
}

std::vector<AutomatonPattern> Patterns(const std::vector<std::string>& entries, bool skipNull) {
    std::vector<AutomatonPattern> patterns;
    patterns.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        // "null" marks an empty slot of the Link list, which the link checks pass over.
        if (skipNull && entries[i] == "null")
            continue;
        patterns.push_back({entries[i], static_cast<std::uint32_t>(i + 1)});
    }
    return patterns;
}

bool MakePieces(const DefinitionLists& lists, Pieces& pieces, std::string& error,
                const std::function<void(int)>& step) {
    // The HostLink entries are only ever looked up as web addresses: their keys stand for them.
    const List order[] = {Link, Ip, From, Subject, Text};
    for (List list : order) {
        for (const std::string& entry : lists.lists[list]) {
            EntryRef ref{};
            if (!AddText(pieces.pool, entry, ref)) {
                error = "the definitions are too large for an index";
                return false;
            }
            pieces.entries[list].push_back(ref);
        }
    }
    for (const std::string& visible : lists.linkVisible) {
        EntryRef ref{};
        if (!AddText(pieces.pool, visible, ref)) {
            error = "the definitions are too large for an index";
            return false;
        }
        pieces.linkVisible.push_back(ref);
    }
    step(45);
    pieces.ipSlots = HashSlots(pieces.pool, pieces.entries[Ip]);
    step(50);
    // The web keys and the link automaton are made on a thread of their own while the other
    // automata are built here.
    bool keyed = false;
    std::exception_ptr failure;
    std::thread keyer([&] {
        try {
            const WellKnownSites sites = LoadWellKnownSites();
            pieces.wellKnownChecksum = sites.Checksum();
            keyed = WebKeySlots(lists, sites, pieces.webKeys, pieces.webKeyCount);
            pieces.automata[LinkAutomaton] = BuildAutomaton(Patterns(lists.lists[Link], true));
        } catch (...) {
            failure = std::current_exception();
        }
    });
    try {
        pieces.automata[FromAutomaton] = BuildAutomaton(Patterns(lists.lists[From], false));
        step(60);
        pieces.automata[SubjectAutomaton] = BuildAutomaton(Patterns(lists.lists[Subject], false));
        step(70);
        pieces.automata[TextAutomaton] = BuildAutomaton(Patterns(lists.lists[Text], false));
        step(80);
    } catch (...) {
        keyer.join();
        throw;
    }
    keyer.join();
    if (failure)
        std::rethrow_exception(failure);
    if (!keyed) {
        error = "the web addresses are too large for an index";
        return false;
    }
    step(95);
    return true;
}

// ---- assembling the file ----

// Where a section's bytes come from.
struct Span {
    const void* data;
    std::size_t size;
};

template <typename T> Span SpanOf(const std::vector<T>& items) {
    return {items.data(), items.size() * sizeof(T)};
}

// The header, with every section's place worked out from the sizes, and the sections' bytes.
Header LayOut(const Pieces& pieces, const SourceIdentity& source, Span (&spans)[kSectionCount]) {
    spans[Pool] = {pieces.pool.data(), pieces.pool.size()};
    for (std::uint32_t list = 0; list < kListCount; ++list)
        spans[EntriesFirst + list] = SpanOf(pieces.entries[list]);
    spans[LinkVisible] = SpanOf(pieces.linkVisible);
    spans[IpSlots] = SpanOf(pieces.ipSlots);
    spans[WebKeys] = SpanOf(pieces.webKeys);
    for (std::uint32_t a = 0; a < kAutomatonCount; ++a) {
        const AutomatonArrays& arrays = pieces.automata[a];
        const auto automaton = static_cast<Automaton>(a);
        spans[AutomatonSection(automaton, RootNext)] = SpanOf(arrays.rootNext);
        spans[AutomatonSection(automaton, EdgeStart)] = SpanOf(arrays.edgeStart);
        spans[AutomatonSection(automaton, EdgeLabel)] = SpanOf(arrays.edgeLabel);
        spans[AutomatonSection(automaton, Fail)] = SpanOf(arrays.fail);
        spans[AutomatonSection(automaton, MinOut)] = SpanOf(arrays.minOut);
    }
    Header header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.formatVersion = kFormatVersion;
    header.headerSize = sizeof(Header);
    header.source = source;
    header.sectionCount = kSectionCount;
    header.webKeyCount = pieces.webKeyCount;
    header.wellKnownChecksum = pieces.wellKnownChecksum;
    std::uint64_t offset = sizeof(Header);
    for (std::uint32_t s = 0; s < kSectionCount; ++s) {
        offset = (offset + 7) / 8 * 8;
        header.sections[s] = {spans[s].size ? offset : 0, spans[s].size};
        offset += spans[s].size;
    }
    header.fileSize = (offset + 7) / 8 * 8;
    header.headerChecksum = HeaderChecksum(header);
    return header;
}

// Hands the whole file to write(data, size) piece by piece, in order; false as soon as write
// fails.
template <typename Write>
bool EmitIndex(const Pieces& pieces, const SourceIdentity& source, Write write) {
    Span spans[kSectionCount];
    const Header header = LayOut(pieces, source, spans);
    static const char kZeros[8] = {};
    std::uint64_t written = sizeof header;
    if (!write(&header, sizeof header))
        return false;
    for (std::uint32_t s = 0; s < kSectionCount; ++s) {
        if (spans[s].size == 0)
            continue;
        if (!write(kZeros, header.sections[s].offset - written))
            return false;
        if (!write(spans[s].data, spans[s].size))
            return false;
        written = header.sections[s].offset + spans[s].size;
    }
    return write(kZeros, header.fileSize - written);
}

bool CompilePieces(std::string_view workingCopy, SourceIdentity& source, Pieces& pieces,
                   std::string& error, const IndexProgress& progress) {
    auto step = [&](int percent) {
        if (progress)
            progress(percent);
    };
    source.checksum = DefinitionsChecksum(workingCopy);
    step(5);
    DefinitionLists lists = ReadDefinitionLists(workingCopy);
    step(35);
    return MakePieces(lists, pieces, error, step);
}

// ---- reading the working copy and writing the index ----

bool ReadWhole(const std::string& path, std::string& bytes, FileStamp& stamp, std::string& error) {
    FileStamp before;
    if (!StampOfFile(path.c_str(), before)) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    if (ReadWholeFile(path, bytes) != 0) {
        error = "cannot read " + path;
        return false;
    }
    if (bytes.size() != before.size || !StampOfFile(path.c_str(), stamp) ||
        stamp.size != before.size || stamp.inode != before.inode ||
        stamp.modifiedSeconds != before.modifiedSeconds ||
        stamp.modifiedNanoseconds != before.modifiedNanoseconds) {
        error = path + " changed while it was read";
        return false;
    }
    return true;
}

SourceIdentity IdentityOf(const FileStamp& stamp) {
    SourceIdentity source{};
    source.size = stamp.size;
    source.modifiedSeconds = stamp.modifiedSeconds;
    source.modifiedNanoseconds = stamp.modifiedNanoseconds;
    source.device = stamp.device;
    source.inode = stamp.inode;
    return source;
}

std::int64_t NowNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The kernel stamps modification times in ticks of a few milliseconds: a file rewritten in place
// with the same size within one tick keeps its stamp. A copy read this soon after its stamp is
// read once more when the time has passed, and must still hold the same bytes.
constexpr std::int64_t kRacyWindowNs = 100'000'000;

} // namespace

std::uint64_t DefinitionsChecksum(std::string_view workingCopy) {
    return XXH3_64bits(workingCopy.data(), workingCopy.size());
}

std::uint64_t CurrentWellKnownChecksum() {
    return LoadWellKnownSites().Checksum();
}

bool CompileDefinitionIndex(std::string_view workingCopy, SourceIdentity source, std::string& index,
                            std::string& error, const IndexProgress& progress) {
    try {
        Pieces pieces;
        if (!CompilePieces(workingCopy, source, pieces, error, progress))
            return false;
        index.clear();
        EmitIndex(pieces, source, [&index](const void* data, std::size_t size) {
            index.append(static_cast<const char*>(data), size);
            return true;
        });
        if (progress)
            progress(100);
        return true;
    } catch (const std::bad_alloc&) {
        error = "not enough memory for the index";
        return false;
    }
}

namespace {

// Compiles and writes the index straight into the file, without a copy of it in memory.
bool WriteIndexFile(std::string_view workingCopy, SourceIdentity source,
                    const std::string& indexPath, std::string& error,
                    const IndexProgress& progress) {
    Pieces pieces;
    if (!CompilePieces(workingCopy, source, pieces, error, progress))
        return false;
    AtomicFileWriter out;
    LONG code = out.Create(indexPath, 0600);
    if (code == ERROR_SUCCESS &&
        !EmitIndex(pieces, source, [&out, &code](const void* data, std::size_t size) {
            code = size ? out.Write(data, size) : ERROR_SUCCESS;
            return code == ERROR_SUCCESS;
        }))
        code = code == ERROR_SUCCESS ? ERROR_WRITE_FAULT : code;
    if (code == ERROR_SUCCESS)
        code = out.Commit();
    if (code != ERROR_SUCCESS) {
        error = "cannot write " + indexPath + " (error " + std::to_string(code) + ")";
        return false;
    }
    if (progress)
        progress(100);
    return true;
}

} // namespace

bool WriteDefinitionIndex(std::string_view workingCopy, const std::string& workingCopyPath,
                          const std::string& indexPath, std::string& error,
                          const IndexProgress& progress) {
    try {
        FileStamp stamp;
        if (!StampOfFile(workingCopyPath.c_str(), stamp) || stamp.size != workingCopy.size()) {
            error = workingCopyPath + " does not hold the definitions to index";
            return false;
        }
        return WriteIndexFile(workingCopy, IdentityOf(stamp), indexPath, error, progress);
    } catch (const std::bad_alloc&) {
        error = "not enough memory for the index";
        return false;
    }
}

bool BuildDefinitionIndex(const std::string& workingCopyPath, const std::string& indexPath,
                          std::string& error, const IndexProgress& progress) {
    try {
        for (int attempt = 0; attempt < 3; ++attempt) {
            const std::int64_t readStart = NowNanoseconds();
            std::string bytes;
            FileStamp stamp;
            if (!ReadWhole(workingCopyPath, bytes, stamp, error))
                continue;
            const std::int64_t modified =
                stamp.modifiedSeconds * 1000000000 + stamp.modifiedNanoseconds;
            if (readStart < modified + kRacyWindowNs) {
                while (NowNanoseconds() < modified + kRacyWindowNs) {
                    timespec pause{0, 10'000'000};
                    nanosleep(&pause, nullptr);
                }
                std::string again;
                FileStamp stampAgain;
                if (!ReadWhole(workingCopyPath, again, stampAgain, error) ||
                    stampAgain.inode != stamp.inode ||
                    stampAgain.modifiedSeconds != stamp.modifiedSeconds ||
                    stampAgain.modifiedNanoseconds != stamp.modifiedNanoseconds || again != bytes) {
                    error = workingCopyPath + " changed while it was indexed";
                    continue;
                }
            }
            return WriteIndexFile(bytes, IdentityOf(stamp), indexPath, error, progress);
        }
        return false;
    } catch (const std::bad_alloc&) {
        error = "not enough memory for the index";
        return false;
    }
}
