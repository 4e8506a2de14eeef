// The protocol catalogue file: reading it into WSAPROTOCOL_INFOW entries and replacing it
// atomically under a lock for the installer.
//
// Sections: file helpers, parsing, enumeration, writing.
#include "platform/ProviderCatalog.h"

#include "platform/AsciiCase.h"
#include "platform/AtomicFile.h"
#include "platform/LastError.h"
#include "platform/TextLines.h"
#include "platform/UniqueFd.h"
#include "platform/UserFolders.h"
#include "platform/WholeFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hookwise::platform;

namespace {

constexpr std::size_t kMaxCatalogBytes = 1 << 20;
constexpr int kAfInet = 2;
constexpr int kSockStream = 1;
constexpr int kIpProtoTcp = 6;

// ---- file helpers ----

std::string FolderOfPath(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// Holds the writers' lock for its lifetime.
class CatalogLock {
public:
    explicit CatalogLock(const std::string& catalogPath)
        : fd_(::open((catalogPath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (fd_.Get() < 0) {
            error_ = errno;
            return;
        }
        while (::flock(fd_.Get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                error_ = errno;
                return;
            }
        }
    }
    int Error() const { return error_; }

private:
    UniqueFd fd_;
    int error_ = 0;
};

// ---- parsing ----

// One line of the file as stored (without its line end); an entry line splits at its first TAB.
struct CatalogLine {
    std::string text;
    std::size_t tab = std::string::npos; // npos for lines that are no entry

    bool IsEntry() const { return tab != std::string::npos; }
    std::string_view Name() const { return std::string_view(text).substr(0, tab); }
    std::string_view Path() const { return std::string_view(text).substr(tab + 1); }
};

std::vector<CatalogLine> SplitCatalog(const std::string& content) {
    std::vector<CatalogLine> lines;
    for (const std::string_view text : SplitLines(content)) {
        CatalogLine line;
        line.text.assign(text);
        std::size_t tab = line.text.find('\t');
        if (!line.text.empty() && line.text.front() != '#' && tab != 0)
            line.tab = tab;
        lines.push_back(std::move(line));
    }
    return lines;
}

// Decodes one UTF-8 sequence at text[pos]; advances pos. Malformed input gives U+FFFD and skips
// one byte.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(pos);
    int extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, min = 0x10000;
    } else {
        ++pos;
        return 0xFFFD;
    }
    if (pos + extra >= text.size()) {
        ++pos;
        return 0xFFFD;
    }
    for (int i = 1; i <= extra; ++i) {
        unsigned char next = byte(pos + i);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return 0xFFFD;
    }
    pos += extra + 1;
    return cp;
}

// Fills a protocol name field: UTF-16, at most WSAPROTOCOL_LEN units, never half a surrogate pair.
void FillProtocolName(WCHAR (&field)[WSAPROTOCOL_LEN + 1], std::string_view name) {
    std::size_t out = 0;
    std::size_t pos = 0;
    while (pos < name.size()) {
        char32_t cp = DecodeUtf8(name, pos);
        if (cp == 0)
            break;
        if (cp < 0x10000) {
            if (out + 1 > WSAPROTOCOL_LEN)
                break;
            field[out++] = static_cast<WCHAR>(cp);
            continue;
        }
        if (out + 2 > WSAPROTOCOL_LEN)
            break;
        cp -= 0x10000;
        field[out++] = static_cast<WCHAR>(0xD800 + (cp >> 10));
        field[out++] = static_cast<WCHAR>(0xDC00 + (cp & 0x3FF));
    }
    field[out] = 0;
}

void FillEntry(WSAPROTOCOL_INFOW& entry, const CatalogLine& line, DWORD id) {
    std::memset(&entry, 0, sizeof entry);
    entry.dwCatalogEntryId = id;
    entry.iVersion = 2;
    entry.iAddressFamily = kAfInet;
    entry.iSocketType = kSockStream;
    entry.iProtocol = kIpProtoTcp;
    FillProtocolName(entry.szProtocol, line.Name());
    std::string_view path = line.Path().substr(0, kCatalogPathLen - 1);
    std::memcpy(entry.szLibraryPath, path.data(), path.size());
    entry.szLibraryPath[path.size()] = '\0';
}

bool ProtocolWanted(const int* protocols, int protocol) {
    if (!protocols)
        return true;
    for (const int* p = protocols; *p; ++p) {
        if (*p == protocol)
            return true;
    }
    return false;
}

bool ValidField(const char* text) {
    if (!text || !*text)
        return false;
    return std::strpbrk(text, "\t\r\n") == nullptr;
}

std::string JoinLines(const std::vector<CatalogLine>& lines) {
    std::string content;
    for (const CatalogLine& line : lines) {
        content += line.text;
        content += '\n';
    }
    return content;
}

} // namespace

// ---- enumeration ----

int WSCEnumProtocols(const int* protocols, WSAPROTOCOL_INFOW* buffer, DWORD* bufferLength,
                     int* error) {
    if (!error)
        return SOCKET_ERROR;
    if (!bufferLength) {
        *error = WSAEFAULT;
        return SOCKET_ERROR;
    }
    std::string path = CatalogPath();
    std::string content;
    int err = path.empty() ? ENOENT : ReadWholeFile(path, content, kMaxCatalogBytes);
    if (err && err != ENOENT) {
        *error = WSANO_RECOVERY;
        return SOCKET_ERROR;
    }
    std::vector<CatalogLine> lines = SplitCatalog(content);
    std::vector<const CatalogLine*> wanted;
    for (const CatalogLine& line : lines) {
        if (line.IsEntry() && ProtocolWanted(protocols, kIpProtoTcp))
            wanted.push_back(&line);
    }
    if (wanted.size() > kCatalogMaxEntries) {
        *error = WSANO_RECOVERY;
        return SOCKET_ERROR;
    }
    const DWORD needed = static_cast<DWORD>(wanted.size() * sizeof(WSAPROTOCOL_INFOW));
    if (!buffer || *bufferLength < needed) {
        *bufferLength = needed;
        *error = WSAENOBUFS;
        return SOCKET_ERROR;
    }
    // Entry ids count every entry line, so a filtered listing keeps each entry's own id.
    DWORD id = 0;
    int count = 0;
    for (const CatalogLine& line : lines) {
        if (!line.IsEntry())
            continue;
        ++id;
        if (!ProtocolWanted(protocols, kIpProtoTcp))
            continue;
        FillEntry(buffer[count++], line, id);
    }
    *bufferLength = needed;
    return count;
}

std::string CatalogPath() {
    const char* explicitPath = std::getenv("HOOKWISE_CATALOG");
    if (explicitPath && *explicitPath)
        return explicitPath;
    const std::string config = UserConfigFolder();
    return config.empty() ? std::string() : config + "/hookwise/protocols.catalog";
}

// ---- writing ----

LONG CatalogAdd(const char* name, const char* libraryPath) {
    if (!ValidField(name) || !ValidField(libraryPath) ||
        std::strlen(libraryPath) >= static_cast<std::size_t>(kCatalogPathLen))
        return ERROR_INVALID_PARAMETER;
    std::string path = CatalogPath();
    if (path.empty())
        return ERROR_PATH_NOT_FOUND;
    if (!MakeFolders(FolderOfPath(path), 0700))
        return static_cast<LONG>(Win32ErrorFromErrno(errno));
    CatalogLock lock(path);
    if (lock.Error())
        return static_cast<LONG>(Win32ErrorFromErrno(lock.Error()));

    std::string content;
    int err = ReadWholeFile(path, content, kMaxCatalogBytes);
    if (err && err != ENOENT)
        return static_cast<LONG>(Win32ErrorFromErrno(err));
    std::vector<CatalogLine> lines = SplitCatalog(content);
    const std::string newText = std::string(name) + '\t' + libraryPath;
    bool found = false;
    for (CatalogLine& line : lines) {
        if (!line.IsEntry() || !EqualsIgnoreAsciiCase(line.Name(), name))
            continue;
        if (line.Path() == libraryPath)
            return ERROR_SUCCESS; // already there: leave the file untouched
        found = true;
        line.text = newText;
        break;
    }
    if (!found) {
        CatalogLine line;
        line.text = newText;
        lines.push_back(std::move(line));
    }
    return WriteFileAtomically(path, JoinLines(lines), 0644);
}

LONG CatalogRemove(const char* name) {
    if (!name || !*name)
        return ERROR_INVALID_PARAMETER;
    std::string path = CatalogPath();
    if (path.empty())
        return ERROR_FILE_NOT_FOUND;
    struct stat st;
    if (::stat(FolderOfPath(path).c_str(), &st) != 0)
        return ERROR_FILE_NOT_FOUND; // no folder, so no catalogue and no entry
    CatalogLock lock(path);
    if (lock.Error())
        return static_cast<LONG>(Win32ErrorFromErrno(lock.Error()));

    std::string content;
    int err = ReadWholeFile(path, content, kMaxCatalogBytes);
    if (err == ENOENT)
        return ERROR_FILE_NOT_FOUND;
    if (err)
        return static_cast<LONG>(Win32ErrorFromErrno(err));
    std::vector<CatalogLine> lines = SplitCatalog(content);
    std::vector<CatalogLine> kept;
    for (CatalogLine& line : lines) {
        if (line.IsEntry() && EqualsIgnoreAsciiCase(line.Name(), name))
            continue;
        kept.push_back(std::move(line));
    }
    if (kept.size() == lines.size())
        return ERROR_FILE_NOT_FOUND;
    return WriteFileAtomically(path, JoinLines(kept), 0644);
}
