// MailHeaderParser: label rules, value cutting and the presence flags.
#include "inspector/MailHeaderParser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct FromToRow {
    const char* name;
    const char* text;
    bool isMail = true;
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
    // A mail without a To line has an absent to field.
    EXPECT_EQ(parser.HasTo(), row.isMail && *row.to != '\0');
    EXPECT_STREQ(parser.GetFrom(), row.from);
    EXPECT_STREQ(parser.GetTo(), row.to);
}

std::string FromToName(const testing::TestParamInfo<FromToRow>& info) {
    return info.param.name;
}

const FromToRow kFromToRows[] = {
    {.name = "PlainLines",
     .text = "From: Alice Smith\r\nTo: Bob\r\n",
     .from = "alice smith",
     .to = "bob"},
    {.name = "FromWithoutToOrOthers",
     .text = "From: Alice\r\nBody\r\n",
     .isMail = false,
     .from = "",
     .to = ""},
    // Mail to hidden recipients: no To line, but a Subject or a Date line.
    {.name = "FromAndSubjectWithoutTo",
     .text = "From: Alice\r\nSubject: hi\r\n",
     .from = "alice",
     .to = ""},
    {.name = "FromAndDateWithoutTo",
     .text = "Date: Monday\r\nFrom: Alice\r\n",
     .from = "alice",
     .to = ""},
    {.name = "FromAndSentWithoutTo",
     .text = "From: Alice\r\nSent: Monday\r\n",
     .from = "alice",
     .to = ""},
    {.name = "SubjectWithoutFrom",
     .text = "Subject: hi\r\nDate: Monday\r\n",
     .isMail = false,
     .from = "",
     .to = ""},
    {.name = "ToWithoutFrom", .text = "To: Bob\r\n", .isMail = false, .from = "", .to = ""},
    {.name = "BlankBeforeColon", .text = "From : a\r\nTo : b\r\n", .from = "a", .to = "b"},
    {.name = "BlanksAroundLineAndValue",
     .text = "   From:    a b   \r\n  To: b\r\n",
     .from = "a b",
     .to = "b"},
    {.name = "FirstLineWins",
     .text = "From: first\r\nFrom: second\r\nTo: x\r\nTo: y\r\n",
     .from = "first",
     .to = "x"},
    {.name = "LabelInsideLineGivesLabelOn",
     .text = "Please reply to: me\r\nFrom: a\r\nTo: b\r\n",
     .from = "a",
     .to = "to: me"},
    {.name = "MailtoInsideLine",
     .text = "From: a\r\nwrite to mailto:x@y\r\nTo: b\r\n",
     .from = "a",
     .to = "to:x@y"},
    {.name = "ReplyToCountsAsTo",
     .text = "From: a\r\nReply-To: c\r\nTo: b\r\n",
     .from = "a",
     .to = "to: c"},
    {.name = "SameLineGivesBoth", .text = "From: a To: b\r\n", .from = "a to: b", .to = "to: b"},
    {.name = "UpperCaseLowered",
     .text = "FROM: ALICE@EXAMPLE.COM\r\nTO: BOB\r\n",
     .from = "alice@example.com",
     .to = "bob"},
    {.name = "EmptyValue", .text = "From:\r\nTo: b\r\n", .from = "", .to = "b"},
    {.name = "BareLineFeedsEndValuesAtLineEnd",
     .text = "From: a\nTo: b\nSubject: c\n",
     .from = "a",
     .to = "b"},
    {.name = "NoLineEndAtAll", .text = "From: a", .isMail = false, .from = "", .to = ""},
    {.name = "LastLineWithoutLineEnd", .text = "From: a\r\nTo: b", .from = "a", .to = "b"},
    {.name = "ValueCutAtLoneCarriageReturn",
     .text = "From: a\rb\r\nTo: c\r\n",
     .from = "a",
     .to = "c"},
    // A tab is no blank: the label is not at the start of the trimmed line.
    {.name = "TabBeforeLabelMakesItInside",
     .text = "\tFrom: a\r\nTo: b\r\n",
     .from = "from: a",
     .to = "b"},
    {.name = "OnlyLabelOrderWithinLine",
     .text = "To : x to: y\r\nFrom: a\r\n",
     .from = "a",
     .to = "to: y"},
    {.name = "EmptyText", .text = "", .isMail = false, .from = "", .to = ""},
};
INSTANTIATE_TEST_SUITE_P(Rows, FromTo, testing::ValuesIn(kFromToRows), FromToName);

enum class Field { Subject, Date, Attachment };

