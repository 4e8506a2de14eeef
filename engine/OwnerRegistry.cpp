// The engine's thin registry wrappers: each forwards to one registry call and answers 1 for
// ERROR_SUCCESS and 0 otherwise. None of them scrambles names or values.
#include "engine/LSPGlobals.h"
#include "platform/Registry.h"

namespace {

constexpr DWORD kQueryBufferSize = 260;

bool IsEmptyName(const char* name) {
    return !name || name[0] == '\0';
}

} // namespace

int CLSPGlobals::OwnerRegConnectRegistry(HKEY root, HKEY& result) {
    return RegConnectRegistryA(nullptr, root, &result) == ERROR_SUCCESS ? 1 : 0;
}

int CLSPGlobals::OwnerRegCreateKeyEx(HKEY parent, const char* subKey, HKEY& result) {
    return RegCreateKeyExA(parent, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                           nullptr, &result, nullptr) == ERROR_SUCCESS
               ? 1
               : 0;
}

int CLSPGlobals::OwnerRegCreateEncKeyEx(HKEY parent, const char* subKey, HKEY& result) {
    return OwnerRegCreateKeyEx(parent, subKey, result);
}

int CLSPGlobals::OwnerRegQueryValueEx(HKEY key, const char* valueName, char* data) {
    if (!data)
        return 0;
    DWORD type = REG_NONE;
    DWORD size = kQueryBufferSize;
    return RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) ==
                   ERROR_SUCCESS
               ? 1
               : 0;
}

int CLSPGlobals::OwnerRegQueryEncValueEx(HKEY key, const char* subKey, const char* valueName,
                                         char* data) {
    HKEY target = nullptr;
    if (RegOpenKeyA(key, subKey, &target) != ERROR_SUCCESS)
        return 0;
    int result = OwnerRegQueryValueEx(target, valueName, data);
    // For an empty subkey RegOpenKeyA gave back the caller's own key, which stays open.
    if (target != key)
        RegCloseKey(target);
    return result;
}

int CLSPGlobals::OwnerRegSetEncValueEx(HKEY key, const char* subKey, const char* valueName,
                                       unsigned long type, const void* data, unsigned long size) {
    HKEY target = key;
    if (!IsEmptyName(subKey) && RegOpenKeyA(key, subKey, &target) != ERROR_SUCCESS)
        return 0;
    LONG status = RegSetValueExA(target, valueName, 0, static_cast<DWORD>(type),
                                 static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    if (target != key)
        RegCloseKey(target);
    return status == ERROR_SUCCESS ? 1 : 0;
}
