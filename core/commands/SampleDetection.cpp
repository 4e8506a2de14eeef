// The test command's sample detection.
#include "core/commands/SampleDetection.h"

#include "core/lists/ListNames.h"
#include "core/lists/WebSiteBlockingList.h"
#include "core/logging/AlertLogStore.h"
#include "core/settings/LanguagePack.h"
#include "core/settings/StringTable.h"

#include <cstdint>

namespace hookwise::core {

namespace {

constexpr const char* kSampleSite = "www.phishing-sample.example/signin/account-verify.html";
constexpr const char* kSampleProgram = "/usr/bin/sample-browser";
constexpr const char* kSampleAddress = "192.0.2.1";
constexpr std::int32_t kSamplePort = 80;

} // namespace

AlertRequest SampleAlert(const std::string& now) {
    AlertRequest alert;
    alert.AlertKind = AlertRequest::WebAlert;
    alert.StrictedData = kSampleSite;
    alert.ScamSite = kSampleSite;
    alert.Type = "URL";
    alert.Application = kSampleProgram;
    alert.DateTime = now;
    alert.Protocol = ProtocolName(kSamplePort);
    alert.IPAddress = kSampleAddress;
    alert.ToolTip = FormatAlertText(LoadText(kStrAlertUrl), kSampleSite);
    return alert;
}

void RecordSampleDetection(AlertLogStore& log, WebSiteBlockingList& web, DetectionView& view,
                           const std::string& now) {
    AlertLogEntry entry;
    entry.Type = "URL";
    entry.Protocol = ProtocolName(kSamplePort);
    entry.Program = kSampleProgram;
    entry.HostIP = kSampleAddress;
    entry.ActionTaken = ActionName(kActionBlock);
    entry.StrictedData = kSampleSite;
    const AlertLogStore::RecordResult recorded = log.RecordEvent(entry);
    if (recorded.isNew)
        view.PostLogEntry(recorded.index, recorded.droppedOldest);
    else
        view.UpdateLogEntry(recorded.index);

    WebSiteBlockingItem item;
    item.Type = "URL";
    item.StrictedData = kSampleSite;
    item.ScamSite = kSampleSite;
    item.Program = kSampleProgram;
    item.DataTime = now;
    item.IPAddress = kSampleAddress;
    item.Port = kSamplePort;
    const int index = web.Append(item);
    view.PostSiteItem(index);
    view.UpdateSiteItem(index);
}

} // namespace hookwise::core
