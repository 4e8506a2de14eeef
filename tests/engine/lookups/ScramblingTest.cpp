// The additive text scrambling: escapes, known scrambled bytes, the round trip, the dropped zero,
// and the allocation-free forms the walks use against the string forms.
#include "engine/LSPGlobals.h"
#include "engine/TextScrambler.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

struct EncodeRow {
    const char* name;
    unsigned char byte;
    std::string encoded;
};

const EncodeRow kEncodeRows[] = {
    {"Semicolon", 0x3B, "\xBB"},
    {"Equals", 0x3D, "\xBD"},
    {"Letter", 0x41, "A"},
    {"Zero", 0x00, ""},
    {"EscapeValueItself", 0xBB, "\xBB"},
    {"HighByte", 0x80, "\x80"},
};

class Encode : public testing::TestWithParam<EncodeRow> {};

TEST_P(Encode, EscapesOnlySemicolonAndEquals) {
    EXPECT_EQ(CLSPGlobals::Encode(GetParam().byte), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(Bytes, Encode, testing::ValuesIn(kEncodeRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Decode, UnescapesAndUsesFirstCharacter) {
    EXPECT_EQ(CLSPGlobals::Decode("\xBD"), 0x3D);
    EXPECT_EQ(CLSPGlobals::Decode("\xBB"), 0x3B);
    EXPECT_EQ(CLSPGlobals::Decode("A"), 0x41);
    EXPECT_EQ(CLSPGlobals::Decode("AB"), 0x41);
    EXPECT_EQ(CLSPGlobals::Decode(""), 0x00);
    EXPECT_EQ(CLSPGlobals::Decode("\xBC"), 0xBC);
}

struct ScrambleRow {
    const char* name;
    std::string plain;
    std::string scrambled;
};

// The key is "8305716": 0x38 0x33 0x30 0x35 0x37 0x31 0x36.
const ScrambleRow kScrambleRows[] = {
    {"Empty", "", ""},
    {"OneLetter", "A", "\x79"},
    {"KeyAdvancesPerPosition", "abc", "\x99\x95\x93"},
    {"KeyRepeatsAfterSeven", "aaaaaaaa", "\x99\x94\x91\x96\x98\x92\x97\x99"},
    {"SumSemicolonEscaped", "\x03", "\xBB"},
    {"SumEqualsEscaped", "\x05", "\xBD"},
    {"SumSemicolonAtSecondPosition", "a\x08", "\x99\xBB"},
    {"SumWrapsModulo256", "\xFF", "\x37"},
    {"ZeroSumDropped", "\xC8", ""},
    // The dropped position still uses up its key byte: 'b' is scrambled with key[2].
    {"ZeroSumInsideDropped",
     "a\xCD"
     "b",
     "\x99\x92"},
};

class Scramble : public testing::TestWithParam<ScrambleRow> {};

TEST_P(Scramble, GivesKnownBytes) {
    EXPECT_EQ(CLSPGlobals::EncryptString(GetParam().plain), GetParam().scrambled);
}

INSTANTIATE_TEST_SUITE_P(Texts, Scramble, testing::ValuesIn(kScrambleRows),
                         [](const auto& info) { return std::string(info.param.name); });

std::string AllBytesFrom(int first, int last) {
    std::string text;
    for (int b = first; b <= last; ++b)
        text.push_back(static_cast<char>(b));
    return text;
}

TEST(ScrambleRoundTrip, GivesBackEveryTextBelow0x80) {
    const std::vector<std::string> texts = {
        "",
        "hello",
        "http://login.example-bank.com/verify?id=1&x=2",
        "a;b=c;;==",
        "UPPER lower 0123456789",
        AllBytesFrom(0x01, 0x7F),
        std::string(260, 'z'),
    };
    for (const std::string& text : texts) {
        std::string scrambled = CLSPGlobals::EncryptString(text);
        EXPECT_EQ(scrambled.size(), text.size());
        EXPECT_EQ(scrambled.find_first_of(";="), std::string::npos) << text;
        EXPECT_EQ(CLSPGlobals::DecryptString(scrambled), text);
    }
}

TEST(ScrambleRoundTrip, DroppedZeroShortensAndBreaksTheRoundTrip) {
    std::string plain = "a\xCD"
                        "b";
    std::string scrambled = CLSPGlobals::EncryptString(plain);
    EXPECT_EQ(scrambled.size(), plain.size() - 1);
    // Unscrambling keys by position, so every byte after the gap comes back shifted.
    EXPECT_EQ(CLSPGlobals::DecryptString(scrambled), "a_");
}

TEST(ScrambleRoundTrip, HighByteThatMeetsAnEscapeDoesNotComeBack) {
    // 0x83 + '8' is 0xBB, which unscrambles as an escaped ';'.
    EXPECT_EQ(CLSPGlobals::EncryptString("\x83"), "\xBB");
    EXPECT_EQ(CLSPGlobals::DecryptString("\xBB"), "\x03");
}

TEST(ScrambleRoundTrip, DecryptKeepsZeroBytes) {
    // '3' at the second position unscrambles to 0; the string form keeps it.
    EXPECT_EQ(CLSPGlobals::DecryptString("\x99"
                                         "3\x93"),
              "a\0c"s);
}

TEST(TextScrambler, MatchesTheStringFormsOnRandomBytes) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> length(0, 40);
    std::uniform_int_distribution<int> byte(0, 255);
    char buffer[64];
    for (int round = 0; round < 5000; ++round) {
        std::string text;
        int n = length(random);
        for (int i = 0; i < n; ++i)
            text.push_back(static_cast<char>(byte(random)));

        std::size_t scrambledLength = ScrambleText(text, buffer);
        ASSERT_EQ(std::string(buffer, scrambledLength), CLSPGlobals::EncryptString(text));
        ASSERT_EQ(buffer[scrambledLength], '\0');

        std::string plain = CLSPGlobals::DecryptString(text);
        std::size_t plainLength = UnscrambleText(text, buffer);
        ASSERT_EQ(std::string(buffer, plainLength), plain.substr(0, plain.find('\0')));
        ASSERT_EQ(buffer[plainLength], '\0');
    }
}

} // namespace
