// WebSiteBlockingList: the remembered decisions about phishing hosts and URLs, with the list-wide
// protection switch and permission mode, and their storage under the "WebSiteBlocking" subkey.
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

class WebSiteBlockingList {
public:
    std::atomic<std::int32_t> Permission{kPermissionPerItem};
    std::atomic<std::int32_t> ProtectionState{1};

    // Index of the first item with the record's port, its program (ignoring case) and, for kind
    // 'I', StrictedData equal to the host address; for kind 'U', ScamSite equal to the URL and Type
    // "URL" (ignoring case). Any other kind, or no such item: -1.
    int FindSiteItem(const DetectionRecord& record) const;
    int Append(WebSiteBlockingItem item);
    WebSiteBlockingItem ItemAt(int index) const;
    int Count() const;
    std::vector<WebSiteBlockingItem> Items() const;
    void SetAction(int index, std::int32_t action);
    void RemoveAt(int index);
    void RemoveAll();

    // As MailSafeList::Load / Save, with the "WebSiteBlocking" subkey and the port stored as
    // signed decimal text.
    void Load(HKEY productKey);
    bool Save(HKEY productKey) const;

private:
    LockedItems<WebSiteBlockingItem> items_;
};
