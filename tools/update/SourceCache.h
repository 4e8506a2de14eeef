// SourceCache: each source's last good copy in the user's cache folder, with the ETag and
// Last-Modified it came with (and the signature of a signed definitions file), one file per
// source named after a hash of its URL, replaced whole by a rename.
#pragma once

#include <string>

namespace hookwise::tools {

struct CachedSource {
    std::string url;
    std::string etag;
    std::string lastModified;
    std::string signature; // a signed definitions file's signature file, as fetched
    std::string body;
};

// UserCacheFolder() + "/hookwise"; "" when no home folder is known.
std::string DefaultCacheFolder();

class SourceCache {
public:
    explicit SourceCache(std::string folder) : folder_(std::move(folder)) {}

    const std::string& Folder() const { return folder_; }

    // The cache file of url: folder + "/" + 32 hex digits of its SHA-256 + ".source".
    std::string PathFor(const std::string& url) const;

    // The last good copy of url. False when there is none, or when the file is damaged (its
    // header unreadable, another URL in it, a body of another length); entry is untouched then.
    bool Load(const std::string& url, CachedSource& entry) const;

    // Stores entry as the last good copy of entry.url (the folder made with mode 0700 when
    // missing). False, with "path: reason" in error and the previous copy untouched, on failure.
    bool Store(const CachedSource& entry, std::string& error) const;

private:
    std::string folder_;
};

// The SHA-256 of bytes as 64 lower-case hex digits.
std::string Sha256Hex(std::string_view bytes);

} // namespace hookwise::tools
