// The COM-style value types the inspector's page capture rests on (BSTR lengths, text
// conversion to single bytes and from UTF-8, GUID text), and the warning page it shows.
#include "platform/ComTypes.h"

#include "inspector/HTMLSourceParser.h"
#include "inspector/MailHeaderParser.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace {

TEST(Bstr, KeepsItsLengthAndEmbeddedNuls) {
    const WCHAR text[] = {u'a', 0, u'b'};
    BStr value(SysAllocStringLen(text, 3));
    ASSERT_NE(value.Get(), nullptr);
    EXPECT_EQ(value.Length(), 3u);
    EXPECT_EQ(value.Get()[3], 0);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    BStr empty(SysAllocStringFromUtf8(""));
    ASSERT_NE(empty.Get(), nullptr) << "an empty text is not the null string";
    EXPECT_EQ(empty.Length(), 0u);
}

struct ConversionRow {
    const char* name;
    std::string utf8;
    std::string singleByte;
};

// Shown as the row's name in test listings.
void PrintTo(const ConversionRow& row, std::ostream* out) {
    *out << row.name;
}

const ConversionRow kConversionRows[] = {
    {"Ascii", "From: a@b.example\r\n", "From: a@b.example\r\n"},
    {"Latin1", "Caf\xC3\xA9 \xC3\xBC", "Caf\xE9 \xFC"},
    {"Cp1252Extras", "\xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D \xE2\x80\x93", "\x80 \x93q\x94 \x96"},
    {"NoSingleByteForm", "\xE6\x97\xA5\xE6\x9C\xAC x", "?? x"},
    {"SurrogatePairIsOneCharacter", "\xF0\x9F\x98\x80!", "?!"},
    {"InvalidUtf8", "a\xFF\xC3(b",
     "a?"
     "?(b"},
    {"TruncatedSequence", "ab\xE2\x82", "ab??"},
    {"NulEndsTheText", std::string("ab\0cd", 5), "ab"},
};

class Conversion : public testing::TestWithParam<ConversionRow> {};

TEST_P(Conversion, ToSingleBytes) {
    BStr wide(SysAllocStringFromUtf8(GetParam().utf8));
    EXPECT_EQ(AnsiFromBstr(wide.Get()), GetParam().singleByte);
}

INSTANTIATE_TEST_SUITE_P(Com, Conversion, testing::ValuesIn(kConversionRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Conversion, Utf8RoundTrip) {
    const std::string text = "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80";
    BStr wide(SysAllocStringFromUtf8(text));
    EXPECT_EQ(wide.Length(), 9u);
    EXPECT_EQ(Utf8FromBstr(wide.Get()), text);
}

TEST(Guid, RegistryForm) {
    EXPECT_EQ(GuidToString(CLSID_HTMLSourceParser), "{49CAC2AD-79FB-4B91-BB70-0239D2E43485}");
    EXPECT_EQ(GuidToString(IID_IHTMLSourceParser), "{9110AFE3-D977-4E50-8ABE-48A833E9C29B}");
    EXPECT_FALSE(IsEqualGUID(CLSID_HTMLSourceParser, IID_IHTMLSourceParser));
}

// ---- warning page ----

std::string ReadWarningPage() {
    std::ifstream in(std::string(HOOKWISE_SOURCE_DIR) + "/data/pages/hkwpm.htm");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(WarningPage, IsSelfContained) {
    std::string page = ReadWarningPage();
    ASSERT_FALSE(page.empty());
    EXPECT_NE(page.find("Hookwise"), std::string::npos);
    // No stylesheet, script, image or font is fetched from anywhere.
    EXPECT_FALSE(std::regex_search(page, std::regex(R"((src|href)\s*=)", std::regex::icase)));
    EXPECT_FALSE(std::regex_search(page, std::regex(R"(url\s*\(|@import)", std::regex::icase)));
}

TEST(WarningPage, IsNoMailItself) {
    // The inspector analyses the warning page like any page; it must never look like a mail.
    std::string text = std::regex_replace(ReadWarningPage(), std::regex("<[^>]*>"), "\r\n");
    MailHeaderParser parser;
    parser.SetText(text.c_str());
    EXPECT_FALSE(parser.ParseFromTo());
}

} // namespace
