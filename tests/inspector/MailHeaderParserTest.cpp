// MailHeaderParser: label rules, value cutting and the presence flags.
#include "inspector/MailHeaderParser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct FromToRow {
    const char* name;
    const char* text;
    bool isMail;
    const char* from;
    const char* to;
};

class FromTo : public testing::TestWithParam<FromToRow> {};

TEST_P(FromTo, FindsBothOrNeither) {
    const FromToRow& row = GetParam();
    MailHeaderParser parser;
    parser.SetText(row.text);
    EXPECT_EQ(parser.ParseFromTo(), row.isMail);
    EXPECT_EQ(parser.HasFrom(), row.isMail);
    EXPECT_EQ(parser.HasTo(), row.isMail);
    EXPECT_STREQ(parser.GetFrom(), row.from);
    EXPECT_STREQ(parser.GetTo(), row.to);
}

std::string FromToName(const testing::TestParamInfo<FromToRow>& info) {
    return info.param.name;
}

const FromToRow kFromToRows[] = {
    {"PlainLines", "From: Alice Smith\r\nTo: Bob\r\n", true, "alice smith", "bob"},
    {"FromWithoutTo", "From: Alice\r\nSubject: hi\r\n", false, "", ""},
    {"ToWithoutFrom", "To: Bob\r\n", false, "", ""},
    {"BlankBeforeColon", "From : a\r\nTo : b\r\n", true, "a", "b"},
    {"BlanksAroundLineAndValue", "   From:    a b   \r\n  To: b\r\n", true, "a b", "b"},
    {"FirstLineWins", "From: first\r\nFrom: second\r\nTo: x\r\nTo: y\r\n", true, "first", "x"},
    {"LabelInsideLineGivesLabelOn", "Please reply to: me\r\nFrom: a\r\nTo: b\r\n", true, "a",
     "to: me"},
    {"MailtoInsideLine", "From: a\r\nwrite to mailto:x@y\r\nTo: b\r\n", true, "a", "to:x@y"},
    {"ReplyToCountsAsTo", "From: a\r\nReply-To: c\r\nTo: b\r\n", true, "a", "to: c"},
    {"SameLineGivesBoth", "From: a To: b\r\n", true, "a to: b", "to: b"},
    {"UpperCaseLowered", "FROM: ALICE@EXAMPLE.COM\r\nTO: BOB\r\n", true, "alice@example.com",
     "bob"},
    {"EmptyValue", "From:\r\nTo: b\r\n", true, "", "b"},
    {"BareLineFeedsEndValuesAtLineEnd", "From: a\nTo: b\nSubject: c\n", true, "a", "b"},
    {"NoLineEndAtAll", "From: a", false, "", ""},
    {"LastLineWithoutLineEnd", "From: a\r\nTo: b", true, "a", "b"},
    {"ValueCutAtLoneCarriageReturn", "From: a\rb\r\nTo: c\r\n", true, "a", "c"},
    // A tab is no blank: the label is not at the start of the trimmed line.
    {"TabBeforeLabelMakesItInside", "\tFrom: a\r\nTo: b\r\n", true, "from: a", "b"},
    {"OnlyLabelOrderWithinLine", "To : x to: y\r\nFrom: a\r\n", true, "a", "to: y"},
    {"EmptyText", "", false, "", ""},
};
INSTANTIATE_TEST_SUITE_P(Rows, FromTo, testing::ValuesIn(kFromToRows), FromToName);

enum class Field { Subject, Date, Attachment };

struct FieldRow {
    const char* name;
    Field field;
    const char* text;
    bool found;
    const char* value;
};

class OneField : public testing::TestWithParam<FieldRow> {};

TEST_P(OneField, FindsValue) {
    const FieldRow& row = GetParam();
    MailHeaderParser parser;
    parser.SetText(row.text);
    bool found = false;
    std::string value;
    switch (row.field) {
    case Field::Subject:
        found = parser.ParseSubject();
        value = parser.GetSubject();
        EXPECT_EQ(parser.HasSubject(), found);
        break;
    case Field::Date:
        found = parser.ParseDate();
        value = parser.GetDate();
        EXPECT_EQ(parser.HasDate(), found);
        break;
    case Field::Attachment:
        found = parser.ParseAttachment();
        value = parser.GetAttachment();
        EXPECT_EQ(parser.HasAttachment(), found);
        break;
    }
    EXPECT_EQ(found, row.found);
    EXPECT_EQ(value, row.value);
}

std::string FieldName(const testing::TestParamInfo<FieldRow>& info) {
    return info.param.name;
}