struct FieldRow {
    const char* name;
    Field field;
    const char* text;
    bool found = true;
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
    {.name = "SubjectBlanksEverywhere",
     .field = Field::Subject,
     .text = "  Subject :   Hello  \r\n",
     .value = "hello"},
    {.name = "SubjectInnerBlanksKept",
     .field = Field::Subject,
     .text = "Subject: a  b\r\n",
     .value = "a  b"},
    {.name = "SubjectMissing",
     .field = Field::Subject,
     .text = "From: a\r\n",
     .found = false,
     .value = ""},
    {.name = "SubjectFirstLineWins",
     .field = Field::Subject,
     .text = "Subject: one\r\nSubject: two\r\n",
     .value = "one"},
    {.name = "SubjectValueHasColon",
     .field = Field::Subject,
     .text = "Subject: re: hi\r\n",
     .value = "re: hi"},
    {.name = "SentGivesDate", .field = Field::Date, .text = "Sent: Monday\r\n", .value = "monday"},
    {.name = "DateBeforeSent",
     .field = Field::Date,
     .text = "Date: Tuesday\r\nSent: Monday\r\n",
     .value = "tuesday"},
    {.name = "SentBeforeDate",
     .field = Field::Date,
     .text = "Sent: Monday\r\nDate: Tuesday\r\n",
     .value = "monday"},
    {.name = "DateLabelOrderInLine",
     .field = Field::Date,
     .text = "x sent: a date: b\r\n",
     .value = "date: b"},
    {.name = "ConsentCountsAsSent",
     .field = Field::Date,
     .text = "I consent: yes\r\n",
     .value = "sent: yes"},
    {.name = "Attachment",
     .field = Field::Attachment,
     .text = "Attachment: file.zip\r\n",
     .value = "file.zip"},
    {.name = "Attachement",
     .field = Field::Attachment,
     .text = "Attachement: file.zip\r\n",
     .value = "file.zip"},
    {.name = "AttachementBlank",
     .field = Field::Attachment,
     .text = "Attachement : a.doc\r\n",
     .value = "a.doc"},
    {.name = "AttachmentsPluralNoLabel",
     .field = Field::Attachment,
     .text = "Attachments (2)\r\n",
     .found = false,
     .value = ""},
    {.name = "ValueEndsAtLineFeedWithoutCarriageReturn",
     .field = Field::Subject,
     .text = "Subject: a\nb\r\n",
     .value = "a"},
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

TEST(MailHeaderParser, TextAndHtmlFoldedInEveryScript) {
    MailHeaderParser parser;
    // UTF-8 capitals fold; bytes that are no UTF-8 (ISO-8859-1 "\xC4\xD6") stay as they are.
    parser.SetText("From: \xC4\xD6 A\r\nTo: \xC3\x89VE\r\nSubject: STRA\xC3\x9F"
                   "E \xCE\xA3\xCE\x9F\xCE\xA6\xCE\x97\r\n");
    ASSERT_TRUE(parser.ParseFromTo());
    parser.ParseAll();
    EXPECT_STREQ(parser.GetFrom(), "\xC4\xD6 a");
    EXPECT_STREQ(parser.GetTo(), "\xC3\xA9ve");
    EXPECT_STREQ(parser.GetSubject(), "strasse \xCF\x83\xCE\xBF\xCF\x86\xCE\xB7");
    parser.SetHtml("<A>\xD0\x9F\xD0\xA0\xD0\x98</A>");
    EXPECT_STREQ(parser.GetBody(), "<a>\xD0\xBF\xD1\x80\xD0\xB8</a>");
}

// The header of one mail in each interface language, as the web-mail clients show it.
struct LanguageRow {
    const char* name;
    const char* text;
    const char* from;
    const char* to;
    const char* subject;
    const char* date;
    const char* attachment;
};

class Languages : public testing::TestWithParam<LanguageRow> {};

TEST_P(Languages, FindsEveryField) {
    const LanguageRow& row = GetParam();
    MailHeaderParser parser;
    parser.SetText(row.text);
    ASSERT_TRUE(parser.ParseFromTo());
    parser.ParseAll();
    EXPECT_STREQ(parser.GetFrom(), row.from);
    EXPECT_STREQ(parser.GetTo(), row.to);
    EXPECT_STREQ(parser.GetSubject(), row.subject);
    EXPECT_STREQ(parser.GetDate(), row.date);
    EXPECT_STREQ(parser.GetAttachment(), row.attachment);
}

std::string LanguageName(const testing::TestParamInfo<LanguageRow>& info) {
    return info.param.name;
}

const LanguageRow kLanguageRows[] = {
    {.name = "German",
     .text = "Betreff: Konto\r\nVon: bank@x\r\nAn: ich@y\r\nDatum: heute\r\n"
             "Anhang: a.zip\r\n",
     .from = "bank@x",
     .to = "ich@y",
     .subject = "konto",
     .date = "heute",
     .attachment = "a.zip"},
    {.name = "GermanOutlook",
     .text = "Von: bank@x\r\nGesendet: Montag\r\nAn: ich@y\r\nBetreff: Konto\r\n",
     .from = "bank@x",
     .to = "ich@y",
     .subject = "konto",
     .date = "montag",
     .attachment = ""},
    {.name = "GermanPlural",
     .text = "Von: a\r\nAn: b\r\nAnh\xC3\xA4nge: c.pdf\r\n",
     .from = "a",
     .to = "b",
     .subject = "",
     .date = "",
     .attachment = "c.pdf"},
    // French typography puts a blank before the colon.
    {.name = "French",
     .text = "De : banque@x\r\n\xC3\x80 : moi@y\r\nObjet : S\xC3\x89\x43URIT\xC3\x89\r\n"
             "Date : lundi\r\nPi\xC3\xA8\x63\x65 jointe : f.pdf\r\n",
     .from = "banque@x",
     .to = "moi@y",
     .subject = "s\xC3\xA9\x63urit\xC3\xA9",
     .date = "lundi",
     .attachment = "f.pdf"},
    {.name = "Spanish",
     .text = "De: banco@x\r\nDestinatario: yo@y\r\nAsunto: Cuenta\r\nFecha: hoy\r\n"
             "Adjunto: a.zip\r\n",
     .from = "banco@x",
     .to = "yo@y",
     .subject = "cuenta",
     .date = "hoy",
     .attachment = "a.zip"},
    {.name = "SpanishGmail",
     .text = "De: banco@x\r\nPara: yo@y\r\nEnviado: lunes\r\n",
     .from = "banco@x",
     .to = "yo@y",
     .subject = "",
     .date = "lunes",
     .attachment = ""},
    {.name = "Portuguese",
     .text = "Assunto: VERIFICA\xC3\x87\xC3\x83O\r\nDe: banco@x\r\nPara: eu@y\r\n"
             "Data: hoje\r\nAnexo: a.zip\r\n",
     .from = "banco@x",
     .to = "eu@y",
     .subject = "verifica\xC3\xA7\xC3\xA3o",
     .date = "hoje",
     .attachment = "a.zip"},
    {.name = "Italian",
     .text = "Mittente: banca@x\r\nDestinatario: io@y\r\nOggetto: Conto\r\nData: oggi\r\n"
             "Allegato: a.zip\r\n",
     .from = "banca@x",
     .to = "io@y",
     .subject = "conto",
     .date = "oggi",
     .attachment = "a.zip"},
    {.name = "Dutch",
     .text = "Afzender: bank@x\r\nOntvanger: ik@y\r\nOnderwerp: Rekening\r\n"
             "Datum: vandaag\r\nBijlage: a.zip\r\n",
     .from = "bank@x",
     .to = "ik@y",
     .subject = "rekening",
     .date = "vandaag",
     .attachment = "a.zip"},
    {.name = "Flemish",
     .text = "Van: bank@x\r\nAan: ik@y\r\nVerzonden: maandag\r\n",
     .from = "bank@x",
     .to = "ik@y",
     .subject = "",
     .date = "maandag",
     .attachment = ""},
    {.name = "EnglishLabelsStillFirst",
     .text = "From: a\r\nVon: b\r\nTo: c\r\nAn: d\r\n",
     .from = "a",
     .to = "c",
     .subject = "",
     .date = "",
     .attachment = ""},
    {.name = "GermanWithoutTo",
     .text = "Von: bank@x\r\nBetreff: Konto\r\n",
     .from = "bank@x",
     .to = "",
     .subject = "konto",
     .date = "",
     .attachment = ""},
};
INSTANTIATE_TEST_SUITE_P(Rows, Languages, testing::ValuesIn(kLanguageRows), LanguageName);

// A label that is only the end of another field's label in another language does not count.
TEST(MailHeaderParser, NoLanguageShadowsAnotherField) {
    MailHeaderParser parser;
    // "van:" (From, Flemish) ends with the German To label "an:".
    parser.SetText("Van: bank@x\r\nOnderwerp: hallo\r\n");
    ASSERT_TRUE(parser.ParseFromTo());
    EXPECT_STREQ(parser.GetFrom(), "bank@x");
    EXPECT_FALSE(parser.HasTo());
    // "de:" is From in French, Spanish and Portuguese; "von:" stays From in German.
    parser.SetText("Von: a\r\nAn: b\r\n");
    ASSERT_TRUE(parser.ParseFromTo());
    EXPECT_STREQ(parser.GetFrom(), "a");
    EXPECT_STREQ(parser.GetTo(), "b");
    // A label of the same field inside a line still counts, as "reply-to:" does in English.
    parser.SetText("Von: a\r\nAntwort an: c\r\nAn: b\r\n");
    ASSERT_TRUE(parser.ParseFromTo());
    EXPECT_STREQ(parser.GetTo(), "an: c");
}

} // namespace
