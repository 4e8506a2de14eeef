// The protocol catalogue: the Linux stand-in for the Winsock provider catalogue, its enumeration
// (WSCEnumProtocols) and the installer's add and remove operations.
//
// The catalogue is a UTF-8 text file, one entry per line in catalogue order:
//     protocol name<TAB>library path
// Blank lines, lines starting with '#' and lines without a TAB are skipped; a CR before the LF is
// ignored. File: $HOOKWISE_CATALOG if set and not empty, else
// $XDG_CONFIG_HOME/hookwise/protocols.catalog (XDG_CONFIG_HOME defaults to ~/.config). A missing
// file is an empty catalogue.
//
// Readers take no lock: writers replace the whole file by renaming a finished temporary file over
// it, so a reader sees either the old or the new catalogue, never a mix. Writers serialise on an
// flock of "<catalogue>.lock" beside it (never deleted).
//
// Differences from Windows: there are no base providers (an empty catalogue is normal), no
// provider GUIDs or protocol chains; every entry describes a TCP stream provider for IPv4
// (iAddressFamily 2, iSocketType 1, iProtocol 6); the entry carries its library path itself.
#pragma once

#include "platform/WinTypes.h"

#include <string>

constexpr int SOCKET_ERROR = -1;
constexpr int WSAEFAULT = 10014;
constexpr int WSAEINVAL = 10022;
constexpr int WSAENOBUFS = 10055;
constexpr int WSANO_RECOVERY = 11003;

constexpr int WSAPROTOCOL_LEN = 255;
constexpr int kCatalogPathLen = 4096; // library path field, terminator included
constexpr int kCatalogMaxEntries = 1024;

struct WSAPROTOCOL_INFOW {
    DWORD dwServiceFlags1;
    DWORD dwProviderFlags;
    DWORD dwCatalogEntryId; // 1 for the first line's entry, counting up in catalogue order
    int iVersion;
    int iAddressFamily;
    int iSocketType;
    int iProtocol;
    WCHAR szProtocol[WSAPROTOCOL_LEN + 1]; // UTF-16, cut at 255 code units, zero-terminated
    char szLibraryPath[kCatalogPathLen];   // UTF-8 as stored, cut at 4095 bytes, zero-terminated
};

// Lists the catalogue. protocols (optional) is a zero-terminated list of iProtocol values to keep;
// null keeps every entry. Returns the number of entries written into buffer. When buffer is null
// or *bufferLength is smaller than the entries need: SOCKET_ERROR, *error = WSAENOBUFS and
// *bufferLength = the bytes needed (nothing written). bufferLength or error null: SOCKET_ERROR
// (with *error = WSAEFAULT when error is given). A catalogue that cannot be read, or holds more
// than kCatalogMaxEntries entries: SOCKET_ERROR, *error = WSANO_RECOVERY. Invalid UTF-8 in a name
// becomes U+FFFD.
int WSCEnumProtocols(const int* protocols, WSAPROTOCOL_INFOW* buffer, DWORD* bufferLength,
                     int* error);

// The catalogue file this process uses (from the environment at each call); "" when
// HOOKWISE_CATALOG is not set and no configuration folder is known (UserConfigFolder).
std::string CatalogPath();

// Adds an entry at the end of the catalogue, creating the file and its folder (mode 0700) when
// missing. When an entry with that name exists (ASCII letters compared ignoring case) and the same
// path, the file is left untouched; with another path the entry keeps its place and becomes
// "name<TAB>libraryPath" as given. Returns
// ERROR_SUCCESS; ERROR_INVALID_PARAMETER for a null or empty name or path, a name or path holding
// a TAB, CR or LF, or a path of kCatalogPathLen bytes or more; ERROR_PATH_NOT_FOUND when there is
// no catalogue path; otherwise the Win32 code of the file error. On failure the file is unchanged.
LONG CatalogAdd(const char* name, const char* libraryPath);

// Removes every entry with that name (ASCII letters compared ignoring case). Returns
// ERROR_SUCCESS, ERROR_FILE_NOT_FOUND when there was no such entry (the file is left as it was),
// ERROR_INVALID_PARAMETER for a null or empty name, or the Win32 code of the file error.
LONG CatalogRemove(const char* name);