const FieldRow kFieldRows[] = {
    {"SubjectBlanksEverywhere", Field::Subject, "  Subject :   Hello  \r\n", true, "hello"},
    {"SubjectInnerBlanksKept", Field::Subject, "Subject: a  b\r\n", true, "a  b"},
    {"SubjectMissing", Field::Subject, "From: a\r\n", false, ""},
    {"SubjectFirstLineWins", Field::Subject, "Subject: one\r\nSubject: two\r\n", true, "one"},
    {"SubjectValueHasColon", Field::Subject, "Subject: re: hi\r\n", true, "re: hi"},
    {"SentGivesDate", Field::Date, "Sent: Monday\r\n", true, "monday"},
    {"DateBeforeSent", Field::Date, "Date: Tuesday\r\nSent: Monday\r\n", true, "tuesday"},
    {"SentBeforeDate", Field::Date, "Sent: Monday\r\nDate: Tuesday\r\n", true, "monday"},
    {"DateLabelOrderInLine", Field::Date, "x sent: a date: b\r\n", true, "date: b"},
    {"ConsentCountsAsSent", Field::Date, "I consent: yes\r\n", true, "sent: yes"},
    {"Attachment", Field::Attachment, "Attachment: file.zip\r\n", true, "file.zip"},
    {"Attachement", Field::Attachment, "Attachement: file.zip\r\n", true, "file.zip"},
    {"AttachementBlank", Field::Attachment, "Attachement : a.doc\r\n", true, "a.doc"},
    {"AttachmentsPluralNoLabel", Field::Attachment, "Attachments (2)\r\n", false, ""},
    {"ValueEndsAtLineFeedWithoutCarriageReturn", Field::Subject, "Subject: a\nb\r\n", true, "a"},
};
INSTANTIATE_TEST_SUITE_P(Rows, OneField, testing::ValuesIn(kFieldRows), FieldName);

const char kMail[] = "Inbox\r\nFrom: Alice\r\nTo: Bob\r\nSubject: Hi\r\nDate: Mon\r\n"
                     "Attachment: a.zip\r\n\r\nBody TEXT\r\n";

TEST(MailHeaderParser, ParseAllFillsEveryFieldAndFlag) {
    MailHeaderParser parser;
    parser.SetText(kMail);
    ASSERT_TRUE(parser.ParseFromTo());
    parser.ParseAll();
    EXPECT_STREQ(parser.GetSubject(), "hi");
    EXPECT_STREQ(parser.GetDate(), "mon");
    EXPECT_STREQ(parser.GetAttachment(), "a.zip");
    EXPECT_TRUE(parser.HasBody());
    EXPECT_STREQ(parser.GetBody(), "inbox\r\nfrom: alice\r\nto: bob\r\nsubject: hi\r\ndate: mon\r\n"
                                   "attachment: a.zip\r\n\r\nbody text\r\n");
    EXPECT_EQ(parser.GetFlags(), 0x1u | 0x10u | 0x100u | 0x1000u | 0x100000u | 0x1000000u);
}

TEST(MailHeaderParser, ParseAllWithMissingFieldsLeavesThemAbsent) {
    MailHeaderParser parser;
    parser.SetText("From: a\r\nTo: b\r\n");
    ASSERT_TRUE(parser.ParseFromTo());
    parser.ParseAll();
    EXPECT_FALSE(parser.HasSubject());
    EXPECT_FALSE(parser.HasDate());
    EXPECT_FALSE(parser.HasAttachment());
    EXPECT_TRUE(parser.HasBody());
    EXPECT_EQ(parser.GetFlags(), 0x1u | 0x10u | 0x1000000u);
}

TEST(MailHeaderParser, NoTextFindsNothing) {
    MailHeaderParser parser;
    parser.SetText(nullptr);
    EXPECT_FALSE(parser.ParseFromTo());
    EXPECT_FALSE(parser.ParseSubject());
    EXPECT_FALSE(parser.ParseDate());
    EXPECT_FALSE(parser.ParseAttachment());
    parser.ParseAll();
    parser.TakeBody();
    EXPECT_EQ(parser.GetFlags(), 0u);
    EXPECT_STREQ(parser.GetBody(), "");
}

TEST(MailHeaderParser, SetTextClearsEverything) {
    MailHeaderParser parser;
    parser.SetText(kMail);
    ASSERT_TRUE(parser.ParseFromTo());
    parser.ParseAll();
    parser.SetText("nothing");
    EXPECT_EQ(parser.GetFlags(), 0u);
    EXPECT_STREQ(parser.GetFrom(), "");
    EXPECT_STREQ(parser.GetSubject(), "");
    EXPECT_STREQ(parser.GetBody(), "");
}

TEST(MailHeaderParser, SetHtmlReplacesBodyWithoutSettingItsFlag) {
    MailHeaderParser parser;
    parser.SetText(kMail);
    parser.SetHtml("<A HREF=X>Y</A>");
    EXPECT_FALSE(parser.HasBody());
    EXPECT_STREQ(parser.GetBody(), "");
    parser.TakeBody();
    parser.SetHtml("<A HREF=X>Y</A>");
    EXPECT_TRUE(parser.HasBody());
    EXPECT_STREQ(parser.GetBody(), "<a href=x>y</a>");
    parser.SetHtml(nullptr);
    EXPECT_STREQ(parser.GetBody(), "");
}

TEST(MailHeaderParser, OnlyAsciiLettersLowered) {
    MailHeaderParser parser;
    parser.SetText("From: \xC4\xD6 A\r\nTo: b\r\n");
    ASSERT_TRUE(parser.ParseFromTo());
    EXPECT_STREQ(parser.GetFrom(), "\xC4\xD6 a");
}

} // namespace
