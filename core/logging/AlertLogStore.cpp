// AlertLogStore: the alert log entries, the log and alert options and their storage under
// "AlertandLog".
//
// Sections: construction, entries, event alerts, archive, storage.
#include "core/logging/AlertLogStore.h"

#include "core/FileNames.h"
#include "core/ItemKeys.h"
#include "core/RegistryValues.h"
#include "core/TextFold.h"
#include "core/logging/LogArchiver.h"
#include "core/settings/LanguagePack.h"
#include "platform/Registry.h"
#include "platform/UserFolders.h"

#include <filesystem>

using namespace hookwise::platform;

namespace hookwise::core {

namespace {
constexpr const char* kSubKey = "AlertandLog";
constexpr const char* kEntryPrefix = "LogEntryDetails";
constexpr const char* kEventPrefix = "EventAlert";
constexpr const char* kCountValue = "AlertLogEntryDetailsListNo";

bool SameEvent(const AlertLogEntry& a, const AlertLogEntry& b) {
    return EqualsFoldingCase(a.Type, b.Type) && EqualsFoldingCase(a.Program, b.Program) &&
           EqualsFoldingCase(a.Protocol, b.Protocol) && EqualsFoldingCase(a.HostIP, b.HostIP) &&
           EqualsFoldingCase(a.StrictedData, b.StrictedData) &&
           EqualsFoldingCase(a.ActionTaken, b.ActionTaken);
}

HKEY CreateSubKey(HKEY parent, const std::string& name, RegKey& key) {
    if (RegCreateKeyExA(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key.Get();
}
} // namespace

// ---- construction ----

AlertLogStore::AlertLogStore()
    : LogFilePath(DataFolder() + "/HookWsLOG.log"), ArchiveLogFileStartTime(LocalTimeNow()) {
    ResetEventAlerts();
}

void AlertLogStore::ResetEventAlerts() {
    EventAlerts = {EventAlertFlag{"E-Mail Protection", 1}, EventAlertFlag{"Web Protection", 1}};
}

// ---- entries ----

int AlertLogStore::FindEntry(const AlertLogEntry& entry) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (SameEvent(entries_[i], entry))
            return static_cast<int>(i);
    }
    return -1;
}

int AlertLogStore::AddEntry(const AlertLogEntry& entry, bool* droppedOldest) {
    std::lock_guard<std::mutex> lock(mutex_);
    bool drop = entries_.size() >= kMaxAlertLogEntries;
    if (drop)
        entries_.erase(entries_.begin(),
                       entries_.begin() + (entries_.size() - kMaxAlertLogEntries + 1));
    if (droppedOldest)
        *droppedOldest = drop;
    entries_.push_back(entry);
    return static_cast<int>(entries_.size()) - 1;
}

AlertLogEntry AlertLogStore::EntryAt(int index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < 0 || static_cast<std::size_t>(index) >= entries_.size())
        return AlertLogEntry{};
    return entries_[index];
}

int AlertLogStore::Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(entries_.size());
}

std::vector<AlertLogEntry> AlertLogStore::Entries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_;
}

void AlertLogStore::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<AlertLogEntry>().swap(entries_);
}

AlertLogStore::RecordResult AlertLogStore::RecordEvent(AlertLogEntry entry) {
    entry.Rating = LoadText(kStrRatingMedium);
    entry.DateTime = NowText();
    entry.Count = 1;
    std::string high = LoadText(kStrRatingHigh);

    RecordResult result;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            AlertLogEntry& found = entries_[i];
            if (!SameEvent(found, entry))
                continue;
            if (found.Count < INT32_MAX)
                ++found.Count;
            if (found.Count > kHighRatingAbove)
                found.Rating = high;
            result.index = static_cast<int>(i);
            return result;
        }
    }
    result.isNew = true;
    result.index = AddEntry(entry, &result.droppedOldest);
    return result;
}

int AlertLogStore::CountHighRated() const {
    std::string high = LoadText(kStrRatingHigh);
    std::lock_guard<std::mutex> lock(mutex_);
    int count = 0;
    for (const AlertLogEntry& entry : entries_) {
        if (EqualsFoldingCase(entry.Rating, high))
            ++count;
    }
    return count;
}

std::string AlertLogStore::NowText() {
    return FormatSystemTime(LocalTimeNow(), "%A, %B %d, %Y %H:%M:%S");
}

