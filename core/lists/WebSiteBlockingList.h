// WebSiteBlockingList: the remembered decisions about phishing hosts and URLs, a RememberedList
// stored under the "WebSiteBlocking" subkey.
#pragma once

#include "core/lists/ListNames.h"
#include "core/lists/RememberedList.h"
#include "engine/DetectionRecord.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <string>

namespace hookwise::core {

struct WebSiteBlockingItem {
    std::int32_t Action = kActionAsk;
    std::string Type;         // "IP" or "URL"
    std::string StrictedData; // the key, WebKeyText of the detection
    std::string ScamSite;
    std::string Program;
    std::string DataTime;
    std::string IPAddress;
    std::int32_t Port = -1;
};

// A new item for a host (1125, kind 'I') or URL (1126, kind 'U') report: Action 2, Type, key and
// site from the record, program, dataTime, host address and port.
WebSiteBlockingItem WebItemFromRecord(const DetectionRecord& record, const std::string& dataTime);

template <> struct RememberedItem<WebSiteBlockingItem> {
    static constexpr ListKeyNames kNames{
        "WebSiteBlocking", "WebSiteBlockingItem", "WebSiteBlockingItems No",
        "WebSiteBlockingProtectionState", "WebSiteBlockingPermession"};
    static WebSiteBlockingItem LoadItem(HKEY itemKey);
    // The port is stored as signed decimal text.
    static bool SaveItem(HKEY itemKey, const WebSiteBlockingItem& item);
    // Index of the first item with the record's port, its program (ignoring case) and, for kind
    // 'I', StrictedData equal to the host address; for kind 'U', ScamSite equal to the URL and
    // Type "URL" (ignoring case). Any other kind, or no such item: -1.
    static int Find(const LockedItems<WebSiteBlockingItem>& items, const DetectionRecord& record);
};

class WebSiteBlockingList : public RememberedList<WebSiteBlockingItem> {
public:
    // Find: the first item of the record's host or URL, port and program.
    int FindSiteItem(const DetectionRecord& record) const { return Find(record); }
};

} // namespace hookwise::core
