// The registry calls of the engine and the program, kept in one SQLite file instead of the hives.
//
// Keys are rows (parent, name); values are rows (key, name, type, bytes). Names compare ignoring
// ASCII case and keep the case they were created with. Values enumerate in creation order and
// subkeys in the order of their upper-cased names, as Windows hives keep them. Types and bytes
// are stored exactly as written: a REG_SZ written without its terminator reads back without it.
//
// File: $HOOKWISE_REGISTRY if set, else UserConfigFolder() + "/hookwise/registry.db"; with neither
// (no home folder known at all) the registry does not open (ERROR_PATH_NOT_FOUND). The file is
// opened in WAL mode, so other processes read while one writes. The variable is read when a process
// first touches the registry; RegistryReopenForTesting() makes the next call read it again.
//
// Differences from Windows: there is no security, no volatile keys and no remote machine;
// RegConnectRegistryA accepts only a null or empty machine name. Handles are tokens that are never
// reused, so a closed or made-up handle gives ERROR_INVALID_HANDLE (never a crash); a handle whose
// key was deleted gives ERROR_KEY_DELETED. Names fold ASCII letters only. Every call is safe on
// any thread.
//
// Failures of the file itself: ERROR_BADDB for a damaged file or one that is not a registry,
// ERROR_CANTOPEN when it cannot be opened, ERROR_CANTWRITE when a write cannot be made (read-only
// file, full disk, another process holding the write lock past the busy time-out), ERROR_CANTREAD
// when a read fails. A failed open is tried again at the next call.
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>

// The predefined roots (winreg.h values). Each is its own hive in the file.
#define HKEY_CLASSES_ROOT ((HKEY)(std::uintptr_t)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(std::uintptr_t)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(std::uintptr_t)0x80000002u)

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;
constexpr LONG ERROR_BAD_NETPATH = 53;

// Returns a new handle to the predefined root in *result. Fails with ERROR_BAD_NETPATH (53) for a
// machine name and ERROR_INVALID_HANDLE for a key that is not a predefined root.
LONG RegConnectRegistryA(const char* machineName, HKEY root, HKEY* result);

// Opens subKey (a path with '\' separators) below key, creating every missing key on the way.
// *disposition (optional) receives REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
// On failure *result is null; ERROR_CANTWRITE when the file cannot be written. An empty subKey
// opens a new handle to key; a null one gives ERROR_INVALID_PARAMETER. Empty parts of the path
// (doubled or outer '\') are skipped; a name over 255 characters gives ERROR_INVALID_PARAMETER.
// class, options, access and security are ignored.
LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, char* keyClass, DWORD options,
                     REGSAM access, const void* security, HKEY* result, DWORD* disposition);
// As RegCreateKeyExA, except that a null or empty subKey gives back `key` itself, as Windows does.
LONG RegCreateKeyA(HKEY key, const char* subKey, HKEY* result);

// Opens an existing subKey. A null or empty subKey gives back `key` itself (not a new handle), as
// Windows does, so the caller must not close it twice. ERROR_FILE_NOT_FOUND when it is missing.
LONG RegOpenKeyA(HKEY key, const char* subKey, HKEY* result);
// As RegOpenKeyA, but an empty subKey opens a new handle to the same key.
LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM access, HKEY* result);

// Reads a value. With data null only *type and *cbData are set. When *cbData is smaller than the
// value: ERROR_MORE_DATA, *cbData = the size needed, data untouched. Otherwise the bytes are
// copied, *cbData = their count, and for REG_SZ / REG_EXPAND_SZ / REG_MULTI_SZ one NUL (not
// counted) is added after them when the buffer has room and the stored bytes do not already end in
// one. ERROR_FILE_NOT_FOUND when the value is missing. A null or empty name is the default value.
LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* cbData);

// Creates or replaces a value with exactly cbData bytes of data, of the given type.
LONG RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD cbData);

// ERROR_FILE_NOT_FOUND when the value does not exist.
LONG RegDeleteValueA(HKEY key, const char* valueName);

// The index-th value in creation order. *cchValueName is the name buffer's size in characters on
// entry and the name's length (no NUL) on return; a name that does not fit gives ERROR_MORE_DATA.
// data / cbData as RegQueryValueExA (both may be null). ERROR_NO_MORE_ITEMS past the end.
LONG RegEnumValueA(HKEY key, DWORD index, char* valueName, DWORD* cchValueName, DWORD* reserved,
                   DWORD* type, BYTE* data, DWORD* cbData);

// The index-th subkey, ordered by upper-cased name. ERROR_MORE_DATA when the name plus NUL does not
// fit cchName; ERROR_NO_MORE_ITEMS past the end.
LONG RegEnumKeyA(HKEY key, DWORD index, char* name, DWORD cchName);

// Counts of subkeys and values (RegQueryInfoKey's counting part); either pointer may be null.
LONG RegQueryInfoKeyCounts(HKEY key, DWORD* subKeys, DWORD* values);

// Deletes a key that has no subkeys (RegDeleteKeyA), with its values; ERROR_ACCESS_DENIED when it
// has some. An empty subKey deletes key itself; null gives ERROR_INVALID_PARAMETER. Hives cannot
// be deleted (ERROR_ACCESS_DENIED).
LONG RegDeleteKeyA(HKEY key, const char* subKey);

// Deletes subKey and everything below it (SHDeleteKeyA), all or nothing. ERROR_FILE_NOT_FOUND when
// it is missing; an empty subKey deletes key itself; hives cannot be deleted.
LONG SHDeleteKeyA(HKEY key, const char* subKey);

// Releases a handle; predefined roots are accepted and ignored.
LONG RegCloseKey(HKEY key);

// The path of the registry file this process uses.
const char* RegistryFilePath();

// Closes the process's connection so that the next call opens $HOOKWISE_REGISTRY afresh.
// Only for tests and tools that switch files; no handle may be open.
void RegistryReopenForTesting();

// Makes every registry write of this thread between construction and Commit() one transaction.
// Destroyed without Commit(), it rolls everything back. Scopes nest: only the outermost commits;
// an inner scope destroyed without Commit() undoes only its own writes.
// Commit() returns ERROR_SUCCESS or ERROR_CANTWRITE (then nothing of the transaction is kept).
// While it lives, other threads' registry calls wait for it, and another process's writes wait
// for it up to the busy time-out. If the transaction cannot start, or a write inside it fails in
// the file (not a logical failure such as ERROR_FILE_NOT_FOUND), every further write in it gives
// ERROR_CANTWRITE and Commit() rolls back, so a half-written save is never kept.
// It must be destroyed on the thread that made it.
class RegistryTransaction {
public:
    RegistryTransaction();
    ~RegistryTransaction();
    RegistryTransaction(const RegistryTransaction&) = delete;
    RegistryTransaction& operator=(const RegistryTransaction&) = delete;
    LONG Commit();

private:
    bool active_ = false;
};

// Move-only owner of an HKEY that closes it when it goes.
class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY key) : key_(key) {}
    RegKey(RegKey&& other) noexcept : key_(other.Release()) {}
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey();
    HKEY Get() const { return key_; }
    HKEY* Put(); // closes what it held and hands out the slot for a call's out parameter
    HKEY Release();
    explicit operator bool() const { return key_ != nullptr; }

private:
    HKEY key_ = nullptr;
};