// ---- event alerts ----

void AlertLogStore::ApplyAlertEventsLevel(std::int32_t level) {
    if (EventAlerts.size() < 2)
        ResetEventAlerts();
    switch (level) {
    case 0:
        EventAlerts[kMailAlertIndex].ShowAlert = 1;
        EventAlerts[kWebAlertIndex].ShowAlert = 1;
        break;
    case 1:
        EventAlerts[kMailAlertIndex].ShowAlert = MailOnly;
        EventAlerts[kWebAlertIndex].ShowAlert = !MailOnly;
        break;
    case 2:
        EventAlerts[kMailAlertIndex].ShowAlert = 0;
        EventAlerts[kWebAlertIndex].ShowAlert = 0;
        break;
    default:
        return;
    }
    AlertEventsLevel = level;
}

bool AlertLogStore::ShowMailAlert() const {
    return EventAlerts.size() > kMailAlertIndex && EventAlerts[kMailAlertIndex].ShowAlert != 0;
}

bool AlertLogStore::ShowWebAlert() const {
    return EventAlerts.size() > kWebAlertIndex && EventAlerts[kWebAlertIndex].ShowAlert != 0;
}

// ---- archive ----

bool AlertLogStore::IsArchiveDue() {
    return IsArchiveDue(LocalTimeNow());
}

bool AlertLogStore::IsArchiveDue(const SystemTime& now) {
    // Days as month * 30 + day, the difference taken modulo 256; the year plays no part.
    const SystemTime& start = ArchiveLogFileStartTime;
    std::uint8_t elapsed =
        static_cast<std::uint8_t>((now.wMonth * 30 + now.wDay) - (start.wMonth * 30 + start.wDay));
    if (elapsed < ArchiveLogPeriodicDays)
        return false;
    ArchiveLogFileStartTime = now;
    return true;
}

bool AlertLogStore::ArchiveLog(const std::string& programVersion) {
    return ArchiveLog(programVersion, DataFolder(), LocalTimeNow());
}

bool AlertLogStore::ArchiveLog(const std::string& programVersion, const std::string& programFolder,
                               const SystemTime& now) {
    // The archives are the user's own: a folder only the user may enter, never a link planted in
    // its place or a folder of someone else.
    std::string folder = programFolder + "/LogBackup";
    if (MakePrivateFolder(folder) == PrivateFolderResult::Failed)
        return false;
    LogArchiver archiver(folder + "/" + ArchiveFileName(now));
    if (!archiver.IsOpen())
        return false;
    return archiver.Copy(LogFilePath, LoadText(kStrAppTitle), programVersion);
}

// ---- storage ----

