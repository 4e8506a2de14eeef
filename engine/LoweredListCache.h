// The entries of one numbered definition list, unscrambled and lower-cased (or case-folded) once
// per version of the database. A lookup then costs one check of the file and a scan (or, for exact
// matches, one hash probe) instead of a profile read, a key scrambling and an entry unscrambling
// per entry: the interception provider runs one on every connection a program opens.
#pragma once

#include "engine/Export.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// How a list's entries lose their case: the host address and web-address lists in ASCII (host
// names and paths compare as the web-address rules say), the mail lists (senders, subjects, body
// phrases, link patterns) under the Unicode case fold (FoldedEntry).
enum class EntryCase { Ascii, Unicode };

// An entry of a mail list as the lookups compare it: the Unicode case fold of the entry (A-Z
// lower-cased, capitals of every script folded, bytes that are no UTF-8 kept), cut to 260 bytes
// like every value the lists hold. The page inspector folds the page the same way. Exported for
// the index builder, which the tray program links beside the shared engine.
BAITLIB_API std::string FoldedEntry(std::string_view entry);

struct LoweredList {
    // In list order, read as DefinitionList reads them (at most valueSize-1 characters, cut at the
    // first zero byte), up to the first absent or empty entry, each lower-cased in ASCII or folded
    // (EntryCase).
    std::vector<std::string> entries;
    // The same texts, for exact matches.
    std::unordered_set<std::string_view> exact;
};

// The list section/prefix (plain text) of the database version current now (the file named by
// CLSPGlobals::szDBPath). The result stays valid and unchanged however the file changes later;
// the next call after a change reads the new version. Null when memory ran out, which the lookups
// read as an empty list. Safe on any number of threads.
std::shared_ptr<const LoweredList> CurrentLoweredList(const char* section, const char* prefix,
                                                      unsigned long valueSize,
                                                      EntryCase entryCase = EntryCase::Ascii);
