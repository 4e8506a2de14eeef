// Display names and key texts of the protection lists.
#include "core/lists/ListNames.h"

#include "core/TextUtil.h"
#include "core/settings/LanguagePack.h"

namespace hookwise::core {

namespace {
template <std::size_t N> std::string FieldText(const char (&field)[N]) {
    return std::string(field, platform::FieldLength(field));
}
} // namespace

std::string ActionName(std::int32_t action) {
    switch (action) {
    case kActionAllow:
        return LoadText(kStrActionAllow);
    case kActionBlock:
        return LoadText(kStrActionBlock);
    case kActionAsk:
        return LoadText(kStrActionAsk);
    default:
        return "";
    }
}

std::string ProtocolName(std::int32_t port) {
    switch (port) {
    case 21:
        return "FTP";
    case 25:
        return "SMTP";
    case 80:
    case 8080:
        return "HTTP";
    case 110:
        return "POP3";
    case 143:
        return "IMAP";
    default:
        return "Unknown";
    }
}

std::string MailTypeName(char kind) {
    switch (kind) {
    case kKindFrom:
        return "From";
    case kKindLink:
        return "Link";
    case kKindSubject:
        return "Subject";
    case kKindText:
        return "Message";
    default:
        return "";
    }
}

std::string MailKeyText(const DetectionRecord& record) {
    switch (record.mail.kind) {
    case kKindFrom:
        return FieldText(record.mail.from);
    case kKindSubject:
        return FieldText(record.mail.subject);
    case kKindText:
        return FieldText(record.mail.matchedText);
    case kKindLink:
        return "Called: '" + FieldText(record.mail.linkTarget) + "'\nVisible: '" +
               FieldText(record.mail.linkText) + "'";
    default:
        return "";
    }
}

std::string WebTypeName(char kind) {
    switch (kind) {
    case kKindHost:
        return "IP";
    case kKindUrl:
        return "URL";
    default:
        return "";
    }
}

std::string WebKeyText(const DetectionRecord& record) {
    switch (record.web.kind) {
    case kKindHost:
        return HostAddressText(record);
    case kKindUrl:
        return FieldText(record.web.url);
    default:
        return "";
    }
}

std::string HostAddressText(const DetectionRecord& record) {
    std::string field = FieldText(record.hostAddress);
    if (record.web.kind != kKindHost || field.empty())
        return field;
    std::string whole = FieldText(record.web.url);
    return whole.size() > field.size() && whole.compare(0, field.size(), field) == 0 ? whole
                                                                                     : field;
}

std::int32_t RecordPort(const DetectionRecord& record) {
    return ParseLeadingInt(std::string_view(record.port, platform::FieldLength(record.port)));
}

} // namespace hookwise::core