void AlertLogStore::Load(HKEY productKey) {
    RegKey key;
    if (RegOpenKeyExA(productKey, kSubKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return;
    LoadEntries(key.Get());
    LoadOptions(key.Get());
    LoadEventAlerts(key.Get());
}

void AlertLogStore::LoadEntries(HKEY alertKey) {
    std::uint32_t count = 0;
    ReadRegUInt32(alertKey, kCountValue, count);
    std::vector<AlertLogEntry> loaded;
    ForEachItemKey(alertKey, kEntryPrefix, count, [&loaded](HKEY k) {
        AlertLogEntry entry;
        ReadRegText(k, "Rating", entry.Rating);
        ReadRegText(k, "DateTime", entry.DateTime);
        ReadRegText(k, "Type", entry.Type);
        ReadRegText(k, "Protocol", entry.Protocol);
        ReadRegText(k, "Program", entry.Program);
        ReadRegText(k, "HostIP", entry.HostIP);
        ReadRegText(k, "StrictedData", entry.StrictedData);
        ReadRegText(k, "ActionTaken", entry.ActionTaken);
        std::uint32_t entryCount = 0;
        if (ReadRegUInt32(k, "Count", entryCount))
            entry.Count = static_cast<std::int32_t>(entryCount);
        loaded.push_back(std::move(entry));
    });
    // Only the newest entries fit the bound.
    if (loaded.size() > kMaxAlertLogEntries)
        loaded.erase(loaded.begin(), loaded.end() - kMaxAlertLogEntries);
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.swap(loaded);
}

void AlertLogStore::LoadOptions(HKEY alertKey) {
    std::string path;
    if (ReadRegText(alertKey, "LogFilePath", path) && !path.empty())
        LogFilePath = path;
    BYTE low = 0;
    if (ReadRegLowByte(alertKey, "AlertEventsLevel", low))
        AlertEventsLevel = low;
    if (ReadRegLowByte(alertKey, "ArchiveLogPeriodicDays", low))
        ArchiveLogPeriodicDays = low;
    // Both stored bytes: a stepper value above 255 comes back whole.
    std::uint32_t view = 0;
    if (ReadRegUInt32(alertKey, "NoAlertView", view))
        NoAlertView = static_cast<std::int16_t>(view & 0xFFFF);
    if (ReadRegLowByte(alertKey, "ArchiveLogFile", low))
        ArchiveLogFile = low;
    std::vector<BYTE> start;
    if (ReadRegBytes(alertKey, "ArchiveLogFileStartTime", start) && start.size() >= 16)
        ArchiveLogFileStartTime = SystemTime::FromBytes(start.data());
}

void AlertLogStore::LoadEventAlerts(HKEY alertKey) {
    ResetEventAlerts();
    for (int i = 0; i < 2; ++i) {
        RegKey eventKey;
        if (RegOpenKeyExA(alertKey, (kEventPrefix + std::to_string(i)).c_str(), 0, KEY_READ,
                          eventKey.Put()) != ERROR_SUCCESS)
            continue;
        BYTE show = 0;
        if (!ReadRegLowByte(eventKey.Get(), "ShowAlert", show))
            continue;
        EventAlerts[i].ShowAlert = show;
        MailOnly = show == 0 ? 1 : 0;
    }
}

bool AlertLogStore::Save(HKEY productKey) const {
    RegKey key;
    HKEY alertKey = CreateSubKey(productKey, kSubKey, key);
    if (!alertKey)
        return false;

    bool ok = true;
    std::vector<AlertLogEntry> entries = Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        RegKey entryKey;
        HKEY k = CreateSubKey(alertKey, kEntryPrefix + std::to_string(i), entryKey);
        if (!k) {
            ok = false;
            continue;
        }
        const AlertLogEntry& e = entries[i];
        ok &= WriteRegText(k, "Rating", e.Rating);
        ok &= WriteRegText(k, "DateTime", e.DateTime);
        ok &= WriteRegText(k, "Type", e.Type);
        ok &= WriteRegText(k, "Protocol", e.Protocol);
        ok &= WriteRegText(k, "Program", e.Program);
        ok &= WriteRegText(k, "HostIP", e.HostIP);
        ok &= WriteRegText(k, "StrictedData", e.StrictedData);
        ok &= WriteRegText(k, "ActionTaken", e.ActionTaken);
        ok &= WriteRegNumber(k, "Count", static_cast<std::uint32_t>(e.Count));
    }
    ok &= WriteRegNumber(alertKey, kCountValue, static_cast<std::uint32_t>(entries.size()));

    for (std::size_t i = 0; i < EventAlerts.size() && i < 2; ++i) {
        RegKey eventKey;
        HKEY k = CreateSubKey(alertKey, kEventPrefix + std::to_string(i), eventKey);
        if (!k) {
            ok = false;
            continue;
        }
        ok &= WriteRegNumber(k, "ShowAlert", static_cast<std::uint32_t>(EventAlerts[i].ShowAlert));
    }

    ok &= WriteRegText(alertKey, "LogFilePath", LogFilePath);
    ok &=
        WriteRegNumber(alertKey, "AlertEventsLevel", static_cast<std::uint32_t>(AlertEventsLevel));
    ok &= WriteRegNumber(alertKey, "ArchiveLogPeriodicDays", ArchiveLogPeriodicDays, 1);
    ok &= WriteRegNumber(alertKey, "NoAlertView", static_cast<std::uint16_t>(NoAlertView), 2);
    ok &= WriteRegNumber(alertKey, "ArchiveLogFile", static_cast<std::uint32_t>(ArchiveLogFile));
    std::array<std::uint8_t, 16> start = ArchiveLogFileStartTime.ToBytes();
    ok &=
        WriteRegBytes(alertKey, "ArchiveLogFileStartTime", REG_BINARY, start.data(), start.size());
    return ok;
}

} // namespace hookwise::core
