// The alert log store: recording and rating, the entry bound, the event-alert flags, the archive
// period arithmetic and the stored forms of every value.
#include "core/RegistryValues.h"
#include "core/logging/AlertLogStore.h"
#include "AppDataSandbox.h"

#include <ostream>
#include <regex>

using namespace hookwise::core;

namespace {

constexpr const char* kProduct = "Software\\Corvane\\Hookwise";

AlertLogEntry Event(const std::string& data, const std::string& action = "Block") {
    AlertLogEntry e;
    e.Type = "URL";
    e.Protocol = "HTTP";
    e.Program = "firefox";
    e.HostIP = "192.0.2.1";
    e.ActionTaken = action;
    e.StrictedData = data;
    return e;
}

SystemTime Day(int month, int day, int year = 2009) {
    SystemTime t;
    t.wYear = static_cast<std::uint16_t>(year);
    t.wMonth = static_cast<std::uint16_t>(month);
    t.wDay = static_cast<std::uint16_t>(day);
    return t;
}

class AlertLog : public AppDataSandbox {
protected:
    HKEY Product() {
        if (!product_)
            RegCreateKeyExA(HKEY_CURRENT_USER, kProduct, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            product_.Put(), nullptr);
        return product_.Get();
    }
    void TearDown() override {
        product_ = RegKey();
        AppDataSandbox::TearDown();
    }
    RegKey product_;
};

TEST_F(AlertLog, DefaultsBeforeAnythingLoads) {
    AlertLogStore store;
    EXPECT_EQ(store.LogFilePath, programFolder_ + "/HookWsLOG.log");
    EXPECT_EQ(store.AlertEventsLevel, 0);
    EXPECT_EQ(store.ArchiveLogPeriodicDays, 1);
    EXPECT_EQ(store.NoAlertView, 50);
    EXPECT_EQ(store.ArchiveLogFile, 1);
    EXPECT_EQ(store.MailOnly, 1);
    ASSERT_EQ(store.EventAlerts.size(), 2u);
    EXPECT_EQ(store.EventAlerts[0].Name, "E-Mail Protection");
    EXPECT_EQ(store.EventAlerts[1].Name, "Web Protection");
    EXPECT_NE(store.ArchiveLogFileStartTime.wYear, 0);
    store.Load(Product()); // no "AlertandLog": defaults stay
    EXPECT_EQ(store.Count(), 0);
    EXPECT_EQ(store.NoAlertView, 50);
}

TEST_F(AlertLog, RepeatsCountUpAndTurnHighAboveTen) {
    AlertLogStore store;
    auto first = store.RecordEvent(Event("http://bad/"));
    EXPECT_TRUE(first.isNew);
    EXPECT_EQ(store.EntryAt(0).Rating, "Medium");
    EXPECT_EQ(store.EntryAt(0).Count, 1);
    for (int i = 2; i <= 10; ++i) {
        auto again = store.RecordEvent(Event("HTTP://BAD/"));
        EXPECT_FALSE(again.isNew);
        EXPECT_EQ(again.index, 0);
    }
    EXPECT_EQ(store.EntryAt(0).Count, 10);
    EXPECT_EQ(store.EntryAt(0).Rating, "Medium");
    store.RecordEvent(Event("http://bad/"));
    EXPECT_EQ(store.EntryAt(0).Count, 11);
    EXPECT_EQ(store.EntryAt(0).Rating, "High");
    EXPECT_EQ(store.CountHighRated(), 1);
    // Another action is another entry.
    EXPECT_TRUE(store.RecordEvent(Event("http://bad/", "Allow")).isNew);
    EXPECT_EQ(store.Count(), 2);
    EXPECT_EQ(store.FindEntry(Event("http://bad/", "allow")), 1);
    EXPECT_EQ(store.FindEntry(Event("http://other/")), -1);
    store.Clear();
    EXPECT_EQ(store.Count(), 0);
}

TEST_F(AlertLog, TheOldestEntryGoesAtTheBound) {
    AlertLogStore store;
    for (std::size_t i = 0; i < kMaxAlertLogEntries; ++i)
        EXPECT_EQ(store.AddEntry(Event(std::to_string(i))), static_cast<int>(i));
    bool dropped = false;
    EXPECT_EQ(store.AddEntry(Event("new"), &dropped), static_cast<int>(kMaxAlertLogEntries) - 1);
    EXPECT_TRUE(dropped);
    EXPECT_EQ(store.Count(), static_cast<int>(kMaxAlertLogEntries));
    EXPECT_EQ(store.EntryAt(0).StrictedData, "1");
    EXPECT_EQ(store.EntryAt(static_cast<int>(kMaxAlertLogEntries) - 1).StrictedData, "new");
    auto recorded = store.RecordEvent(Event("newer"));
    EXPECT_TRUE(recorded.droppedOldest);
    EXPECT_EQ(store.EntryAt(0).StrictedData, "2");
}

TEST_F(AlertLog, StoresEveryValueInItsForm) {
    AlertLogStore store;
    store.LogFilePath = "/var/log/hookwise.log";
    store.AlertEventsLevel = 2;
    store.ArchiveLogPeriodicDays = 200;
    store.NoAlertView = 300;
    store.ArchiveLogFile = 0;
    store.ArchiveLogFileStartTime = SystemTime{2009, 12, 1, 7, 14, 5, 9, 123};
    store.EventAlerts[1].ShowAlert = 0;
    AlertLogEntry e = Event("http://bad/");
    e.Rating = "High";
    e.DateTime = "Monday, December 07, 2009 14:05:09";
    e.Count = 0x01020304;
    store.AddEntry(e);
    ASSERT_TRUE(store.Save(Product()));

    std::string key = std::string(kProduct) + "\\AlertandLog";
    auto values = KeyValues(HKEY_CURRENT_USER, key);
    std::vector<std::pair<std::string, StoredValue>> expected = {
        {"AlertLogEntryDetailsListNo", {REG_BINARY, Bytes({1, 0, 0, 0})}},
        {"LogFilePath", {REG_SZ, TextBytes("/var/log/hookwise.log")}},
        {"AlertEventsLevel", {REG_BINARY, Bytes({2, 0, 0, 0})}},
        {"ArchiveLogPeriodicDays", {REG_BINARY, Bytes({200})}},
        {"NoAlertView", {REG_BINARY, Bytes({0x2C, 0x01})}},
        {"ArchiveLogFile", {REG_BINARY, Bytes({0, 0, 0, 0})}},
        {"ArchiveLogFileStartTime",
         {REG_BINARY, Bytes({0xD9, 0x07, 12, 0, 1, 0, 7, 0, 14, 0, 5, 0, 9, 0, 123, 0})}},
    };
    EXPECT_EQ(values, expected);
    auto entry = KeyValues(HKEY_CURRENT_USER, key + "\\LogEntryDetails0");
    std::vector<std::pair<std::string, StoredValue>> expectedEntry = {
        {"Rating", {REG_SZ, TextBytes("High")}},
        {"DateTime", {REG_SZ, TextBytes(e.DateTime)}},
        {"Type", {REG_SZ, TextBytes("URL")}},
        {"Protocol", {REG_SZ, TextBytes("HTTP")}},
        {"Program", {REG_SZ, TextBytes("firefox")}},
        {"HostIP", {REG_SZ, TextBytes("192.0.2.1")}},
        {"StrictedData", {REG_SZ, TextBytes("http://bad/")}},
        {"ActionTaken", {REG_SZ, TextBytes("Block")}},
        {"Count", {REG_BINARY, Bytes({4, 3, 2, 1})}},
    };
    EXPECT_EQ(entry, expectedEntry);
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, key + "\\EventAlert0", "ShowAlert"),
              (StoredValue{REG_BINARY, Bytes({1, 0, 0, 0})}));
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, key + "\\EventAlert1", "ShowAlert"),
              (StoredValue{REG_BINARY, Bytes({0, 0, 0, 0})}));

    AlertLogStore loaded;
    loaded.Load(Product());
    EXPECT_EQ(loaded.LogFilePath, store.LogFilePath);
    EXPECT_EQ(loaded.AlertEventsLevel, 2);
    EXPECT_EQ(loaded.ArchiveLogPeriodicDays, 200);
    EXPECT_EQ(loaded.NoAlertView, 300); // both stored bytes are read back
    EXPECT_EQ(loaded.ArchiveLogFile, 0);
    EXPECT_EQ(loaded.ArchiveLogFileStartTime, store.ArchiveLogFileStartTime);
    EXPECT_EQ(loaded.EventAlerts[1].ShowAlert, 0);
    EXPECT_EQ(loaded.MailOnly, 1); // mirrors the web flag being off
    ASSERT_EQ(loaded.Count(), 1);
    EXPECT_EQ(loaded.EntryAt(0).Count, 0x01020304);
    EXPECT_EQ(loaded.EntryAt(0).DateTime, e.DateTime);

    auto before = DumpTree(HKEY_CURRENT_USER, key);
    SHDeleteKeyA(Product(), "AlertandLog");
    ASSERT_TRUE(loaded.Save(Product()));
    EXPECT_EQ(DumpTree(HKEY_CURRENT_USER, key), before);
}

