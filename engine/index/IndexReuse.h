// Reusing a compiled definition index for a new working copy of the same definitions: the
// index kept from an earlier start, or written beside the definitions by the update program, is
// copied with only the header's tie to the working copy rewritten, instead of compiling the
// definitions again.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Why an index cache was or was not reused.
enum class IndexReuse {
    Reused,              // the index was written from the cache
    NoCache,             // there is no cache file (or it cannot be read)
    Damaged,             // the cache is not a whole index: header, sizes or sections wrong
    OtherFormat,         // made by a program with another index format
    OtherDefinitions,    // made from other definitions than the working copy's bytes
    OtherWellKnownSites, // made with another list of well-known sites
    NoWorkingCopy,       // workingCopyPath does not hold workingCopy's bytes
    WriteFailed,         // the new index could not be written
};

// A few words on a result, for messages ("the cache was made from other definitions").
const char* IndexReuseText(IndexReuse result);

// Writes to indexPath the index kept in cachePath when it was made from exactly the bytes of
// workingCopy (its XXH3 checksum), with this format version and with the well-known sites whose
// checksum is wellKnownChecksum (CurrentWellKnownChecksum()), tied to the file workingCopyPath as
// it is now: the header's source identity and its checksum are rewritten, every other byte is
// copied. workingCopy are the bytes the caller has just written to workingCopyPath and that nobody
// else writes. The index is written under a temporary name and renamed into place; on any result
// but Reused nothing at indexPath has changed. cachePath may name the same file as indexPath.
IndexReuse ReuseDefinitionIndex(const std::string& cachePath, std::string_view workingCopy,
                                const std::string& workingCopyPath, const std::string& indexPath,
                                std::uint64_t wellKnownChecksum);

// Keeps the index at indexPath as the cache at cachePath (a second name of the same file, or a
// copy), replacing the cache whole. False when it cannot be kept; the old cache then stays.
bool KeepIndexAsCache(const std::string& indexPath, const std::string& cachePath);
