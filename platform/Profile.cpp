// GetPrivateProfileStringA / GetPrivateProfileSectionA over a cache of parsed files that is
// checked against each file's identity on every call.
//
// Sections:
//   file identity and reading   FileIdentity, ReadProfileFile
//   the cache                   ProfileCache (shared lock for readers, one parse per change)
//   result copying              CopyText, CopyList
//   the Windows calls           GetPrivateProfileStringA, GetPrivateProfileSectionA
//   snapshots                   ProfileSnapshot (one identity check for many reads)
#include "platform/Profile.h"

#include "platform/ProfileParser.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hookwise::platform;

namespace {

// ---- file identity and reading ----

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    static FileIdentity Of(const struct stat& st) {
        return FileIdentity{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
    }
    bool operator==(const FileIdentity& o) const {
        return device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
    }
};

std::int64_t Nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

std::int64_t NowNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return Nanoseconds(now);
}

// The kernel stamps modification times from a clock that advances in ticks of a few milliseconds,
// so a file rewritten in place with the same size within one tick keeps its identity. A copy read
// less than this long after the file's modification time may miss such a rewrite; it is read once
// more at the first call after that time has passed.
constexpr std::int64_t kRacyWindowNs = 100'000'000;

} // namespace

struct ProfileFileCopy {
    FileIdentity identity;
    bool racy = false;
    ParsedProfile parsed;

    ProfileFileCopy(const FileIdentity& id, bool isRacy, std::string text)
        : identity(id), racy(isRacy), parsed(std::move(text)) {}
};

namespace {

// Reads and parses a regular file; null when it cannot be opened or read or is not a regular
// file (a FIFO or a device would block or never end).
std::shared_ptr<const ProfileFileCopy> ReadProfileFile(const char* fileName) {
    const std::int64_t readStart = NowNanoseconds();
    UniqueFd fd(open(fileName, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0)
        return nullptr;
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;

    std::string text;
    text.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < text.size()) {
        ssize_t n = read(fd.Get(), text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return nullptr;
        if (n == 0)
            break; // shrank while read: the next call sees the new size and reads it again
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);

    FileIdentity identity = FileIdentity::Of(st);
    bool racy = readStart < Nanoseconds(identity.modified) + kRacyWindowNs;
    return std::make_shared<const ProfileFileCopy>(identity, racy, std::move(text));
}

// ---- the cache ----

struct PathHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept {
        return std::hash<std::string_view>{}(s);
    }
};

// Parsed copies by file name as the caller spells it. Readers share the lock while they look a
// value up; a changed file is parsed outside the lock and swapped in under the exclusive lock.
class ProfileCache {
public:
    // Calls use(profile) with the file's current parsed copy, or with null when the file is
    // missing or unreadable, and returns what use returns. A copy that is current is used under
    // the shared lock, without touching its reference count.
    template <typename Use> auto With(const char* fileName, Use use) {
        std::string_view name(fileName);
        FileIdentity identity;
        if (!StatRegularFile(fileName, identity)) {
            Forget(name);
            return use(static_cast<const ParsedProfile*>(nullptr));
        }
        {
            std::shared_lock lock(mutex_);
            auto it = files_.find(name);
            if (it != files_.end() && IsCurrent(*it->second, identity))
                return use(&it->second->parsed);
        }
        std::shared_ptr<const ProfileFileCopy> fresh = Refresh(fileName);
        return use(fresh ? &fresh->parsed : nullptr);
    }

    // The file's current parsed copy, kept alive for the caller; null when the file is missing or
    // unreadable.
    std::shared_ptr<const ProfileFileCopy> Acquire(const char* fileName) {
        std::string_view name(fileName);
        FileIdentity identity;
        if (!StatRegularFile(fileName, identity)) {
            Forget(name);
            return nullptr;
        }
        {
            std::shared_lock lock(mutex_);
            auto it = files_.find(name);
            if (it != files_.end() && IsCurrent(*it->second, identity))
                return it->second;
        }
        return Refresh(fileName);
    }

    void Clear() {
        std::unique_lock lock(mutex_);
        files_.clear();
    }

