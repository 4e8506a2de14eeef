// The well-known sites: hosts that a definition listing one of their pages must not block whole
// (a feed that lists one page on docs.google.com must not take Google's documents away), and
// that feed import drops when a feed lists them whole by mistake. The shipped list (the most
// visited registrable domains and, added by hand, the sign-in, mail, document and file-sharing
// hosts of the largest providers) and the user's own additions.
#pragma once

#include "engine/Export.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

class BAITLIB_API WellKnownSites {
public:
    // Adds one host, read as a web address (so "https://www.Example.com/" adds "example.com");
    // false for a text that names no host.
    bool Add(std::string_view host);
    // Adds the hosts of a file, one a line; blank lines and lines starting with '#' are skipped,
    // as is a line that names no host. False when the file cannot be read (a missing file is not
    // an error for the caller's purposes; errno tells).
    bool AddFile(const std::string& path);

    // True when host (lower case, without "www.") or one of its parents is on the list.
    bool IsWellKnown(std::string_view host) const;
    // True when host itself is on the list.
    bool Lists(std::string_view host) const { return hosts_.find(host) != hosts_.end(); }
    std::size_t Size() const { return hosts_.size(); }
    // A checksum of the list's contents, independent of their order: an index made with one list
    // is not taken for an index made with another.
    std::uint64_t Checksum() const { return checksum_; }

private:
    // Transparent, so hosts and their parents are looked up as views, without copies.
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    std::unordered_set<std::string, Hash, std::equal_to<>> hosts_;
    std::uint64_t checksum_ = 0;
};

// The file name of the shipped list in the program folder, and of the user's additions in the
// user's configuration folder + "/hookwise".
inline constexpr char kWellKnownSitesFile[] = "well-known-sites.txt";

// Where the shipped list is: $HOOKWISE_WELL_KNOWN_SITES when set (tests, or an administrator's
// list), else the folder of the module that holds the engine (the program folder) + "/" +
// kWellKnownSitesFile.
BAITLIB_API std::string ShippedWellKnownSitesPath();
// The user's additions: UserConfigFolder() + "/hookwise/" + kWellKnownSitesFile ("" without a
// home folder).
BAITLIB_API std::string UserWellKnownSitesPath();
// The shipped list and the user's additions; either file missing adds nothing.
BAITLIB_API WellKnownSites LoadWellKnownSites();
