// DetectionRecord: the fixed 1681-byte record of one detection, as senders fill it and the tray
// program reads it, with the report codes and kind bytes.
#pragma once

#include "platform/FixedField.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

constexpr std::uint32_t kReportHost = 1125; // connection to a listed host address
constexpr std::uint32_t kReportUrl = 1126;  // request for a listed URL
constexpr std::uint32_t kReportMail = 1127; // phishing mail

constexpr char kKindHost = 'I';
constexpr char kKindUrl = 'U';
constexpr char kKindFrom = 'F';
constexpr char kKindSubject = 'S';
constexpr char kKindLink = 'L';
constexpr char kKindText = 'T';

// Web reports (1125, 1126) and mail reports (1127) share the first 392 bytes; from there the two
// layouts overlap, and the report code tells which one applies.
struct DetectionRecord {
    char senderPath[hookwise::platform::kFieldSize]; // 0
    char program[101];                               // 261
    char hostAddress[20];                            // 362
    char port[10];                                   // 382
    union {
        struct {
            char url[hookwise::platform::kFieldSize]; // 392
            char kind;                                // 653: 'I' or 'U'
        } web;
        struct {
            char from[101];                                   // 392
            char to[101];                                     // 493
            char subject[101];                                // 594
            char date[101];                                   // 695
            char attachment[101];                             // 796
            char matchedText[hookwise::platform::kFieldSize]; // 897
            char linkText[hookwise::platform::kFieldSize];    // 1158
            char linkTarget[hookwise::platform::kFieldSize];  // 1419
            char kind;                                        // 1680: 'F', 'S', 'L' or 'T'
        } mail;
    };
};

constexpr std::uint32_t kDetectionRecordSize = 1681; // the byte count every report carries

static_assert(sizeof(DetectionRecord) == kDetectionRecordSize);
static_assert(std::is_trivially_copyable_v<DetectionRecord>, "sent as raw bytes");
static_assert(offsetof(DetectionRecord, senderPath) == 0);
static_assert(offsetof(DetectionRecord, program) == 261);
static_assert(offsetof(DetectionRecord, hostAddress) == 362);
static_assert(offsetof(DetectionRecord, port) == 382);
static_assert(offsetof(DetectionRecord, web.url) == 392);
static_assert(offsetof(DetectionRecord, web.kind) == 653);
static_assert(offsetof(DetectionRecord, mail.from) == 392);
static_assert(offsetof(DetectionRecord, mail.to) == 493);
static_assert(offsetof(DetectionRecord, mail.subject) == 594);
static_assert(offsetof(DetectionRecord, mail.date) == 695);
static_assert(offsetof(DetectionRecord, mail.attachment) == 796);
static_assert(offsetof(DetectionRecord, mail.matchedText) == 897);
static_assert(offsetof(DetectionRecord, mail.linkText) == 1158);
static_assert(offsetof(DetectionRecord, mail.linkTarget) == 1419);
static_assert(offsetof(DetectionRecord, mail.kind) == 1680);

// Clears every byte of the record.
inline void ClearRecord(DetectionRecord& record) {
    std::memset(&record, 0, sizeof record);
}

// Fills the sender path (cut at 260 characters) and the program name: the part of the path after
// its last '/' (cut at 100 characters). A null path leaves both empty.
inline void FillSender(DetectionRecord& record, const char* senderPath) {
    hookwise::platform::ResetField(record.senderPath, senderPath);
    const char* name = senderPath ? std::strrchr(senderPath, '/') : nullptr;
    hookwise::platform::ResetField(record.program, name ? name + 1 : senderPath);
}

// Fills the remote host address (cut at 19 characters) and port (cut at 9 characters).
inline void FillEndpoint(DetectionRecord& record, const char* hostAddress, const char* port) {
    hookwise::platform::ResetField(record.hostAddress, hostAddress);
    hookwise::platform::ResetField(record.port, port);
}

// Fills the five mail header fields (UTF-8), each cleared first and cut at 100 bytes, before a
// character rather than inside one; null texts leave a field empty.
inline void FillMailHeaders(DetectionRecord& record, const char* from, const char* to,
                            const char* subject, const char* date, const char* attachment) {
    hookwise::platform::ResetFieldUtf8(record.mail.from, from);
    hookwise::platform::ResetFieldUtf8(record.mail.to, to);
    hookwise::platform::ResetFieldUtf8(record.mail.subject, subject);
    hookwise::platform::ResetFieldUtf8(record.mail.date, date);
    hookwise::platform::ResetFieldUtf8(record.mail.attachment, attachment);
}
