// Index reuse: the cache's header checked against the new working copy, then the index copied
// with its tie to the working copy rewritten.
#include "engine/index/IndexReuse.h"

#include "engine/DefinitionIndexFormat.h"
#include "engine/index/DefinitionIndexBuilder.h"
#include "platform/AtomicFile.h"
#include "platform/MappedFile.h"
#include "platform/UniqueFd.h"

#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hookwise::platform;

using namespace definition_index;

namespace {

// Reads the header whole; false when the file is shorter.
bool ReadHeader(int fd, Header& header) {
    auto* bytes = reinterpret_cast<char*>(&header);
    std::size_t done = 0;
    while (done < sizeof header) {
        const ssize_t n = pread(fd, bytes + done, sizeof header - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The header describes a whole index of fileSize bytes: its own checksum holds and every section
// lies inside the file, after the header. (The engine checks the same again when it maps it.)
bool IsWholeIndex(const Header& header, std::uint64_t fileSize) {
    if (header.headerSize != sizeof(Header) || header.sectionCount != kSectionCount ||
        header.fileSize != fileSize || header.headerChecksum != HeaderChecksum(header))
        return false;
    for (const SectionRef& section : header.sections) {
        if (section.size == 0)
            continue;
        if (section.offset % 8 != 0 || section.offset < sizeof(Header) ||
            section.offset > fileSize || section.size > fileSize - section.offset)
            return false;
    }
    return true;
}

} // namespace

const char* IndexReuseText(IndexReuse result) {
    switch (result) {
    case IndexReuse::Reused:
        return "reused";
    case IndexReuse::NoCache:
        return "no index cache";
    case IndexReuse::Damaged:
        return "the index cache is damaged";
    case IndexReuse::OtherFormat:
        return "the index cache has another format";
    case IndexReuse::OtherDefinitions:
        return "the index cache was made from other definitions";
    case IndexReuse::OtherWellKnownSites:
        return "the index cache was made with other well-known sites";
    case IndexReuse::NoWorkingCopy:
        return "the working copy is not the one to index";
    case IndexReuse::WriteFailed:
        return "the index cannot be written";
    }
    return "";
}

IndexReuse ReuseDefinitionIndex(const std::string& cachePath, std::string_view workingCopy,
                                const std::string& workingCopyPath, const std::string& indexPath,
                                std::uint64_t wellKnownChecksum) {
    UniqueFd cache(open(cachePath.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!cache.Valid() || fstat(cache.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        return IndexReuse::NoCache;
    Header header{};
    if (!ReadHeader(cache.Get(), header) || std::memcmp(header.magic, kMagic, sizeof kMagic) != 0)
        return IndexReuse::Damaged;
    if (header.formatVersion != kFormatVersion)
        return IndexReuse::OtherFormat;
    const auto fileSize = static_cast<std::uint64_t>(info.st_size);
    if (!IsWholeIndex(header, fileSize))
        return IndexReuse::Damaged;
    if (header.source.checksum != DefinitionsChecksum(workingCopy))
        return IndexReuse::OtherDefinitions;
    if (header.wellKnownChecksum != wellKnownChecksum)
        return IndexReuse::OtherWellKnownSites;

    FileStamp stamp;
    if (!StampOfFile(workingCopyPath.c_str(), stamp) || stamp.size != workingCopy.size())
        return IndexReuse::NoWorkingCopy;
    header.source.size = stamp.size;
    header.source.modifiedSeconds = stamp.modifiedSeconds;
    header.source.modifiedNanoseconds = stamp.modifiedNanoseconds;
    header.source.device = stamp.device;
    header.source.inode = stamp.inode;
    header.headerChecksum = HeaderChecksum(header);

    AtomicFileWriter out;
    if (out.Create(indexPath, 0600) != ERROR_SUCCESS ||
        out.Write(&header, sizeof header) != ERROR_SUCCESS ||
        out.CopyFrom(cache.Get(), sizeof header, fileSize - sizeof header) != ERROR_SUCCESS)
        return IndexReuse::WriteFailed;
    // The cache may have been replaced while it was copied: the copy must be of the file whose
    // header was checked. A file replaced by rename keeps this descriptor's content; one rewritten
    // in place (never done, but possible) changes its stamp.
    struct stat after {};
    if (fstat(cache.Get(), &after) != 0 || after.st_size != info.st_size ||
        after.st_mtim.tv_sec != info.st_mtim.tv_sec ||
        after.st_mtim.tv_nsec != info.st_mtim.tv_nsec)
        return IndexReuse::Damaged;
    if (out.Commit() != ERROR_SUCCESS)
        return IndexReuse::WriteFailed;
    return IndexReuse::Reused;
}

bool KeepIndexAsCache(const std::string& indexPath, const std::string& cachePath) {
    return LinkFileAtomically(indexPath, cachePath, 0600) == ERROR_SUCCESS;
}
