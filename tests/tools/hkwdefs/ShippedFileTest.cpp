// hkwdefs and the shipped file: no version date hides a section, and a compiled set reads back
// through the start-up decipherment.
#include "core/definitions/ShippedFile.h"

#include "tools/hkwdefs/Compiler.h"
#include "tools/hkwdefs/Decompiler.h"
#include "tools/hkwdefs/IniText.h"
#include "engine/LSPGlobals.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace hookwise::tools;

using namespace hookwise::core;

namespace {

// The deciphered header line depends only on the version date. No date this century may form a
// section header that hides a definitions section (the reader searches only a section's first
// copy).
TEST(ShippedLayout, NoVersionDateHidesASection) {
    std::vector<std::string> scrambledSections;
    for (const DefinitionListInfo& list : kDefinitionLists)
        scrambledSections.push_back(CLSPGlobals::EncryptString(std::string(list.section)));
    int checked = 0;
    for (int year = 2000; year < 2100; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= 31; ++day) {
                char version[16];
                std::snprintf(version, sizeof version, "%02d/%02d/%04d", month, day, year);
                std::string working;
                std::string error;
                ASSERT_TRUE(DecipherAtStartUp(BuildShippedFile(version, ""), working, error));
                for (const IniLine& line : SplitIniLines(working)) {
                    if (line.kind != IniLine::Section)
                        continue;
                    for (const std::string& name : scrambledSections)
                        EXPECT_NE(line.name, name) << version;
                }
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 100 * 12 * 31);
}

// ---- compile, prove, decompile in memory ----

DefinitionSet SampleSet() {
    DefinitionSet set;
    Messages errors;
    EXPECT_TRUE(ReadPlainDefinitions("[HostIP]\nIP1=192.0.2.1\nIP2=198.51.100.7\n"
                                     "[Link]\nCLINK1=href=\"http://bad.example/\nVLINK1=Your Bank\n"
                                     "CLINK2=null\nCLINK3=bad.test\n"
                                     "[Text]\nTXT1=\" padded \"\nTXT2=\xE9t\xE9 \xE0 payer\n",
                                     set, errors));
    return set;
}

TEST(CompileInMemory, ReadsBackAndDecompilesToTheSameSet) {
    const DefinitionSet set = SampleSet();
    std::string shipped;
    Messages errors;
    ASSERT_TRUE(CompileDefinitions(set, "06/15/2026", shipped, errors)) << errors[0];
    EXPECT_EQ(shipped.size() % 8, 0u);

    std::string working;
    std::string error;
    ASSERT_TRUE(DecipherAtStartUp(shipped, working, error));
    ASSERT_TRUE(CheckShippedContent(working, error)) << error;
    DefinitionSet back;
    Messages warnings;
    ASSERT_TRUE(DecompileWorkingCopy(working, back, errors, warnings));
    EXPECT_TRUE(warnings.empty());
    ASSERT_EQ(back.size(), set.size());
    for (std::size_t s = 0; s < set.size(); ++s) {
        EXPECT_EQ(back[s].name, set[s].name);
        ASSERT_EQ(back[s].entries.size(), set[s].entries.size());
        for (std::size_t e = 0; e < set[s].entries.size(); ++e) {
            EXPECT_EQ(back[s].entries[e].key, set[s].entries[e].key);
            EXPECT_EQ(back[s].entries[e].value, set[s].entries[e].value);
        }
    }
    // The plain text written from it reads back to the same set and compiles to the same bytes.
    DefinitionSet again;
    ASSERT_TRUE(ReadPlainDefinitions(FormatPlainDefinitions(back, "06/15/2026"), again, errors));
    std::string shippedAgain;
    ASSERT_TRUE(CompileDefinitions(again, "06/15/2026", shippedAgain, errors));
    EXPECT_EQ(shippedAgain, shipped);
}

TEST(CompileInMemory, RefusedSetWritesNothing) {
    DefinitionSet set = SampleSet();
    set[0].entries.push_back(DefinitionEntry{"IP3",
                                             "\xC8"
                                             "bad",
                                             9});
    std::string shipped = "untouched";
    Messages errors;
    EXPECT_FALSE(CompileDefinitions(set, "06/15/2026", shipped, errors));
    EXPECT_EQ(shipped, "untouched");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("[HostIP] IP3 (line 9): value refused"), std::string::npos);
}

TEST(CompileInMemory, DamagedBlocksAreNoticed) {
    std::string shipped;
    Messages errors;
    ASSERT_TRUE(CompileDefinitions(SampleSet(), "06/15/2026", shipped, errors));
    for (std::size_t block = 16; block + 8 <= shipped.size(); block += 8) {
        std::string damaged = shipped;
        for (std::size_t i = 0; i < 8; ++i)
            damaged[block + i] = static_cast<char>(damaged[block + i] ^ 0x5A);
        std::string working;
        std::string error;
        ASSERT_TRUE(DecipherAtStartUp(damaged, working, error));
        // A block inside a long value may still decipher to a plausible line; the read-back
        // against the source notices every one.
        Messages verifyErrors;
        EXPECT_FALSE(VerifyShippedFile(damaged, SampleSet(), verifyErrors)) << "block " << block;
    }
}

} // namespace
