// Typed reads and writes of single registry values in the tray program's stored forms.
#include "core/RegistryValues.h"

#include "platform/Registry.h"

#include <algorithm>
#include <mutex>

namespace hookwise::core {

namespace {
std::mutex gHookMutex;
std::function<void()> gWriteHook;

bool AfterWrite(LONG result) {
    if (result != ERROR_SUCCESS)
        return false;
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(gHookMutex);
        hook = gWriteHook;
    }
    if (hook)
        hook();
    return true;
}
} // namespace

bool ReadRegBytes(HKEY key, const char* name, std::vector<BYTE>& out, DWORD* type) {
    out.clear();
    if (!key)
        return false;
    // Most values are short: one call with a small buffer, a second only for a longer value.
    // The spare byte holds the NUL the store adds after texts.
    DWORD valueType = REG_NONE;
    BYTE small[512];
    DWORD size = sizeof small;
    LONG result = RegQueryValueExA(key, name, nullptr, &valueType, small, &size);
    if (result == ERROR_SUCCESS) {
        out.assign(small, small + std::min<DWORD>(size, sizeof small));
    } else {
        if (result != ERROR_MORE_DATA || size > kMaxRegValueBytes)
            return false;
        out.resize(size + 1);
        DWORD got = static_cast<DWORD>(out.size());
        if (RegQueryValueExA(key, name, nullptr, &valueType, out.data(), &got) != ERROR_SUCCESS) {
            out.clear();
            return false;
        }
        out.resize(got);
    }
    if (type)
        *type = valueType;
    return true;
}

bool ReadRegText(HKEY key, const char* name, std::string& out) {
    std::vector<BYTE> bytes;
    if (!ReadRegBytes(key, name, bytes))
        return false;
    std::size_t n = 0;
    while (n < bytes.size() && bytes[n] != 0)
        ++n;
    out.assign(reinterpret_cast<const char*>(bytes.data()), n);
    return true;
}

bool ReadRegUInt32(HKEY key, const char* name, std::uint32_t& out) {
    std::vector<BYTE> bytes;
    if (!ReadRegBytes(key, name, bytes) || bytes.empty())
        return false;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < bytes.size() && i < 4; ++i)
        value |= std::uint32_t(bytes[i]) << (8 * i);
    out = value;
    return true;
}

bool ReadRegLowByte(HKEY key, const char* name, BYTE& out) {
    std::vector<BYTE> bytes;
    if (!ReadRegBytes(key, name, bytes) || bytes.empty())
        return false;
    out = bytes[0];
    return true;
}

bool WriteRegNumber(HKEY key, const char* name, std::uint32_t value, std::size_t bytes,
                    DWORD type) {
    if (bytes < 1 || bytes > 4)
        return false;
    BYTE data[4];
    for (std::size_t i = 0; i < 4; ++i)
        data[i] = static_cast<BYTE>(value >> (8 * i));
    return WriteRegBytes(key, name, type, data, bytes);
}

bool WriteRegText(HKEY key, const char* name, std::string_view text) {
    return WriteRegBytes(key, name, REG_SZ, text.data(), text.size());
}

bool WriteRegBytes(HKEY key, const char* name, DWORD type, const void* data, std::size_t size) {
    if (!key || size > 0xFFFFFFFFu)
        return false;
    static const BYTE kNothing = 0;
    const BYTE* bytes = size ? static_cast<const BYTE*>(data) : &kNothing;
    return AfterWrite(RegSetValueExA(key, name, 0, type, bytes, static_cast<DWORD>(size)));
}

void SetRegistryWriteHookForTesting(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(gHookMutex);
    gWriteHook = std::move(hook);
}

} // namespace hookwise::core
