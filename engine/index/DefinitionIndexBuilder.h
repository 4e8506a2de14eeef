// Compiling the definition index of a working copy: the lists read exactly as the engine's walk
// reads them, then the hash sets, the web-address suffix array and the text automata, written as
// one file beside the working copy. Used by HookWs at start-up and by hkwdefs.
#pragma once

#include "engine/DefinitionIndexFormat.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Told the share of the work done so far, 0 to 100, a few dozen times per build.
using IndexProgress = std::function<void(int percent)>;

// The checksum (XXH3, 64 bits) of the working copy bytes that an index names as its source.
std::uint64_t DefinitionsChecksum(std::string_view workingCopy);

// The checksum of the well-known sites an index compiled now leaves out (the shipped list and the
// user's additions as they are now), which the index keeps in its header: an index made with
// another list is not reused.
std::uint64_t CurrentWellKnownChecksum();

// The index of the working copy bytes, tied to source (whose checksum is filled in here). False,
// with the reason in error, when it would exceed the format's 32-bit offsets or memory ran out.
bool CompileDefinitionIndex(std::string_view workingCopy, definition_index::SourceIdentity source,
                            std::string& index, std::string& error,
                            const IndexProgress& progress = {});

// Writes the index of workingCopy, the bytes the caller has just written to workingCopyPath and
// that nobody else writes (the tray program's own fresh working copy, under its temporary name),
// tied to that file's identity now; to indexPath as BuildDefinitionIndex does. False, with the
// reason in error and nothing at indexPath changed, on any failure.
bool WriteDefinitionIndex(std::string_view workingCopy, const std::string& workingCopyPath,
                          const std::string& indexPath, std::string& error,
                          const IndexProgress& progress = {});

// Reads the working copy at workingCopyPath and writes its index to indexPath (under a temporary
// name, renamed into place when complete, mode 0600). The working copy must not change while it
// is read; one that does (its identity differs before and after, or its bytes within the clock
// tick of its modification time) is read again, and the build fails after three tries. False,
// with the reason in error and nothing at indexPath changed, on any failure.
bool BuildDefinitionIndex(const std::string& workingCopyPath, const std::string& indexPath,
                          std::string& error, const IndexProgress& progress = {});
