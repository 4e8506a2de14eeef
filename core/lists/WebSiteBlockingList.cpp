// WebSiteBlockingList: the web site list, its look-up and its storage under "WebSiteBlocking".
#include "core/lists/WebSiteBlockingList.h"

#include "core/RegistryValues.h"
#include "core/TextFold.h"
#include "core/TextUtil.h"
#include "core/lists/ListStorage.h"
#include "platform/Registry.h"

namespace hookwise::core {

namespace {

template <std::size_t N> std::string FieldText(const char (&field)[N]) {
    return std::string(field, platform::FieldLength(field));
}

} // namespace

WebSiteBlockingItem RememberedItem<WebSiteBlockingItem>::LoadItem(HKEY key) {
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

bool RememberedItem<WebSiteBlockingItem>::SaveItem(HKEY key, const WebSiteBlockingItem& item) {
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

WebSiteBlockingItem WebItemFromRecord(const DetectionRecord& record, const std::string& dataTime) {
    WebSiteBlockingItem item;
    item.Action = kActionAsk;
    item.Type = WebTypeName(record.web.kind);
    item.StrictedData = WebKeyText(record);
    item.ScamSite = WebKeyText(record);
    item.Program = FieldText(record.program);
    item.DataTime = dataTime;
    item.IPAddress = HostAddressText(record);
    item.Port = RecordPort(record);
    return item;
}

int RememberedItem<WebSiteBlockingItem>::Find(const LockedItems<WebSiteBlockingItem>& items,
                                              const DetectionRecord& record) {
    char kind = record.web.kind;
    if (kind != kKindHost && kind != kKindUrl)
        return -1;
    std::int32_t port = RecordPort(record);
    std::string program = FieldText(record.program);
    std::string key = WebKeyText(record);
    std::string type = WebTypeName(kind);
    return items.FindIf([&](const WebSiteBlockingItem& item) {
        if (item.Port != port || !EqualsFoldingCase(item.Program, program))
            return false;
        return kind == kKindHost
                   ? EqualsFoldingCase(item.StrictedData, key)
                   : EqualsFoldingCase(item.ScamSite, key) && EqualsFoldingCase(item.Type, type);
    });
}

} // namespace hookwise::core
