// AlertLogStore: every reported detection with its count and rating, the log and alert options,
// and their storage under the "AlertandLog" subkey.
//
// The entries are bounded: at kMaxAlertLogEntries the oldest entry is dropped to make room, and a
// load keeps only the newest kMaxAlertLogEntries. Entry operations are each safe on any thread (one
// lock guards the entry array) so the log feeder may read while the UI thread records; the option
// fields belong to the UI thread.
#pragma once

#include "core/logging/SystemTime.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace hookwise::core {

constexpr std::size_t kMaxAlertLogEntries = 10000;

struct AlertLogEntry {
    std::string Rating;   // string 7015 ("Medium") or 7014 ("High") in the current language
    std::string DateTime; // NowText() of the first report
    std::string Type;
    std::string Protocol;
    std::string Program;
    std::string HostIP;
    std::string ActionTaken; // "Allow", "Block" or empty
    std::string StrictedData;
    std::int32_t Count = 1;
};

struct EventAlertFlag {
    std::string Name;
    std::int32_t ShowAlert = 1; // 1: show the alert popup for this kind
};

// Indexes into AlertLogStore::EventAlerts.
constexpr int kMailAlertIndex = 0; // "E-Mail Protection"
constexpr int kWebAlertIndex = 1;  // "Web Protection"

// Counts above this turn an entry's rating to "High".
constexpr std::int32_t kHighRatingAbove = 10;

class AlertLogStore {
public:
    // Defaults: LogFilePath = DataFolder() + "/HookWsLOG.log", start time now, two event flags.
    AlertLogStore();

    std::string LogFilePath;
    std::int32_t AlertEventsLevel = 0;       // 0-2
    std::uint8_t ArchiveLogPeriodicDays = 1; // days
    std::int16_t NoAlertView = 50;           // log viewer stepper value
    BOOL ArchiveLogFile = 1;                 // periodic archive on
    SystemTime ArchiveLogFileStartTime;      // start of the current archive period
    BOOL MailOnly = 1;                       // used by level 1; not stored
    std::vector<EventAlertFlag> EventAlerts; // [kMailAlertIndex], [kWebAlertIndex]

    // Loads entries, then the options, then the event-alert flags from "AlertandLog" of
    // productKey. A missing subkey keeps every default and no entries.
    void Load(HKEY productKey);
    // Writes entries, the count, the event-alert flags, then the options. True when every write
    // succeeded. Deletes nothing: it expects a freshly created product key.
    bool Save(HKEY productKey) const;

    // Index of the first entry whose Type, Program, Protocol, HostIP, StrictedData and ActionTaken
    // equal entry's, ignoring case; -1 when none.
    int FindEntry(const AlertLogEntry& entry) const;
    // Appends entry and returns its index. When the store already holds kMaxAlertLogEntries the
    // oldest entry is dropped first (every index moves down by one) and *droppedOldest is set.
    int AddEntry(const AlertLogEntry& entry, bool* droppedOldest = nullptr);
    AlertLogEntry EntryAt(int index) const; // a default entry outside 0 .. count-1
    int Count() const;
    std::vector<AlertLogEntry> Entries() const;
    void Clear();

    // Records one event: entry gets Rating "Medium" (string 7015), DateTime NowText() and Count 1;
    // an equal entry (FindEntry) instead gains 1 on its Count and turns "High" (string 7014) above
    // kHighRatingAbove; otherwise entry is added.
    struct RecordResult {
        int index = -1;
        bool isNew = false;         // added (the movie posts it) rather than counted up (updated)
        bool droppedOldest = false; // adding dropped the oldest entry: every row moved down
    };
    RecordResult RecordEvent(AlertLogEntry entry);

    // Entries whose Rating equals string 7014 of the current language, ignoring case.
    int CountHighRated() const;

    // The main window's "IDC_FS_AlertEventsLevel": 0 both ShowAlert flags 1; 1 mail flag =
    // MailOnly, web flag = !MailOnly; 2 both 0. Other values change nothing. AlertEventsLevel takes
    // level.
    void ApplyAlertEventsLevel(std::int32_t level);
    bool ShowMailAlert() const;
    bool ShowWebAlert() const;

    // The current local time as "%A, %B %d, %Y %H:%M:%S" ("Monday, December 07, 2009 14:05:09").
    static std::string NowText();

    // Whether the archive period has elapsed since ArchiveLogFileStartTime, counting days as
    // month * 30 + day in 8-bit arithmetic (the year is not used). When due, the start time
    // becomes now.
    bool IsArchiveDue();
    bool IsArchiveDue(const SystemTime& now);

    // Copies the log file into DataFolder() + "/LogBackup/" + the archive name of now, behind
    // the header lines (title = string 7001, programVersion). False when nothing was archived; an
    // archive file that was created stays, empty when the log file could not be opened.
    bool ArchiveLog(const std::string& programVersion);
    bool ArchiveLog(const std::string& programVersion, const std::string& programFolder,
                    const SystemTime& now);

private:
    void LoadEntries(HKEY alertKey);
    void LoadOptions(HKEY alertKey);
    void LoadEventAlerts(HKEY alertKey);
    void ResetEventAlerts();

    mutable std::mutex mutex_;
    std::vector<AlertLogEntry> entries_;
};

} // namespace hookwise::core
