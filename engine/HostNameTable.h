// The hosts that the HostLink and Link entries name, for server-name lookups with host semantics:
// a name is listed when it is such a host or lies under one ("www.evil.example" under
// "evil.example"). Built once per version of the two lists.
#pragma once

#include "engine/Export.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

// The longest name a lookup accepts: a DNS name has at most 253 characters.
constexpr std::size_t kMaxHostNameLength = 253;

// A character of a host label after lower-casing: an ASCII letter, a digit, '-' or '_'.
inline bool IsHostLabelCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

// The host an entry names, lower-cased, or empty when it names none. The entry may be a short
// address ("evil.example/login"), a link pattern (href="http://user@evil.example:8080/x") or any
// other text: a "scheme://" and a "user@" before the host are skipped, and the host ends at the
// first '/', ':', '?', '#', quote, blank or '>' (or the entry's end); one trailing '.' is dropped.
// A host with fewer than two labels, an empty label, or a character other than an ASCII letter,
// digit, '-' or '_' names nothing, so an entry "com" or a plain text pattern never lists a whole
// domain.
// Exported for the index builder, which the tray program links beside the shared engine.
BAITLIB_API std::string EntryHost(std::string_view entry);

// A set of hosts and the suffix walk that answers whether a name lies under one of them.
class HostNameTable {
public:
    void Add(std::string host) { hosts_.insert(std::move(host)); }
    std::size_t Size() const { return hosts_.size(); }
    // True when name (lower-cased, no trailing dot) equals a host of the table or ends with '.'
    // followed by one. One hash probe per label of the name.
    bool Lists(std::string_view name) const;

private:
    // Transparent, so a name's suffixes are looked up as views, without copies.
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    std::unordered_set<std::string, Hash, std::equal_to<>> hosts_;
};

// The table of the HostLink ("HLINK") and Link ("CLINK") lists of the database version current
// now (CLSPGlobals::szDBPath); the next call after the file changed builds the new version's
// table. Null when memory ran out, which reads as an empty table. Safe on any number of threads.
std::shared_ptr<const HostNameTable> CurrentHostNameTable();
