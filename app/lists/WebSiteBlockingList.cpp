// WebSiteBlockingList: the web site list, its look-up and its storage under "WebSiteBlocking".
#include "app/lists/WebSiteBlockingList.h"

#include "app/RegistryValues.h"
#include "app/TextUtil.h"
#include "app/lists/ListStorage.h"
#include "platform/Registry.h"

namespace {
constexpr const char* kSubKey = "WebSiteBlocking";
constexpr const char* kItemPrefix = "WebSiteBlockingItem";
constexpr const char* kCountValue = "WebSiteBlockingItems No";
constexpr const char* kStateValue = "WebSiteBlockingProtectionState";
constexpr const char* kPermissionValue = "WebSiteBlockingPermession";

template <std::size_t N> std::string FieldText(const char (&field)[N]) {
    return std::string(field, FieldLength(field));
}

WebSiteBlockingItem LoadItem(HKEY key) {
    WebSiteBlockingItem item;
    BYTE action = 0;
    if (ReadRegLowByte(key, "Action", action))
        item.Action = action;
    ReadRegText(key, "ScamSite", item.ScamSite);
    ReadRegText(key, "Program", item.Program);
    ReadRegText(key, "DataTime", item.DataTime);
    ReadRegText(key, "IPAddress", item.IPAddress);
    ReadRegText(key, "StrictedData", item.StrictedData);
    ReadRegText(key, "Type", item.Type);
    std::string port;
    if (ReadRegText(key, "Port", port))
        item.Port = ParseLeadingInt(port);
    return item;
}

bool SaveItem(HKEY key, const WebSiteBlockingItem& item) {
    bool ok = WriteRegNumber(key, "Action", static_cast<std::uint32_t>(item.Action));
    ok &= WriteRegText(key, "ScamSite", item.ScamSite);
    ok &= WriteRegText(key, "Program", item.Program);
    ok &= WriteRegText(key, "DataTime", item.DataTime);
    ok &= WriteRegText(key, "IPAddress", item.IPAddress);
    ok &= WriteRegText(key, "StrictedData", item.StrictedData);
    ok &= WriteRegText(key, "Type", item.Type);
    ok &= WriteRegText(key, "Port", std::to_string(item.Port));
    return ok;
}
} // namespace

WebSiteBlockingItem WebItemFromRecord(const DetectionRecord& record, const std::string& dataTime) {
    WebSiteBlockingItem item;
    item.Action = kActionAsk;
    item.Type = WebTypeName(record.web.kind);
    item.StrictedData = WebKeyText(record);
    item.ScamSite = WebKeyText(record);
    item.Program = FieldText(record.program);
    item.DataTime = dataTime;
    item.IPAddress = FieldText(record.hostAddress);
    item.Port = RecordPort(record);
    return item;
}

int WebSiteBlockingList::FindSiteItem(const DetectionRecord& record) const {
    char kind = record.web.kind;
    if (kind != kKindHost && kind != kKindUrl)
        return -1;
    std::int32_t port = RecordPort(record);
    std::string program = FieldText(record.program);
    std::string key = WebKeyText(record);
    std::string type = WebTypeName(kind);
    std::lock_guard<std::mutex> lock(mutex_);
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const WebSiteBlockingItem& item = items_[i];
        if (item.Port != port || !EqualsIgnoreCase(item.Program, program))
            continue;
        bool same = kind == kKindHost
                        ? EqualsIgnoreCase(item.StrictedData, key)
                        : EqualsIgnoreCase(item.ScamSite, key) && EqualsIgnoreCase(item.Type, type);
        if (same)
            return static_cast<int>(i);
    }
    return -1;
}

int WebSiteBlockingList::Append(WebSiteBlockingItem item) {
    std::lock_guard<std::mutex> lock(mutex_);
    items_.push_back(std::move(item));
    return static_cast<int>(items_.size()) - 1;
}

WebSiteBlockingItem WebSiteBlockingList::ItemAt(int index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < 0 || static_cast<std::size_t>(index) >= items_.size())
        return WebSiteBlockingItem{};
    return items_[index];
}

int WebSiteBlockingList::Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(items_.size());
}

std::vector<WebSiteBlockingItem> WebSiteBlockingList::Items() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return items_;
}

void WebSiteBlockingList::SetAction(int index, std::int32_t action) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < 0 || static_cast<std::size_t>(index) >= items_.size())
        return;
    items_[index].Action = action;
}

void WebSiteBlockingList::RemoveAt(int index) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < 0 || static_cast<std::size_t>(index) >= items_.size())
        return;
    items_.erase(items_.begin() + index);
}

void WebSiteBlockingList::RemoveAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<WebSiteBlockingItem>().swap(items_);
}

void WebSiteBlockingList::Load(HKEY productKey) {
    RegKey key;
    if (RegOpenKeyExA(productKey, kSubKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return;
    std::uint32_t count = 0;
    ReadRegUInt32(key.Get(), kCountValue, count);

    std::vector<WebSiteBlockingItem> loaded;
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

bool WebSiteBlockingList::Save(HKEY productKey) const {
    std::vector<WebSiteBlockingItem> items = Items();
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
