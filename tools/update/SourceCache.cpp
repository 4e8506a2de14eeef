// SourceCache: a small text header ("name value" lines up to a blank line) and the body behind it.
#include "tools/update/SourceCache.h"

#include "tools/hkwdefs/FileIo.h"
#include "platform/AtomicFile.h"
#include "platform/UserFolders.h"

#include <openssl/evp.h>

#include <cstring>

namespace hookwise::tools {

using namespace hookwise::platform;

namespace {

constexpr char kMagic[] = "hookwise-update cache 1";

// Header values are single lines; a server's header value never holds a line break, but a
// damaged one must not break the file's layout either.
bool IsOneLine(const std::string& value) {
    return value.find_first_of("\r\n") == std::string::npos;
}

// The value of "name value" on the next header line, or false at the end of the header.
bool NextField(std::string_view& text, std::string_view& name, std::string_view& value) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos)
        return false;
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    if (line.empty())
        return false;
    const std::size_t space = line.find(' ');
    name = line.substr(0, space);
    value = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    return true;
}

} // namespace

std::string Sha256Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 15];
    }
    return text;
}

std::string DefaultCacheFolder() {
    const std::string cache = UserCacheFolder();
    return cache.empty() ? std::string() : cache + "/hookwise";
}

std::string SourceCache::PathFor(const std::string& url) const {
    return folder_ + "/" + Sha256Hex(url).substr(0, 32) + ".source";
}

bool SourceCache::Load(const std::string& url, CachedSource& entry) const {
    std::string bytes;
    std::string error;
    if (!ReadFileBytes(PathFor(url), bytes, error))
        return false;
    std::string_view text = bytes;
    const std::size_t first = text.find('\n');
    if (first == std::string_view::npos || text.substr(0, first) != kMagic)
        return false;
    text.remove_prefix(first + 1);
    CachedSource found;
    std::string size;
    std::string_view name;
    std::string_view value;
    while (NextField(text, name, value)) {
        if (name == "url")
            found.url = value;
        else if (name == "etag")
            found.etag = value;
        else if (name == "last-modified")
            found.lastModified = value;
        else if (name == "signature")
            found.signature = value;
        else if (name == "size")
            size = value;
    }
    if (found.url != url || size != std::to_string(text.size()))
        return false;
    found.body = text;
    entry = std::move(found);
    return true;
}

bool SourceCache::Store(const CachedSource& entry, std::string& error) const {
    if (!IsOneLine(entry.url) || !IsOneLine(entry.etag) || !IsOneLine(entry.lastModified) ||
        !IsOneLine(entry.signature)) {
        error = PathFor(entry.url) + ": a header value holds a line break";
        return false;
    }
    if (!MakeFolders(folder_, 0700)) {
        error = folder_ + ": " + std::strerror(errno);
        return false;
    }
    std::string text = std::string(kMagic) + "\n";
    text += "url " + entry.url + "\n";
    text += "etag " + entry.etag + "\n";
    text += "last-modified " + entry.lastModified + "\n";
    text += "signature " + entry.signature + "\n";
    text += "size " + std::to_string(entry.body.size()) + "\n\n";
    text += entry.body;
    const std::string path = PathFor(entry.url);
    if (const LONG code = WriteFileAtomically(path, text, 0600); code != ERROR_SUCCESS) {
        error = path + ": cannot be written (error " + std::to_string(code) + ")";
        return false;
    }
    return true;
}

} // namespace hookwise::tools
