// GetProviders and IsLSPInstalled over a private catalogue.
#include "engine/LSPGlobals.h"
#include "platform/Memory.h"
#include "platform/ProviderCatalog.h"
#include "CatalogFixture.h"

#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>

namespace {

using Providers = CatalogFixture;

TEST_F(Providers, ListsEveryEntryInZeroedMemory) {
    WriteCatalog("one\t/1.so\ntwo\t/2.so\n");
    int count = -7;
    WSAPROTOCOL_INFOW* entries = CLSPGlobals::GetProviders(&count);
    ASSERT_NE(entries, nullptr);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(std::u16string(entries[0].szProtocol), u"one");
    EXPECT_EQ(std::u16string(entries[1].szProtocol), u"two");
    EXPECT_EQ(entries[1].szProtocol[4], 0) << "the rest of the name field is zero";
    EXPECT_EQ(GlobalFree(entries), nullptr);
}

TEST_F(Providers, EmptyCatalogueGivesNoEntries) {
    int count = -7;
    WSAPROTOCOL_INFOW* entries = CLSPGlobals::GetProviders(&count);
    ASSERT_NE(entries, nullptr);
    EXPECT_EQ(count, 0);
    GlobalFree(entries);
    EXPECT_FALSE(CLSPGlobals::IsLSPInstalled("anything"));
    EXPECT_FALSE(CLSPGlobals::IsLSPInstalled(""));
}

TEST_F(Providers, FailingEnumerationGivesNullAndZeroCount) {
    ASSERT_EQ(mkdir((folder_ + "/sub").c_str(), 0700), 0);
    ASSERT_EQ(mkdir(path_.c_str(), 0700), 0); // unreadable as a file
    int count = -7;
    EXPECT_EQ(CLSPGlobals::GetProviders(&count), nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(CLSPGlobals::IsLSPInstalled("x"));
}

TEST_F(Providers, NullCountIsTolerated) {
    WriteCatalog("one\t/1.so\n");
    WSAPROTOCOL_INFOW* entries = CLSPGlobals::GetProviders(nullptr);
    EXPECT_NE(entries, nullptr);
    GlobalFree(entries);
}

struct InstalledRow {
    const char* name;
    std::string catalogue; // UTF-8 file content
    std::string query;     // single-byte name given to IsLSPInstalled
    bool installed;
};

class Installed : public CatalogFixture, public testing::WithParamInterface<InstalledRow> {};

TEST_P(Installed, ComparesLowBytesIgnoringCase) {
    WriteCatalog(GetParam().catalogue);
    EXPECT_EQ(CLSPGlobals::IsLSPInstalled(GetParam().query.c_str()), GetParam().installed);
}

std::string RowName(const testing::TestParamInfo<InstalledRow>& info) {
    return info.param.name;
}

const std::string k300(300, 'n');

const InstalledRow kRows[] = {
    {"ExactName", "Hookwise LSP\t/x.so\n", "Hookwise LSP", true},
    {"OtherLetterCase", "Hookwise LSP\t/x.so\n", "hOOKWISE lsp", true},
    {"LaterEntry", "a\t/a.so\nb\t/b.so\nHookwise\t/x.so\n", "hookwise", true},
    {"PrefixIsNoMatch", "Hookwise LSP\t/x.so\n", "Hookwise", false},
    {"LongerIsNoMatch", "Hookwise\t/x.so\n", "Hookwise LSP", false},
    {"EmptyQueryNoMatch", "Hookwise\t/x.so\n", "", false},
    // U+0141 has the low byte 0x41 ('A'), which then compares ignoring case.
    {"LowByteOfWideCharacter", "\xC5\x81sp\t/x.so\n", "asp", true},
    // U+00E9 has the low byte 0xE9; bytes above 0x7F are compared exactly.
    {"LatinByteExact", "caf\xC3\xA9\t/x.so\n", "caf\xE9", true},
    {"LatinByteNotFolded", "caf\xC3\xA9\t/x.so\n", "caf\xC9", false},
    // U+0100 has the low byte 0: the single-byte name ends there.
    {"ZeroLowByteEndsName",
     "ab\xC4\x80"
     "cd\t/x.so\n",
     "ab", true},
    {"ZeroLowByteHidesRest",
     "ab\xC4\x80"
     "cd\t/x.so\n",
     "ab\x01"
     "cd",
     false},
    {"First255CharactersCompared", k300 + "\t/x.so\n", std::string(255, 'N'), true},
    {"Query256NoMatch", k300 + "\t/x.so\n", std::string(256, 'n'), false},
    {"FullLongNameNoMatch", k300 + "\t/x.so\n", k300, false},
    {"CommentLineIsNoEntry", "# Hookwise\t/x.so\n", "# hookwise", false},
};
INSTANTIATE_TEST_SUITE_P(Rows, Installed, testing::ValuesIn(kRows), RowName);

TEST_F(Providers, NullNameIsNotInstalled) {
    WriteCatalog("x\t/x.so\n");
    EXPECT_FALSE(CLSPGlobals::IsLSPInstalled(nullptr));
}

TEST_F(Providers, SeesInstallerChanges) {
    EXPECT_FALSE(CLSPGlobals::IsLSPInstalled("Hookwise"));
    ASSERT_EQ(CatalogAdd("Hookwise", "/x.so"), ERROR_SUCCESS);
    EXPECT_TRUE(CLSPGlobals::IsLSPInstalled("hookwise"));
    ASSERT_EQ(CatalogRemove("HOOKWISE"), ERROR_SUCCESS);
    EXPECT_FALSE(CLSPGlobals::IsLSPInstalled("hookwise"));
}

} // namespace
