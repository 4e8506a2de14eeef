// DetectionRecord: every field at its byte offset, and bounded fills that never spill over.
#include "engine/DetectionRecord.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

using namespace hookwise::platform;

namespace {

using Bytes = std::array<unsigned char, kDetectionRecordSize>;

Bytes RawBytes(const DetectionRecord& record) {
    Bytes bytes;
    std::memcpy(bytes.data(), &record, bytes.size());
    return bytes;
}

// The zero-terminated text at offset in the raw bytes, read at most size bytes.
std::string TextAt(const Bytes& bytes, std::size_t offset, std::size_t size) {
    const char* start = reinterpret_cast<const char*>(bytes.data() + offset);
    return std::string(start, strnlen(start, size));
}

struct FieldRow {
    const char* name;
    std::size_t offset;
    std::size_t size;
    char* (*field)(DetectionRecord&);
};

#define FIELD(member) [](DetectionRecord& r) -> char* { return r.member; }

const FieldRow kWebFields[] = {
    {"SenderPath", 0, 261, FIELD(senderPath)},
    {"Program", 261, 101, FIELD(program)},
    {"HostAddress", 362, 20, FIELD(hostAddress)},
    {"Port", 382, 10, FIELD(port)},
    {"Url", 392, 261, FIELD(web.url)},
};

const FieldRow kMailFields[] = {
    {"From", 392, 101, FIELD(mail.from)},
    {"To", 493, 101, FIELD(mail.to)},
    {"Subject", 594, 101, FIELD(mail.subject)},
    {"Date", 695, 101, FIELD(mail.date)},
    {"Attachment", 796, 101, FIELD(mail.attachment)},
    {"MatchedText", 897, 261, FIELD(mail.matchedText)},
    {"LinkText", 1158, 261, FIELD(mail.linkText)},
    {"LinkTarget", 1419, 261, FIELD(mail.linkTarget)},
};

// Fills every field of a layout with its own text, then reads all of them back as raw bytes.
void CheckLayout(const FieldRow* rows, std::size_t count, std::size_t kindOffset, char kind) {
    DetectionRecord record;
    ClearRecord(record);
    for (std::size_t i = 0; i < count; ++i) {
        std::string text = std::string(rows[i].name) + "#" + std::to_string(i);
        CopyField(rows[i].field(record), rows[i].size, text.c_str());
    }
    if (kindOffset == 653)
        record.web.kind = kind;
    else
        record.mail.kind = kind;
    Bytes bytes = RawBytes(record);
    for (std::size_t i = 0; i < count; ++i) {
        EXPECT_EQ(TextAt(bytes, rows[i].offset, rows[i].size),
                  std::string(rows[i].name) + "#" + std::to_string(i))
            << rows[i].name;
    }
    EXPECT_EQ(bytes[kindOffset], static_cast<unsigned char>(kind));
}

TEST(DetectionRecordLayout, WebFieldsAtTheirOffsets) {
    CheckLayout(kWebFields, std::size(kWebFields), 653, kKindUrl);
}

TEST(DetectionRecordLayout, MailFieldsAtTheirOffsets) {
    CheckLayout(kWebFields, 4, 1680, kKindLink); // the common part
    CheckLayout(kMailFields, std::size(kMailFields), 1680, kKindLink);
}

TEST(DetectionRecordLayout, CodesAndKindBytes) {
    EXPECT_EQ(kReportHost, 1125u);
    EXPECT_EQ(kReportUrl, 1126u);
    EXPECT_EQ(kReportMail, 1127u);
    EXPECT_EQ(kKindHost, 0x49);
    EXPECT_EQ(kKindUrl, 0x55);
    EXPECT_EQ(kKindFrom, 0x46);
    EXPECT_EQ(kKindSubject, 0x53);
    EXPECT_EQ(kKindLink, 0x4C);
    EXPECT_EQ(kKindText, 0x54);
}

class BoundedFill : public testing::TestWithParam<FieldRow> {};

// A text far longer than the field is cut to size-1 characters and terminated; the bytes before
// and after the field keep their values.
TEST_P(BoundedFill, CutsAndTerminates) {
    const FieldRow& row = GetParam();
    DetectionRecord record;
    std::memset(&record, 0x5A, sizeof record);
    const std::string longText(2000, 'q');
    CopyField(row.field(record), row.size, longText.c_str());
    Bytes bytes = RawBytes(record);
    EXPECT_EQ(TextAt(bytes, row.offset, row.size), std::string(row.size - 1, 'q'));
    EXPECT_EQ(bytes[row.offset + row.size - 1], 0);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i < row.offset || i >= row.offset + row.size) {
            ASSERT_EQ(bytes[i], 0x5A) << "byte " << i << " outside " << row.name;
        }
    }
}

