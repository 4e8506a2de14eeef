// RememberedList: a protection list of remembered decisions (the mail sources, the web sites),
// with the list-wide protection switch and permission mode, and its storage under a subkey of the
// product key.
//
// Item operations are each safe on any thread (one lock guards the item array), so a list feeder
// may read while the UI thread appends. Items are handed out as copies.
#pragma once

#include "core/lists/ListNames.h"
#include "core/lists/ListStorage.h"
#include "engine/DetectionRecord.h"
#include "platform/WinTypes.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace hookwise::core {

// What a remembered list needs to know of its item type; specialised beside each item with:
//   static const ListKeyNames kNames;                   its registry names
//   static Item LoadItem(HKEY itemKey);                 one stored item
//   static bool SaveItem(HKEY itemKey, const Item&);    true when every value was written
//   static int Find(const LockedItems<Item>&, const DetectionRecord&);  the record's item, or -1
template <typename Item> struct RememberedItem;

template <typename Item> class RememberedList {
public:
    std::atomic<std::int32_t> Permission{
        kPermissionPerItem};                      // 0 allow all, 1 block all, 2 per item
    std::atomic<std::int32_t> ProtectionState{1}; // 1 on, 0 off

    // Index of the item that remembers the decision about record; -1 when none.
    int Find(const DetectionRecord& record) const {
        return RememberedItem<Item>::Find(items_, record);
    }
    // Adds item at the end; returns its index (the new count - 1).
    int Append(Item item) { return items_.Append(std::move(item)); }
    // A copy of the item at index; a default item when index is outside 0 .. count-1.
    Item ItemAt(int index) const { return items_.ItemAt(index); }
    int Count() const { return items_.Count(); }
    // A copy of every item, in order.
    std::vector<Item> Items() const { return items_.Items(); }
    // Both ignored when index is outside 0 .. count-1. RemoveAt moves later items down by one.
    void SetAction(int index, std::int32_t action) { items_.SetAction(index, action); }
    void RemoveAt(int index) { items_.RemoveAt(index); }
    void RemoveAll() { items_.RemoveAll(); }

    // Reads the list's subkey of productKey: items, then the two settings. A missing subkey
    // leaves everything as it is; otherwise the items are replaced by the stored ones.
    void Load(HKEY productKey) {
        LoadListItems(productKey, RememberedItem<Item>::kNames, items_,
                      &RememberedItem<Item>::LoadItem, ProtectionState, Permission);
    }
    // Writes the items, the count, then the two settings. True when every write succeeded.
    bool Save(HKEY productKey) const {
        return SaveListItems(productKey, RememberedItem<Item>::kNames, items_,
                             &RememberedItem<Item>::SaveItem, ProtectionState, Permission);
    }

private:
    LockedItems<Item> items_;
};

} // namespace hookwise::core