    void LockForFork() { mutex_.lock(); }
    void UnlockAfterFork() { mutex_.unlock(); }
    // The child's only thread has another thread id than the one that took the lock, so it
    // cannot release it as its owner: it gets a new, unlocked one instead.
    void ResetLockInChild() { new (&mutex_) std::shared_mutex; }

private:
    // Few files are read through this interface (the definitions, a language pack); past this
    // many the cache starts afresh rather than grow without bound.
    static constexpr std::size_t kMaxFiles = 16;

    static bool StatRegularFile(const char* fileName, FileIdentity& identity) {
        struct stat st {};
        if (stat(fileName, &st) != 0 || !S_ISREG(st.st_mode))
            return false;
        identity = FileIdentity::Of(st);
        return true;
    }

    // Reads the file again and keeps the new copy; forgets the old one when it cannot be read.
    std::shared_ptr<const ProfileFileCopy> Refresh(const char* fileName) {
        std::shared_ptr<const ProfileFileCopy> fresh = ReadProfileFile(fileName);
        if (fresh)
            Store(fileName, fresh);
        else
            Forget(fileName);
        return fresh;
    }

    static bool IsCurrent(const ProfileFileCopy& cached, const FileIdentity& identity) {
        if (!(cached.identity == identity))
            return false;
        if (!cached.racy)
            return true;
        return NowNanoseconds() < Nanoseconds(identity.modified) + kRacyWindowNs;
    }

    void Forget(std::string_view name) {
        {
            std::shared_lock lock(mutex_);
            if (files_.find(name) == files_.end())
                return;
        }
        std::unique_lock lock(mutex_);
        auto it = files_.find(name);
        if (it != files_.end())
            files_.erase(it);
    }

    void Store(std::string_view name, std::shared_ptr<const ProfileFileCopy> profile) {
        std::unique_lock lock(mutex_);
        auto it = files_.find(name);
        if (it != files_.end()) {
            it->second = std::move(profile);
            return;
        }
        if (files_.size() >= kMaxFiles)
            files_.clear();
        files_.emplace(std::string(name), std::move(profile));
    }

    std::shared_mutex mutex_;
    std::unordered_map<std::string, std::shared_ptr<const ProfileFileCopy>, PathHash,
                       std::equal_to<>>
        files_;
};

ProfileCache& Cache() {
    static ProfileCache cache;
    return cache;
}

// A process that forks while another thread holds the cache's lock would leave the child with a
// lock nobody releases, and the child's next read would wait forever (the interception provider
// reads definitions in any program, between fork and exec too). The lock is taken around every
// fork; the parent releases it and the child gets a new one. Registered when the program or
// library is loaded: registering on first use could itself race with a fork.
struct ForkSafety {
    ForkSafety() {
        pthread_atfork([] { Cache().LockForFork(); }, [] { Cache().UnlockAfterFork(); },
                       [] { Cache().ResetLockInChild(); });
    }
};
const ForkSafety forkSafety;

// ---- result copying ----

// Copies at most size-1 characters and a NUL (size > 0); returns the characters copied.
DWORD CopyText(std::string_view text, char* out, DWORD size) {
    std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    if (n)
        std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return static_cast<DWORD>(n);
}

// Collects NUL-separated strings and copies them with the list truncation rule.
class ListBuilder {
public:
    void Add(std::string_view text) {
        joined_.append(text);
        joined_.push_back('\0');
    }
    void AddPair(std::string_view name, std::string_view value) {
        joined_.append(name);
        joined_.push_back('=');
        joined_.append(value);
        joined_.push_back('\0');
    }
    // The strings and one more NUL; when they do not fit, the last string is cut, two NULs end
    // the buffer and the result is size-2 (0 when size < 2).
    DWORD CopyTo(char* out, DWORD size) const {
        if (size == 0)
            return 0;
        if (size < 2) {
            out[0] = '\0';
            return 0;
        }
        if (joined_.size() + 1 <= size) {
            std::memcpy(out, joined_.data(), joined_.size());
            out[joined_.size()] = '\0';
            if (joined_.empty())
                out[1] = '\0'; // an empty list still reads as two NULs
            return static_cast<DWORD>(joined_.size());
        }
        std::memcpy(out, joined_.data(), size - 2);
        out[size - 2] = '\0';
        out[size - 1] = '\0';
        return size - 2;
    }

private:
    std::string joined_;
};

DWORD CopyDefault(const char* defaultText, char* out, DWORD size) {
    std::string_view text = defaultText ? defaultText : "";
    // Windows removes the default's trailing spaces only (not TABs, not leading ones).
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return CopyText(text, out, size);
}

// The value of key in section with its quotes stripped, or the default.
DWORD ReadValue(const ParsedProfile* profile, std::string_view section, std::string_view key,
                const char* defaultText, char* out, DWORD size) {
    const ProfileSection* found = profile ? profile->FindSection(section) : nullptr;
    const ProfileEntry* entry = found ? found->Find(key) : nullptr;
    if (!entry || !entry->hasValue)
        return CopyDefault(defaultText, out, size);
    return CopyText(StripMatchingQuotes(entry->value), out, size);
}

DWORD ListSectionNames(const ParsedProfile* profile, char* out, DWORD size) {
    ListBuilder list;
    if (profile) {
        for (const ProfileSection& section : profile->Sections())
            list.Add(section.name);
    }
    return list.CopyTo(out, size);
}

DWORD ListKeyNames(const ParsedProfile* profile, std::string_view section, char* out, DWORD size) {
    ListBuilder list;
    const ProfileSection* found = profile ? profile->FindSection(section) : nullptr;
    if (found) {
        for (const ProfileEntry& entry : found->entries)
            list.Add(entry.name);
    }
    return list.CopyTo(out, size);
}

} // namespace

