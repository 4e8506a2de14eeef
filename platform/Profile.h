// GetPrivateProfileStringA / GetPrivateProfileSectionA: the Windows INI reading rules over bytes.
//
// Lines end at CR, LF or any run of them. Blanks (space, TAB, VT) are trimmed around lines, names
// and values. Section and key names match ignoring ASCII case only; the first copy of a repeated
// section or key wins; a line starting with ';' is a comment; keys before the first header are
// ignored. Any byte other than CR, LF and NUL may appear in names and values (bytes >= 0x80 come
// back unchanged); a NUL byte ends the text of the line it is in.
//
// Each file is parsed once and kept; every call re-checks the file's identity (device, inode,
// size, modification time to the nanosecond) and re-parses a file that changed, so a replaced file
// is seen at the next read. A copy read within 100 ms of the file's modification time is read once
// more after that, since an in-place rewrite of the same size within one clock tick keeps the
// identity. Only regular files are read; anything else reads as missing. Safe on any number of
// threads.
//
// Differences from Windows: no byte order mark is honoured (the file is always single bytes, so a
// working copy whose random first bytes look like a mark is still read as bytes).
#pragma once

#include "platform/WinTypes.h"

#include <memory>

// Copies the value of key in section into out (at most size-1 characters and a NUL) and returns
// the number of characters copied. A value of at least 2 characters in matching ' or " quotes
// loses them. Missing file, section or key, or a key line without '=': the default (null means
// "") less its trailing spaces is copied instead. size 0 returns 0 and leaves out untouched.
// A null section lists the section names, a null key the key names of section, in the list form
// of GetPrivateProfileSectionA.
DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultText,
                               char* out, DWORD size, const char* fileName);

// Copies every line of section as "key=value" (a line without '=' as it stands), NUL-separated,
// with one more NUL at the end; returns the characters copied without the final NUL. When out is
// too small the last string is cut, two NULs end the buffer and the return is size-2 (0 when
// size < 2). A missing file or section gives an empty list and 0.
DWORD GetPrivateProfileSectionA(const char* section, char* out, DWORD size, const char* fileName);

// Forgets every parsed copy (tests and benchmarks that need a cold reader).
void ProfileCacheClear();

struct ProfileFileCopy; // a parsed copy of one version of a file

// One version of a profile file held for a series of reads. The file's identity is checked once,
// when the snapshot is taken (a changed file is read again then); every read through it sees that
// version whole, however the file changes meanwhile. For walks that read many keys in a row:
// they pay one check of the file instead of one per key. Not a Windows call.
class ProfileSnapshot {
public:
    // A missing or unreadable file gives a snapshot in which every read finds nothing.
    explicit ProfileSnapshot(const char* fileName);
    ~ProfileSnapshot();
    ProfileSnapshot(const ProfileSnapshot&) = delete;
    ProfileSnapshot& operator=(const ProfileSnapshot&) = delete;

    // GetPrivateProfileStringA on this version of the file, with the same results; section and
    // key must not be null.
    DWORD GetString(const char* section, const char* key, const char* defaultText, char* out,
                    DWORD size) const;

    // Names the version of the file this snapshot holds: two snapshots give the same pointer
    // exactly when they hold the same parsed copy (null for a missing file). Holding it keeps
    // that copy alive, so the address is never reused meanwhile. For caches of data derived from
    // one version.
    std::shared_ptr<const void> Version() const { return file_; }

private:
    std::shared_ptr<const ProfileFileCopy> file_;
};
