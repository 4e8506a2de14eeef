// Loading and saving a protection list's subkey.
#include "core/lists/ListStorage.h"

#include "core/RegistryValues.h"
#include "core/TextUtil.h"
#include "platform/Registry.h"

namespace hookwise::core {

void LoadListKey(HKEY productKey, const ListKeyNames& names,
                 const std::function<void(HKEY item)>& loadItem,
                 const std::function<void()>& loaded, std::atomic<std::int32_t>& protectionState,
                 std::atomic<std::int32_t>& permission) {
    RegKey key;
    if (RegOpenKeyExA(productKey, names.SubKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return;
    std::uint32_t count = 0;
    ReadRegUInt32(key.Get(), names.CountValue, count);

    ForEachItemKey(key.Get(), names.ItemPrefix, count, loadItem);
    loaded();
    BYTE value = 0;
    if (ReadRegLowByte(key.Get(), names.StateValue, value))
        protectionState = value;
    if (ReadRegLowByte(key.Get(), names.PermissionValue, value))
        permission = value;
}

bool SaveListKey(HKEY productKey, const ListKeyNames& names, std::size_t count,
                 const std::function<bool(HKEY itemKey, std::size_t index)>& saveItem,
                 const std::atomic<std::int32_t>& protectionState,
                 const std::atomic<std::int32_t>& permission) {
    bool ok = true;
    {
        RegKey key;
        if (RegCreateKeyExA(productKey, names.SubKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
            return false;
        for (std::size_t i = 0; i < count; ++i) {
            RegKey itemKey;
            if (RegCreateKeyExA(key.Get(), (names.ItemPrefix + std::to_string(i)).c_str(), 0,
                                nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                itemKey.Put(), nullptr) != ERROR_SUCCESS) {
                ok = false; // the item is skipped; the numbering goes on
                continue;
            }
            ok &= saveItem(itemKey.Get(), i);
        }
        ok &= WriteRegNumber(key.Get(), names.CountValue, static_cast<std::uint32_t>(count));
    }
    RegKey key;
    if (RegCreateKeyExA(productKey, names.SubKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        return false;
    ok &= WriteRegNumber(key.Get(), names.StateValue,
                         static_cast<std::uint32_t>(protectionState.load()));
    ok &= WriteRegNumber(key.Get(), names.PermissionValue,
                         static_cast<std::uint32_t>(permission.load()));
    return ok;
}

} // namespace hookwise::core
