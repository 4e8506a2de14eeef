// Web addresses as the web-address lookups compare them: a host and a path, read the same way from
// a request's short address, a full URL, a definition entry or a link pattern; and the keys (host
// and host-plus-path fingerprints) that the lookups, the table of the walk and the index share.
#pragma once

#include "engine/Export.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The longest host a web address has: a DNS name has at most 253 characters.
constexpr std::size_t kMaxWebHostLength = 253;
// The longest path: no entry or address holds more than 260 characters.
constexpr std::size_t kMaxWebPathLength = 260;

// A character of a host label after lower-casing: an ASCII letter, a digit, '-' or '_'.
inline bool IsWebHostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

// A normalised web address, in fixed buffers so that a lookup allocates nothing. host is lower
// case, in its ASCII (punycode) form, without a leading "www." and without a trailing dot; path is
// lower case, begins with '/' unless empty and never ends with '/'.
struct WebAddressParts {
    char host[kMaxWebHostLength + 1];
    std::size_t hostLength;
    char path[kMaxWebPathLength + 1];
    std::size_t pathLength;

    std::string_view Host() const { return {host, hostLength}; }
    std::string_view Path() const { return {path, pathLength}; }
};

// Reads text as a web address: blanks before it skipped; ASCII lower case; a scheme ("http://",
// also after other text as in a link pattern 'href="http://'), user information ("user@"), port,
// query and fragment dropped; a leading "www." dropped while the rest still has a dot. The host
// ends at the first '/', '\\', '?', '#', quote, blank, '<' or '>'; the path runs from there to the
// first '?', '#', quote, blank, control character, '<' or '>'; '\\' in it reads as '/'. False,
// with parts unspecified, when text names no host with a dot in it (a fragment such as "paypa1",
// an empty text), when a host label is empty or holds a character other than a letter, digit, '-'
// or '_' (after an internationalised host is turned into punycode), or when the host or the path
// is longer than the limits above. A bracketed IPv6 literal ("[2001:db8::1]") is a host too.
BAITLIB_API bool ParseWebAddress(std::string_view text, WebAddressParts& parts);

// The same as two strings, for tools and tests.
struct WebAddress {
    std::string host;
    std::string path;
};
BAITLIB_API bool ParseWebAddress(std::string_view text, WebAddress& address);

// ---- keys ----
//
// An entry is stored as the fingerprint of its host followed by its path ("evil.example" for a
// whole host, "evil.example/login" for a page); a host whose pages are listed (and that is not a
// well-known site) also as the fingerprint of its host followed by kPageHostMark. Fingerprints are
// 64-bit FNV-1a states, fed byte by byte so that a lookup extends one host's state along the path,
// finished by a mixing step; 0 is never a fingerprint (a table's empty slot).

constexpr char kPageHostMark = '\x01'; // never part of a host or a path

class WebKeyHasher {
public:
    void Add(std::string_view bytes) {
        for (unsigned char c : bytes)
            Add(c);
    }
    void Add(unsigned char byte) {
        state_ ^= byte;
        state_ *= 1099511628211ull;
    }
    std::uint64_t Fingerprint() const {
        std::uint64_t h = state_;
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccdull;
        h ^= h >> 33;
        h *= 0xc4ceb9fe1a85ec53ull;
        h ^= h >> 33;
        return h != 0 ? h : 1;
    }

private:
    std::uint64_t state_ = 14695981039346656037ull;
};

inline std::uint64_t WebEntryKey(std::string_view host, std::string_view path) {
    WebKeyHasher hasher;
    hasher.Add(host);
    hasher.Add(path);
    return hasher.Fingerprint();
}

inline std::uint64_t PageHostKey(std::string_view host) {
    WebKeyHasher hasher;
    hasher.Add(host);
    hasher.Add(static_cast<unsigned char>(kPageHostMark));
    return hasher.Fingerprint();
}

// Calls visit(suffix) for host and for each of its parents that still has a dot, in that order,
// until visit returns true; true when one did.
template <typename Visit> bool AnyDottedSuffix(std::string_view host, Visit&& visit) {
    for (;;) {
        if (visit(host))
            return true;
        std::size_t dot = host.find('.');
        if (dot == std::string_view::npos)
            return false;
        host.remove_prefix(dot + 1);
        if (host.find('.') == std::string_view::npos)
            return false;
    }
}

// Runs the keys an address can match, in order, until has(key) is true: for the host and each of
// its parents that still has a dot, the host alone (a whole listed host), then the host with each
// leading part of the path that ends before a '/' and with the whole path. True on the first key
// found.
template <typename Has> bool AnyWebKey(const WebAddressParts& address, Has&& has) {
    std::string_view path = address.Path();
    return AnyDottedSuffix(address.Host(), [&](std::string_view host) {
        WebKeyHasher hasher;
        hasher.Add(host);
        if (has(hasher.Fingerprint()))
            return true;
        for (std::size_t i = 0; i < path.size(); ++i) {
            if (i > 0 && path[i] == '/' && has(hasher.Fingerprint()))
                return true;
            hasher.Add(static_cast<unsigned char>(path[i]));
        }
        return !path.empty() && has(hasher.Fingerprint());
    });
}

// The keys a server name can match: the name and each parent with a dot as a whole listed host,
// and the name itself (without a leading "www.") as a host whose pages are listed.
template <typename Has> bool AnyHostNameKey(std::string_view name, Has&& has) {
    std::string_view exact = name;
    if (exact.size() > 4 && exact.substr(0, 4) == "www." &&
        exact.find('.', 4) != std::string_view::npos)
        exact.remove_prefix(4);
    if (has(PageHostKey(exact)))
        return true;
    return AnyDottedSuffix(name, [&](std::string_view host) { return has(WebEntryKey(host, "")); });
}
