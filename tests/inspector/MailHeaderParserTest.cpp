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
    // A mail without a To line has an absent to field.
    EXPECT_EQ(parser.HasTo(), row.isMail && *row.to != '\0');
    EXPECT_STREQ(parser.GetFrom(), row.from);
    EXPECT_STREQ(parser.GetTo(), row.to);
}

std::string FromToName(const testing::TestParamInfo<FromToRow>& info) {
    return info.param.name;
}

const FromToRow kFromToRows[] = {
    {"PlainLines", "From: Alice Smith\r\nTo: Bob\r\n", true, "alice smith", "bob"},
    {"FromWithoutToOrOthers", "From: Alice\r\nBody\r\n", false, "", ""},
    // Mail to hidden recipients: no To line, but a Subject or a Date line.
    {"FromAndSubjectWithoutTo", "From: Alice\r\nSubject: hi\r\n", true, "alice", ""},
    {"FromAndDateWithoutTo", "Date: Monday\r\nFrom: Alice\r\n", true, "alice", ""},
    {"FromAndSentWithoutTo", "From: Alice\r\nSent: Monday\r\n", true, "alice", ""},
    {"SubjectWithoutFrom", "Subject: hi\r\nDate: Monday\r\n", false, "", ""},
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
    {"German",
     "Betreff: Konto\r\nVon: bank@x\r\nAn: ich@y\r\nDatum: heute\r\n"
     "Anhang: a.zip\r\n",
     "bank@x", "ich@y", "konto", "heute", "a.zip"},
    {"GermanOutlook", "Von: bank@x\r\nGesendet: Montag\r\nAn: ich@y\r\nBetreff: Konto\r\n",
     "bank@x", "ich@y", "konto", "montag", ""},
    {"GermanPlural", "Von: a\r\nAn: b\r\nAnh\xC3\xA4nge: c.pdf\r\n", "a", "b", "", "", "c.pdf"},
    // French typography puts a blank before the colon.
    {"French",
     "De : banque@x\r\n\xC3\x80 : moi@y\r\nObjet : S\xC3\x89\x43URIT\xC3\x89\r\n"
     "Date : lundi\r\nPi\xC3\xA8\x63\x65 jointe : f.pdf\r\n",
     "banque@x", "moi@y", "s\xC3\xA9\x63urit\xC3\xA9", "lundi", "f.pdf"},
    {"Spanish",
     "De: banco@x\r\nDestinatario: yo@y\r\nAsunto: Cuenta\r\nFecha: hoy\r\n"
     "Adjunto: a.zip\r\n",
     "banco@x", "yo@y", "cuenta", "hoy", "a.zip"},
    {"SpanishGmail", "De: banco@x\r\nPara: yo@y\r\nEnviado: lunes\r\n", "banco@x", "yo@y", "",
     "lunes", ""},
    {"Portuguese",
     "Assunto: VERIFICA\xC3\x87\xC3\x83O\r\nDe: banco@x\r\nPara: eu@y\r\n"
     "Data: hoje\r\nAnexo: a.zip\r\n",
     "banco@x", "eu@y", "verifica\xC3\xA7\xC3\xA3o", "hoje", "a.zip"},
    {"Italian",
     "Mittente: banca@x\r\nDestinatario: io@y\r\nOggetto: Conto\r\nData: oggi\r\n"
     "Allegato: a.zip\r\n",
     "banca@x", "io@y", "conto", "oggi", "a.zip"},
    {"Dutch",
     "Afzender: bank@x\r\nOntvanger: ik@y\r\nOnderwerp: Rekening\r\n"
     "Datum: vandaag\r\nBijlage: a.zip\r\n",
     "bank@x", "ik@y", "rekening", "vandaag", "a.zip"},
    {"Flemish", "Van: bank@x\r\nAan: ik@y\r\nVerzonden: maandag\r\n", "bank@x", "ik@y", "",
     "maandag", ""},
    {"EnglishLabelsStillFirst", "From: a\r\nVon: b\r\nTo: c\r\nAn: d\r\n", "a", "c", "", "", ""},
    {"GermanWithoutTo", "Von: bank@x\r\nBetreff: Konto\r\n", "bank@x", "", "konto", "", ""},
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
