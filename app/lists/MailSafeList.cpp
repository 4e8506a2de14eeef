// MailSafeList: the mail source list, its look-up and its storage under "MailSafe".
#include "app/lists/MailSafeList.h"

#include "app/RegistryValues.h"
#include "app/TextUtil.h"
#include "app/lists/ListStorage.h"
#include "platform/Registry.h"

namespace {
constexpr const char* kSubKey = "MailSafe";
constexpr const char* kItemPrefix = "MailSafeItem";
constexpr const char* kCountValue = "MailSafeItems No";
constexpr const char* kStateValue = "MailSafeProtectionState";
constexpr const char* kPermissionValue = "MailSafePermession";

template <std::size_t N> std::string FieldText(const char (&field)[N]) {
    return std::string(field, FieldLength(field));
}

// A stored text replaces the field only when it reads and is not empty.
void LoadText(HKEY key, const char* name, std::string& field) {
    std::string text;
    if (ReadRegText(key, name, text) && !text.empty())
        field = std::move(text);
}

MailSafeItem LoadItem(HKEY key) {
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

bool SaveItem(HKEY key, const MailSafeItem& item) {
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
} // namespace

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

int MailSafeList::FindMailItem(const DetectionRecord& record) const {
    std::string key = MailKeyText(record);
    std::string type = MailTypeName(record.mail.kind);
    std::lock_guard<std::mutex> lock(mutex_);
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (EqualsIgnoreCase(items_[i].StrictedData, key) && EqualsIgnoreCase(items_[i].Type, type))
            return static_cast<int>(i);
    }
    return -1;
}

int MailSafeList::Append(MailSafeItem item) {
    std::lock_guard<std::mutex> lock(mutex_);
    items_.push_back(std::move(item));
    return static_cast<int>(items_.size()) - 1;
}

MailSafeItem MailSafeList::ItemAt(int index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < 0 || static_cast<std::size_t>(index) >= items_.size())
        return MailSafeItem{};
    return items_[index];
}

int MailSafeList::Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(items_.size());
}

std::vector<MailSafeItem> MailSafeList::Items() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return items_;
}

void MailSafeList::SetAction(int index, std::int32_t action) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < 0 || static_cast<std::size_t>(index) >= items_.size())
        return;
    items_[index].Action = action;
}

void MailSafeList::RemoveAt(int index) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < 0 || static_cast<std::size_t>(index) >= items_.size())
        return;
    items_.erase(items_.begin() + index);
}

void MailSafeList::RemoveAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<MailSafeItem>().swap(items_);
}

void MailSafeList::Load(HKEY productKey) {
    RegKey key;
    if (RegOpenKeyExA(productKey, kSubKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return;
    std::uint32_t count = 0;
    ReadRegUInt32(key.Get(), kCountValue, count);

    std::vector<MailSafeItem> loaded;
    ForEachItemKey(key.Get(), kItemPrefix, count,
                   [&loaded](HKEY item) { loaded.push_back(LoadItem(item)); });
    {
        std::lock_guard<std::mutex> lock(mutex_);
        items_.swap(loaded);
    }
    BYTE value = 0;
    if (ReadRegLowByte(key.Get(), kStateValue, value))
        ProtectionState = value;
    if (ReadRegLowByte(key.Get(), kPermissionValue, value))
        Permission = value;
}

bool MailSafeList::Save(HKEY productKey) const {
    std::vector<MailSafeItem> items = Items();
    bool ok = true;
    {
        RegKey key;
        if (RegCreateKeyExA(productKey, kSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
            return false;
        for (std::size_t i = 0; i < items.size(); ++i) {
            RegKey itemKey;
            if (RegCreateKeyExA(key.Get(), (kItemPrefix + std::to_string(i)).c_str(), 0, nullptr,
                                REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, itemKey.Put(),
                                nullptr) != ERROR_SUCCESS) {
                ok = false; // the item is skipped; the numbering goes on
                continue;
            }
            ok &= SaveItem(itemKey.Get(), items[i]);
        }
        ok &= WriteRegNumber(key.Get(), kCountValue, static_cast<std::uint32_t>(items.size()));
    }
    RegKey key;
    if (RegCreateKeyExA(productKey, kSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        return false;
    ok &=
        WriteRegNumber(key.Get(), kStateValue, static_cast<std::uint32_t>(ProtectionState.load()));
    ok &=
        WriteRegNumber(key.Get(), kPermissionValue, static_cast<std::uint32_t>(Permission.load()));
    return ok;
}
