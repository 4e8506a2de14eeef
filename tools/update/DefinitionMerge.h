// DefinitionMerge: the definitions an update writes: a base set (a signed definitions file or
// the shipped one), the user's own definitions and every feed merged, compiled into the shipped
// format and indexed, all in memory.
#pragma once

#include "tools/hkwdefs/DefinitionSet.h"
#include "tools/hkwdefs/feeds/FeedImport.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class WellKnownSites;

namespace hookwise::tools {

// The definitions of a file in the shipped format (or of a working copy): deciphered as the
// tray program's start-up does and read back. False, with the reason in error, when the file is
// damaged or holds no definitions.
bool ReadShippedDefinitions(std::string_view shipped, DefinitionSet& set, std::string& error);

// Appends the entries of from to into, list by list, numbered on from the highest index there;
// a value already in that list of into is left out (a [Link] CLINK with its VLINK are kept or
// left out together). Sections into lacks are added after its own. Both sets have canonical
// names (ReadPlainDefinitions, ReadShippedDefinitions). Returns the number of entries added.
std::size_t MergeDefinitionSets(DefinitionSet& into, const DefinitionSet& from);

// Leaves out every entry the engine could not read back unchanged once compiled (empty, too long
// for its list, or a scrambled form the profile reader would change) and numbers each list
// from 1 again without gaps. Returns the number of entries left out.
std::size_t DropUnreadableEntries(DefinitionSet& set);

std::size_t CountEntries(const DefinitionSet& set);

struct BuiltDefinitions {
    std::string shipped;            // the shipped-format file (hkwdb1.pbd)
    std::string index;              // the index of its working copy (hkwdb1.pbi)
    std::size_t entries = 0;        // in the file
    std::size_t dropped = 0;        // left out by DropUnreadableEntries
    std::vector<FeedSummary> feeds; // one per feed, in order
};

// Told what is being done ("import", "compile", "index") and the share done, 0 to 100.
using BuildProgress = std::function<void(std::string_view stage, int percent)>;

// Merges feeds into base (ImportFeeds with sites as the well-known sites), writes the result as
// the plain definitions source hkwdefs import writes, reads it back, compiles it with version
// (CompileDefinitions; when that refuses, again without what DropUnreadableEntries leaves out)
// and indexes its working copy (the tray program's decipherment of it; a zero identity apart
// from the checksum). False, with one
// message per fault in errors and built incomplete, when any step fails.
bool BuildDefinitions(const DefinitionSet& base, const std::vector<FeedInput>& feeds,
                      const WellKnownSites& sites, std::string_view version,
                      BuiltDefinitions& built, Messages& errors,
                      const BuildProgress& progress = {});

} // namespace hookwise::tools
