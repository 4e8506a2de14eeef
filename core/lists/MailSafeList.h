// MailSafeList: the remembered decisions about phishing mail sources, a RememberedList stored
// under the "MailSafe" subkey.
#pragma once

#include "core/lists/ListNames.h"
#include "core/lists/RememberedList.h"
#include "engine/DetectionRecord.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <string>

namespace hookwise::core {

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

template <> struct RememberedItem<MailSafeItem> {
    static constexpr ListKeyNames kNames{"MailSafe", "MailSafeItem", "MailSafeItems No",
                                         "MailSafeProtectionState", "MailSafePermession"};
    static MailSafeItem LoadItem(HKEY itemKey);
    // The port is four raw little-endian bytes under the text type, as the list always stored it.
    static bool SaveItem(HKEY itemKey, const MailSafeItem& item);
    // Index of the first item whose StrictedData equals MailKeyText(record) and whose Type
    // equals MailTypeName(record.mail.kind), both ignoring case; -1 when none.
    static int Find(const LockedItems<MailSafeItem>& items, const DetectionRecord& record);
};

class MailSafeList : public RememberedList<MailSafeItem> {
public:
    // Find: the first item with the record's key and type.
    int FindMailItem(const DetectionRecord& record) const { return Find(record); }
};

} // namespace hookwise::core