TEST_F(AlertLog, LoadsOnlyWhatTheCountCoversAndKeepsDefaultsForMissingValues) {
    RegKey alert;
    RegCreateKeyExA(Product(), "AlertandLog", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, alert.Put(),
                    nullptr);
    WriteRegNumber(alert.Get(), "AlertLogEntryDetailsListNo", 1);
    WriteRegText(alert.Get(), "LogFilePath", ""); // empty: the default stays
    WriteRegNumber(alert.Get(), "AlertEventsLevel", 0x0201);
    for (int i : {0, 1, 2}) {
        RegKey entry;
        RegCreateKeyExA(alert.Get(), ("LogEntryDetails" + std::to_string(i)).c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, entry.Put(), nullptr);
        WriteRegText(entry.Get(), "Type", "IP");
    }
    RegKey mailFlag;
    RegCreateKeyExA(alert.Get(), "EventAlert0", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    mailFlag.Put(), nullptr);
    WriteRegNumber(mailFlag.Get(), "ShowAlert", 0);

    AlertLogStore store;
    store.Load(Product());
    ASSERT_EQ(store.Count(), 1);
    EXPECT_EQ(store.EntryAt(0).Type, "IP");
    EXPECT_EQ(store.EntryAt(0).Count, 1); // no "Count" stored
    EXPECT_EQ(store.EntryAt(0).Rating, "");
    EXPECT_EQ(store.LogFilePath, programFolder_ + "/HookWsLOG.log");
    EXPECT_EQ(store.AlertEventsLevel, 1); // the low byte
    EXPECT_EQ(store.EventAlerts[0].ShowAlert, 0);
    EXPECT_EQ(store.EventAlerts[1].ShowAlert, 1);
    EXPECT_EQ(store.MailOnly, 1);
}