std::string RowName(const testing::TestParamInfo<FieldRow>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Web, BoundedFill, testing::ValuesIn(kWebFields), RowName);
INSTANTIATE_TEST_SUITE_P(Mail, BoundedFill, testing::ValuesIn(kMailFields), RowName);

TEST(DetectionRecordFill, ExactFitAndEmpty) {
    DetectionRecord record;
    ClearRecord(record);
    CopyField(record.port, "123456789");
    EXPECT_STREQ(record.port, "123456789");
    CopyField(record.port, "1234567890");
    EXPECT_STREQ(record.port, "123456789");
    CopyField(record.port, nullptr);
    EXPECT_STREQ(record.port, "");
    CopyField(record.port, 0, "x"); // a zero-size field is left alone
    EXPECT_STREQ(record.port, "");
}

TEST(DetectionRecordFill, ResetFieldLeavesNoOldBytes) {
    DetectionRecord record;
    std::memset(&record, 'o', sizeof record);
    ResetField(record.mail.subject, "new");
    Bytes bytes = RawBytes(record);
    EXPECT_EQ(TextAt(bytes, 594, 101), "new");
    for (std::size_t i = 594 + 3; i < 594 + 101; ++i)
        ASSERT_EQ(bytes[i], 0) << "byte " << i;
    EXPECT_EQ(bytes[695], 'o');
}

TEST(DetectionRecordFill, SenderAndProgram) {
    DetectionRecord record;
    ClearRecord(record);
    FillSender(record, "/usr/lib/chromium/chromium");
    EXPECT_STREQ(record.senderPath, "/usr/lib/chromium/chromium");
    EXPECT_STREQ(record.program, "chromium");
    FillSender(record, "plain");
    EXPECT_STREQ(record.program, "plain");
    const std::string longName = "/x/" + std::string(300, 'n');
    FillSender(record, longName.c_str());
    EXPECT_EQ(FieldString(record.senderPath), longName.substr(0, 260));
    EXPECT_EQ(FieldString(record.program), std::string(100, 'n'));
    FillSender(record, nullptr);
    EXPECT_STREQ(record.senderPath, "");
    EXPECT_STREQ(record.program, "");
}

TEST(DetectionRecordFill, MailHeadersCutAt100) {
    DetectionRecord record;
    std::memset(&record, 'o', sizeof record);
    const std::string longText(150, 's');
    FillEndpoint(record, "", "80");
    FillMailHeaders(record, "from", "to", longText.c_str(), nullptr, "a.zip");
    EXPECT_STREQ(record.hostAddress, "");
    EXPECT_STREQ(record.port, "80");
    EXPECT_STREQ(record.mail.from, "from");
    EXPECT_STREQ(record.mail.to, "to");
    EXPECT_EQ(FieldString(record.mail.subject), std::string(100, 's'));
    EXPECT_STREQ(record.mail.date, "");
    EXPECT_STREQ(record.mail.attachment, "a.zip");
    EXPECT_EQ(RawBytes(record)[897], 'o') << "matched text is not a header field";
}

TEST(DetectionRecordFill, MailHeadersCutBeforeACharacterNotInsideIt) {
    DetectionRecord record;
    std::memset(&record, 'o', sizeof record);
    // 99 ASCII bytes and a two-byte character: the character does not fit and is left out whole.
    const std::string subject = std::string(99, 's') + "\xC3\xA9" + "tail";
    const std::string from = std::string(98, 'f') + "\xC3\xA9" + "tail"; // fits exactly
    FillMailHeaders(record, from.c_str(), nullptr, subject.c_str(), nullptr, nullptr);
    EXPECT_EQ(FieldString(record.mail.subject), std::string(99, 's'));
    EXPECT_EQ(FieldString(record.mail.from), std::string(98, 'f') + "\xC3\xA9");
    EXPECT_STREQ(record.mail.to, "");
    EXPECT_EQ(RawBytes(record)[offsetof(DetectionRecord, mail.subject) + 100], '\0')
        << "the rest of the field is cleared";
}

TEST(DetectionRecordRead, UnterminatedFieldReadToItsEnd) {
    DetectionRecord record;
    std::memset(&record, 'u', sizeof record);
    EXPECT_EQ(FieldLength(record.port), 10u);
    EXPECT_EQ(FieldString(record.hostAddress), std::string(20, 'u'));
}

} // namespace
