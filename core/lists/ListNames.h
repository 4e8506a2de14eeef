// The display names and key texts of the protection lists: actions, protocols, item types and the
// key each detection is remembered under.
#pragma once

#include "engine/DetectionRecord.h"

#include <cstdint>
#include <string>

namespace hookwise::core {

// Item Action values and list Permission values.
constexpr std::int32_t kActionAllow = 0;
constexpr std::int32_t kActionBlock = 1;
constexpr std::int32_t kActionAsk = 2;
constexpr std::int32_t kPermissionAllowAll = 0;
constexpr std::int32_t kPermissionBlockAll = 1;
constexpr std::int32_t kPermissionPerItem = 2;

// 0, 1, 2 -> strings 7016, 7017, 7018 in the current language ("Allow", "Block", "Ask");
// any other value -> "".
std::string ActionName(std::int32_t action);

// 21 "FTP", 25 "SMTP", 80 and 8080 "HTTP", 110 "POP3", 143 "IMAP", anything else "Unknown".
std::string ProtocolName(std::int32_t port);

// 'F' "From", 'L' "Link", 'S' "Subject", 'T' "Message", anything else "".
std::string MailTypeName(char kind);

// The key of a mail detection by record.mail.kind: 'F' the sender, 'S' the subject, 'T' the
// matched text, 'L' "Called: '" + link target + "'" + LF + "Visible: '" + link text + "'",
// anything else "". Fields are read up to their terminator or their end.
std::string MailKeyText(const DetectionRecord& record);

// 'I' "IP", 'U' "URL", anything else "".
std::string WebTypeName(char kind);

// The key of a web detection by record.web.kind: 'I' the host address (HostAddressText), 'U'
// the URL, else "".
std::string WebKeyText(const DetectionRecord& record);

// The remote host address of a record. An IPv6 address does not fit the 20-byte field, so a
// host report ('I') also carries it whole in the URL field: that text is taken when it begins
// with the field's text; otherwise (older senders, other kinds) the field as it is.
std::string HostAddressText(const DetectionRecord& record);

// The record's port text read as C's atoi does (bounded by the field).
std::int32_t RecordPort(const DetectionRecord& record);

} // namespace hookwise::core