TEST_F(AlertLog, AStoreBeyondTheBoundKeepsTheNewestEntries) {
    RegKey alert;
    RegCreateKeyExA(Product(), "AlertandLog", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, alert.Put(),
                    nullptr);
    std::size_t stored = kMaxAlertLogEntries + 3;
    {
        RegistryTransaction batch;
        WriteRegNumber(alert.Get(), "AlertLogEntryDetailsListNo",
                       static_cast<std::uint32_t>(stored));
        for (std::size_t i = 0; i < stored; ++i) {
            RegKey entry;
            RegCreateKeyExA(alert.Get(), ("LogEntryDetails" + std::to_string(i)).c_str(), 0,
                            nullptr, 0, KEY_ALL_ACCESS, nullptr, entry.Put(), nullptr);
            WriteRegText(entry.Get(), "StrictedData", std::to_string(i));
        }
        ASSERT_EQ(batch.Commit(), ERROR_SUCCESS);
    }
    AlertLogStore store;
    {
        RegistryTransaction reads; // as the start-up load does
        store.Load(Product());
    }
    ASSERT_EQ(store.Count(), static_cast<int>(kMaxAlertLogEntries));
    EXPECT_EQ(store.EntryAt(0).StrictedData, "3");
    EXPECT_EQ(store.EntryAt(store.Count() - 1).StrictedData, std::to_string(stored - 1));
}

