// The index builder: the lists, the pool and entry tables, the two hash sets, the suffix array
// (libdivsufsort) and the automata, laid out behind the header; and the file around it.
//
// Sections: the pieces (pool, hash sets, suffix array); assembling the file; reading the working
// copy and writing the index.
#include "engine/index/DefinitionIndexBuilder.h"

#include "engine/HostNameTable.h"
#include "engine/index/AutomatonBuilder.h"
#include "engine/index/DefinitionLists.h"

#include "platform/AtomicFile.h"
#include "platform/MappedFile.h"

#include <divsufsort.h>
#include <xxhash.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <new>
#include <unordered_set>

using namespace definition_index;

namespace {

// ---- the pieces ----

constexpr std::uint64_t kMaxOffset = 0xFFFFFFF0u;

struct Pieces {
    std::string pool;
    std::vector<EntryRef> entries[kListCount];
    std::vector<EntryRef> linkVisible;
    std::vector<EntryRef> hosts;
    std::vector<std::uint32_t> ipSlots;
    std::vector<std::uint32_t> hostSlots;
    std::vector<std::uint32_t> urlSuffixes;
    std::uint64_t urlTextOffset = 0;
    std::uint64_t urlTextLength = 0;
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

// The positions of the web-address text whose suffix starts with an entry byte, in the order of
// their suffixes.
bool SuffixArray(std::string_view text, std::vector<std::uint32_t>& suffixes) {
    if (text.empty())
        return true;
    if (text.size() > 0x7FFFFFF0u)
        return false;
    std::vector<saidx_t> all(text.size());
    if (divsufsort(reinterpret_cast<const sauchar_t*>(text.data()), all.data(),
                   static_cast<saidx_t>(text.size())) != 0)
        return false;
    suffixes.reserve(text.size());
    for (saidx_t position : all) {
        if (text[static_cast<std::size_t>(position)] != '\0')
            suffixes.push_back(static_cast<std::uint32_t>(position));
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
    // HostLink then Link first and back to back: together they are the web-address text.
    const List order[] = {HostLink, Link, Ip, From, Subject, Text};
    for (List list : order) {
        if (list == Ip)
            pieces.urlTextLength = pieces.pool.size() - pieces.urlTextOffset;
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
    std::unordered_set<std::string> seen;
    for (List list : {HostLink, Link}) {
        for (const std::string& entry : lists.lists[list]) {
            std::string host = EntryHost(entry);
            if (host.empty() || !seen.insert(host).second)
                continue;
            EntryRef ref{};
            if (!AddText(pieces.pool, host, ref)) {
                error = "the definitions are too large for an index";
                return false;
            }
            pieces.hosts.push_back(ref);
        }
    }
    step(45);
    pieces.ipSlots = HashSlots(pieces.pool, pieces.entries[Ip]);
    pieces.hostSlots = HashSlots(pieces.pool, pieces.hosts);
    step(50);
    if (!SuffixArray(
            std::string_view(pieces.pool.data() + pieces.urlTextOffset, pieces.urlTextLength),
            pieces.urlSuffixes)) {
        error = "the web addresses are too large for an index";
        return false;
    }
    step(75);
    pieces.automata[FromAutomaton] = BuildAutomaton(Patterns(lists.lists[From], false));
    step(80);
    pieces.automata[SubjectAutomaton] = BuildAutomaton(Patterns(lists.lists[Subject], false));
    step(85);
    pieces.automata[TextAutomaton] = BuildAutomaton(Patterns(lists.lists[Text], false));
    step(90);
    pieces.automata[LinkAutomaton] = BuildAutomaton(Patterns(lists.lists[Link], true));
    step(95);
    return true;
}

// ---- assembling the file ----

class Layout {
public:
    explicit Layout(Header& header) : header_(header) { bytes_.resize(sizeof(Header)); }

    template <typename T> void Put(std::uint32_t section, const std::vector<T>& items) {
        Put(section, items.data(), items.size() * sizeof(T));
    }
    void Put(std::uint32_t section, const void* data, std::size_t size) {
        bytes_.resize((bytes_.size() + 7) / 8 * 8, '\0');
        header_.sections[section] = {size ? bytes_.size() : 0, size};
        bytes_.append(static_cast<const char*>(data), size);
    }
    std::string Finish() {
        bytes_.resize((bytes_.size() + 7) / 8 * 8, '\0');
        header_.fileSize = bytes_.size();
        header_.headerChecksum = HeaderChecksum(header_);
        std::memcpy(bytes_.data(), &header_, sizeof header_);
        return std::move(bytes_);
    }

private:
    Header& header_;
    std::string bytes_;
};

std::string Assemble(const Pieces& pieces, const SourceIdentity& source) {
    Header header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.formatVersion = kFormatVersion;
    header.headerSize = sizeof(Header);
    header.source = source;
    header.sectionCount = kSectionCount;
    header.urlTextOffset = pieces.urlTextOffset;
    header.urlTextLength = pieces.urlTextLength;
    Layout layout(header);
    layout.Put(Pool, pieces.pool.data(), pieces.pool.size());
    for (std::uint32_t list = 0; list < kListCount; ++list)
        layout.Put(EntriesFirst + list, pieces.entries[list]);
    layout.Put(LinkVisible, pieces.linkVisible);
    layout.Put(IpSlots, pieces.ipSlots);
    layout.Put(Hosts, pieces.hosts);
    layout.Put(HostSlots, pieces.hostSlots);
    layout.Put(UrlSuffixes, pieces.urlSuffixes);
    for (std::uint32_t a = 0; a < kAutomatonCount; ++a) {
        const AutomatonArrays& arrays = pieces.automata[a];
        const auto automaton = static_cast<Automaton>(a);
        layout.Put(AutomatonSection(automaton, RootNext), arrays.rootNext);
        layout.Put(AutomatonSection(automaton, EdgeStart), arrays.edgeStart);
        layout.Put(AutomatonSection(automaton, EdgeLabel), arrays.edgeLabel);
        layout.Put(AutomatonSection(automaton, EdgeTarget), arrays.edgeTarget);
        layout.Put(AutomatonSection(automaton, Fail), arrays.fail);
        layout.Put(AutomatonSection(automaton, MinOut), arrays.minOut);
    }
    return layout.Finish();
}

// ---- reading the working copy and writing the index ----

bool ReadWhole(const std::string& path, std::string& bytes, FileStamp& stamp, std::string& error) {
    FileStamp before;
    if (!StampOfFile(path.c_str(), before)) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    bytes.assign(static_cast<std::size_t>(before.size), '\0');
    if (!in || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        error = "cannot read " + path;
        return false;
    }
    if (in.peek() != std::char_traits<char>::eof() || !StampOfFile(path.c_str(), stamp) ||
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

bool CompileDefinitionIndex(std::string_view workingCopy, SourceIdentity source, std::string& index,
                            std::string& error, const IndexProgress& progress) {
    auto step = [&](int percent) {
        if (progress)
            progress(percent);
    };
    try {
        source.checksum = XXH3_64bits(workingCopy.data(), workingCopy.size());
        step(5);
        DefinitionLists lists = ReadDefinitionLists(workingCopy);
        step(35);
        Pieces pieces;
        if (!MakePieces(lists, pieces, error, step))
            return false;
        lists = DefinitionLists();
        index = Assemble(pieces, source);
        step(100);
        return true;
    } catch (const std::bad_alloc&) {
        error = "not enough memory for the index";
        return false;
    }
}

namespace {

bool WriteIndexFile(const std::string& indexPath, const std::string& index, std::string& error) {
    AtomicFileWriter out;
    LONG code = out.Create(indexPath, 0600);
    if (code == ERROR_SUCCESS)
        code = out.Write(index.data(), index.size());
    if (code == ERROR_SUCCESS)
        code = out.Commit();
    if (code != ERROR_SUCCESS) {
        error = "cannot write " + indexPath + " (error " + std::to_string(code) + ")";
        return false;
    }
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
        std::string index;
        return CompileDefinitionIndex(workingCopy, IdentityOf(stamp), index, error, progress) &&
               WriteIndexFile(indexPath, index, error);
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
            std::string index;
            if (!CompileDefinitionIndex(bytes, IdentityOf(stamp), index, error, progress))
                return false;
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
                    stampAgain.inode != stamp.inode || again != bytes) {
                    error = workingCopyPath + " changed while it was indexed";
                    continue;
                }
            }
            return WriteIndexFile(indexPath, index, error);
        }
        return false;
    } catch (const std::bad_alloc&) {
        error = "not enough memory for the index";
        return false;
    }
}
