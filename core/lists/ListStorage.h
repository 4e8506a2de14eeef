// Storage helpers of the protection lists: the lists' locked item array, and loading and saving a
// list's subkey (its numbered item subkeys are found with core/ItemKeys.h).
#pragma once

#include "core/ItemKeys.h"
#include "platform/WinTypes.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace hookwise::core {

// A protection list's items. Each operation is safe on any thread (one lock guards the array), so
// a list feeder may read while the UI thread appends. Items are handed out as copies. Item needs
// an std::int32_t Action member.
template <typename Item> class LockedItems {
public:
    // Adds item at the end; returns its index (the new count - 1).
    int Append(Item item) {
        std::lock_guard<std::mutex> lock(mutex_);
        items_.push_back(std::move(item));
        return static_cast<int>(items_.size()) - 1;
    }
    // A copy of the item at index; a default item when index is outside 0 .. count-1.
    Item ItemAt(int index) const {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!Holds(index))
            return Item{};
        return items_[index];
    }
    int Count() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<int>(items_.size());
    }
    // A copy of every item, in order.
    std::vector<Item> Items() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return items_;
    }
    // Index of the first item for which match(item) is true, -1 when none; match runs under the
    // lock, so it must not call back into this array.
    template <typename Match> int FindIf(const Match& match) const {
        std::lock_guard<std::mutex> lock(mutex_);
        for (std::size_t i = 0; i < items_.size(); ++i) {
            if (match(items_[i]))
                return static_cast<int>(i);
        }
        return -1;
    }
    // Both ignored when index is outside 0 .. count-1. RemoveAt moves later items down by one.
    void SetAction(int index, std::int32_t action) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!Holds(index))
            return;
        items_[index].Action = action;
    }
    void RemoveAt(int index) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!Holds(index))
            return;
        items_.erase(items_.begin() + index);
    }
    void RemoveAll() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<Item>().swap(items_);
    }
    // Puts items in place of the current ones; the old ones are freed after the lock is released.
    void Replace(std::vector<Item> items) {
        std::lock_guard<std::mutex> lock(mutex_);
        items_.swap(items);
    }

private:
    bool Holds(int index) const {
        return index >= 0 && static_cast<std::size_t>(index) < items_.size();
    }

    mutable std::mutex mutex_;
    std::vector<Item> items_;
};

// The registry names of one protection list under the product key.
struct ListKeyNames {
    const char* SubKey;          // e.g. "MailSafe"
    const char* ItemPrefix;      // e.g. "MailSafeItem"
    const char* CountValue;      // e.g. "MailSafeItems No"
    const char* StateValue;      // e.g. "MailSafeProtectionState"
    const char* PermissionValue; // e.g. "MailSafePermession"
};

// Reads names.SubKey of productKey: loadItem for each stored item key (as ForEachItemKey), then
// loaded, then the protection state and permission (each low byte, only when stored). A missing
// subkey calls nothing and leaves both settings as they are.
void LoadListKey(HKEY productKey, const ListKeyNames& names,
                 const std::function<void(HKEY item)>& loadItem,
                 const std::function<void()>& loaded, std::atomic<std::int32_t>& protectionState,
                 std::atomic<std::int32_t>& permission);
// Creates names.SubKey of productKey and writes item subkeys 0 .. count-1 through saveItem (an item
// whose subkey cannot be created is skipped, the numbering goes on), the count, then the protection
// state and permission. True when every write succeeded; false at once when the subkey cannot be
// created.
bool SaveListKey(HKEY productKey, const ListKeyNames& names, std::size_t count,
                 const std::function<bool(HKEY itemKey, std::size_t index)>& saveItem,
                 const std::atomic<std::int32_t>& protectionState,
                 const std::atomic<std::int32_t>& permission);

// A protection list's Load: the stored items replace items (only when the subkey exists), then the
// two settings are read.
template <typename Item>
void LoadListItems(HKEY productKey, const ListKeyNames& names, LockedItems<Item>& items,
                   Item (*loadItem)(HKEY key), std::atomic<std::int32_t>& protectionState,
                   std::atomic<std::int32_t>& permission) {
    std::vector<Item> loadedItems;
    LoadListKey(
        productKey, names, [&](HKEY item) { loadedItems.push_back(loadItem(item)); },
        [&] { items.Replace(std::move(loadedItems)); }, protectionState, permission);
}

// A protection list's Save: a copy of the items taken first, then written as SaveListKey says.
template <typename Item>
bool SaveListItems(HKEY productKey, const ListKeyNames& names, const LockedItems<Item>& items,
                   bool (*saveItem)(HKEY key, const Item& item),
                   const std::atomic<std::int32_t>& protectionState,
                   const std::atomic<std::int32_t>& permission) {
    const std::vector<Item> copy = items.Items();
    return SaveListKey(
        productKey, names, copy.size(),
        [&](HKEY itemKey, std::size_t i) { return saveItem(itemKey, copy[i]); }, protectionState,
        permission);
}

} // namespace hookwise::core