TEST_F(AlertLog, AlertEventsLevelSetsTheFlags) {
    AlertLogStore store;
    store.ApplyAlertEventsLevel(2);
    EXPECT_FALSE(store.ShowMailAlert());
    EXPECT_FALSE(store.ShowWebAlert());
    store.MailOnly = 1;
    store.ApplyAlertEventsLevel(1);
    EXPECT_TRUE(store.ShowMailAlert());
    EXPECT_FALSE(store.ShowWebAlert());
    store.MailOnly = 0;
    store.ApplyAlertEventsLevel(1);
    EXPECT_FALSE(store.ShowMailAlert());
    EXPECT_TRUE(store.ShowWebAlert());
    store.ApplyAlertEventsLevel(0);
    EXPECT_TRUE(store.ShowMailAlert());
    EXPECT_TRUE(store.ShowWebAlert());
    store.ApplyAlertEventsLevel(7); // ignored
    EXPECT_EQ(store.AlertEventsLevel, 0);
}

struct DueRow {
    const char* name;
    SystemTime start;
    SystemTime now;
    std::uint8_t period;
    bool due = false;
};

void PrintTo(const DueRow& row, std::ostream* os) {
    *os << row.name;
}

const DueRow kDueRows[] = {
    {.name = "TurnOfTheMonthIsNotADay", .start = Day(1, 31), .now = Day(2, 1), .period = 1},
    {.name = "FiveOfSeven", .start = Day(3, 15), .now = Day(3, 20), .period = 7},
    {.name = "SevenOfSeven", .start = Day(3, 15), .now = Day(3, 22), .period = 7, .due = true},
    {.name = "PeriodZeroAlways", .start = Day(3, 15), .now = Day(3, 15), .period = 0, .due = true},
    {.name = "LaterMonthWrapsToDue",
     .start = Day(12, 20),
     .now = Day(1, 2, 2010),
     .period = 30,
     .due = true},
    {.name = "YearIgnored", .start = Day(3, 15, 2008), .now = Day(3, 16, 2009), .period = 2},
    {.name = "EightBitWrap",
     .start = Day(1, 1),
     .now = Day(9, 17),
     .period = 10}, // 256 days later: elapsed 0
};

class ArchiveDue : public AlertLog, public ::testing::WithParamInterface<DueRow> {};

TEST_P(ArchiveDue, CountsDaysAsMonthTimesThirtyInEightBits) {
    const DueRow& row = GetParam();
    AlertLogStore store;
    store.ArchiveLogFileStartTime = row.start;
    store.ArchiveLogPeriodicDays = row.period;
    EXPECT_EQ(store.IsArchiveDue(row.now), row.due);
    EXPECT_EQ(store.ArchiveLogFileStartTime, row.due ? row.now : row.start);
}

INSTANTIATE_TEST_SUITE_P(Periods, ArchiveDue, ::testing::ValuesIn(kDueRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AlertLogText, NowTextUsesEnglishNamesWhateverTheLocale) {
    std::regex format("(Sunday|Monday|Tuesday|Wednesday|Thursday|Friday|Saturday), "
                      "(January|February|March|April|May|June|July|August|September|October|"
                      "November|December) [0-3][0-9], [0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-6][0-9]");
    EXPECT_TRUE(std::regex_match(AlertLogStore::NowText(), format)) << AlertLogStore::NowText();
    EXPECT_EQ(FormatSystemTime(SystemTime{2009, 12, 1, 7, 14, 5, 9, 0}, "%A, %B %d, %Y %H:%M:%S"),
              "Monday, December 07, 2009 14:05:09");
    EXPECT_EQ(FormatSystemTime(SystemTime{2009, 13, 9, 7, 0, 0, 0, 0}, "%A %B %%"), "? ? %");
}

} // namespace
