// MailSafeList: the mail source list, its look-up and its storage under "MailSafe".
#include "core/lists/MailSafeList.h"

#include "core/RegistryValues.h"
#include "core/TextFold.h"
#include "core/lists/ListStorage.h"
#include "platform/Registry.h"

namespace hookwise::core {

namespace {

template <std::size_t N> std::string FieldText(const char (&field)[N]) {
    return std::string(field, platform::FieldLength(field));
}

// A stored text replaces the field only when it reads and is not empty.
void LoadText(HKEY key, const char* name, std::string& field) {
    std::string text;
    if (ReadRegText(key, name, text) && !text.empty())
        field = std::move(text);
}

} // namespace

MailSafeItem RememberedItem<MailSafeItem>::LoadItem(HKEY key) {
    MailSafeItem item;
    BYTE action = 0;
    if (ReadRegLowByte(key, "Action", action))
        item.Action = action;
    LoadText(key, "StrictedData", item.StrictedData);
    LoadText(key, "Type", item.Type);
    LoadText(key, "Program", item.Program);
    LoadText(key, "DataTime", item.DataTime);
    LoadText(key, "AttachmentFile", item.AttachmentFile);
    std::uint32_t port = 0;
    if (ReadRegUInt32(key, "Port", port))
        item.Port = static_cast<std::int32_t>(port);
    LoadText(key, "From", item.From);
    LoadText(key, "To", item.To);
    LoadText(key, "Subject", item.Subject);
    return item;
}

bool RememberedItem<MailSafeItem>::SaveItem(HKEY key, const MailSafeItem& item) {
    bool ok = WriteRegNumber(key, "Action", static_cast<std::uint32_t>(item.Action));
    ok &= WriteRegText(key, "StrictedData", item.StrictedData);
    ok &= WriteRegText(key, "Type", item.Type);
    ok &= WriteRegText(key, "Program", item.Program);
    ok &= WriteRegText(key, "DataTime", item.DataTime);
    ok &= WriteRegText(key, "AttachmentFile", item.AttachmentFile);
    // The port is four raw little-endian bytes under the text type, as the list always stored it.
    ok &= WriteRegNumber(key, "Port", static_cast<std::uint32_t>(item.Port), 4, REG_SZ);
    ok &= WriteRegText(key, "From", item.From);
    ok &= WriteRegText(key, "To", item.To);
    ok &= WriteRegText(key, "Subject", item.Subject);
    return ok;
}

MailSafeItem MailItemFromRecord(const DetectionRecord& record) {
    MailSafeItem item;
    item.Action = kActionAsk;
    item.StrictedData = MailKeyText(record);
    item.Type = MailTypeName(record.mail.kind);
    item.Program = FieldText(record.program);
    item.DataTime = FieldText(record.mail.date);
    item.From = FieldText(record.mail.from);
    item.To = FieldText(record.mail.to);
    item.Subject = FieldText(record.mail.subject);
    item.AttachmentFile = FieldText(record.mail.attachment);
    item.Port = RecordPort(record);
    return item;
}

int RememberedItem<MailSafeItem>::Find(const LockedItems<MailSafeItem>& items,
                                       const DetectionRecord& record) {
    std::string key = MailKeyText(record);
    std::string type = MailTypeName(record.mail.kind);
    return items.FindIf([&](const MailSafeItem& item) {
        return EqualsFoldingCase(item.StrictedData, key) && EqualsFoldingCase(item.Type, type);
    });
}

} // namespace hookwise::core