// ---- the Windows calls ----

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultText,
                               char* out, DWORD size, const char* fileName) {
    if (size == 0 || !out)
        return 0;
    try {
        const char* file = fileName ? fileName : "";
        if (!section) {
            return Cache().With(file, [&](const ParsedProfile* profile) {
                return ListSectionNames(profile, out, size);
            });
        }
        std::string_view sectionName = Trim(section, kProfileBlanks);
        if (!key) {
            return Cache().With(file, [&](const ParsedProfile* profile) {
                return ListKeyNames(profile, sectionName, out, size);
            });
        }
        std::string_view keyName = Trim(key, kProfileBlanks);
        return Cache().With(file, [&](const ParsedProfile* profile) {
            return ReadValue(profile, sectionName, keyName, defaultText, out, size);
        });
    } catch (const std::bad_alloc&) {
        return CopyDefault(defaultText, out, size); // a file too large to hold reads as missing
    }
}

DWORD GetPrivateProfileSectionA(const char* section, char* out, DWORD size, const char* fileName) {
    if (size == 0 || !out)
        return 0;
    try {
        const char* file = fileName ? fileName : "";
        std::string_view sectionName = Trim(section ? section : "", kProfileBlanks);
        return Cache().With(file, [&](const ParsedProfile* profile) {
            ListBuilder list;
            const ProfileSection* found =
                (profile && section) ? profile->FindSection(sectionName) : nullptr;
            if (found) {
                for (const ProfileEntry& entry : found->entries) {
                    if (entry.hasValue)
                        list.AddPair(entry.name, entry.value);
                    else
                        list.Add(entry.name);
                }
            }
            return list.CopyTo(out, size);
        });
    } catch (const std::bad_alloc&) {
        return ListBuilder().CopyTo(out, size);
    }
}

void ProfileCacheClear() {
    Cache().Clear();
}

// ---- snapshots ----

ProfileSnapshot::ProfileSnapshot(const char* fileName) {
    try {
        file_ = Cache().Acquire(fileName ? fileName : "");
    } catch (const std::bad_alloc&) {
        file_ = nullptr; // reads as a missing file
    }
}

ProfileSnapshot::~ProfileSnapshot() = default;

DWORD ProfileSnapshot::GetString(const char* section, const char* key, const char* defaultText,
                                 char* out, DWORD size) const {
    if (size == 0 || !out)
        return 0;
    return ReadValue(file_ ? &file_->parsed : nullptr, Trim(section, kProfileBlanks),
                     Trim(key, kProfileBlanks), defaultText, out, size);
}
