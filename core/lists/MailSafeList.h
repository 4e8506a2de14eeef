// MailSafeList: the remembered decisions about phishing mail sources, with the list-wide
// protection switch and permission mode, and their storage under the "MailSafe" subkey.
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
#include <string>
#include <vector>

struct MailSafeItem {
    std::int32_t Action = kActionAsk;
    std::string StrictedData; // the key, MailKeyText of the detection
    std::string Type;         // MailTypeName of the detection's kind
    std::string Program;
    std::string DataTime;
    std::string From;
    std::string To;
    std::string Subject;
    std::string AttachmentFile;
    std::int32_t Port = -1; // also what an item whose stored "Port" is missing loads with
};

// A new item for a mail report: Action 2, key and type from the record, program, date (as
// DataTime), sender, recipient, subject, attachment and port from their fields.
MailSafeItem MailItemFromRecord(const DetectionRecord& record);

class MailSafeList {
public:
    std::atomic<std::int32_t> Permission{
        kPermissionPerItem};                      // 0 allow all, 1 block all, 2 per item
    std::atomic<std::int32_t> ProtectionState{1}; // 1 on, 0 off

    // Index of the first item whose StrictedData equals MailKeyText(record) and whose Type equals
    // MailTypeName(record.mail.kind), both ignoring case; -1 when none.
    int FindMailItem(const DetectionRecord& record) const;
    // Adds item at the end; returns its index (the new count - 1).
    int Append(MailSafeItem item);
    // A copy of the item at index; a default item when index is outside 0 .. count-1.
    MailSafeItem ItemAt(int index) const;
    int Count() const;
    // A copy of every item, in order.
    std::vector<MailSafeItem> Items() const;
    // Both ignored when index is outside 0 .. count-1. RemoveAt moves later items down by one.
    void SetAction(int index, std::int32_t action);
    void RemoveAt(int index);
    void RemoveAll();

    // Reads the "MailSafe" subkey of productKey: items, then the two settings. A missing subkey
    // leaves everything as it is; otherwise the items are replaced by the stored ones.
    void Load(HKEY productKey);
    // Writes the items, "MailSafeItems No", then the two settings. True when every write
    // succeeded.
    bool Save(HKEY productKey) const;

private:
    LockedItems<MailSafeItem> items_;
};
