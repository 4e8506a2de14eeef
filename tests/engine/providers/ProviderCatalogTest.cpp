// The protocol catalogue: enumeration results and sizes, name decoding, and the writers.
#include "platform/ProviderCatalog.h"

#include "CatalogFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

namespace {

using Catalog = CatalogFixture;

// Lists the catalogue through the two-call protocol; fails the test on any error.
std::vector<WSAPROTOCOL_INFOW> List() {
    DWORD size = 0;
    int error = 0;
    EXPECT_EQ(WSCEnumProtocols(nullptr, nullptr, &size, &error), SOCKET_ERROR);
    EXPECT_EQ(error, WSAENOBUFS);
    EXPECT_EQ(size % sizeof(WSAPROTOCOL_INFOW), 0u);
    std::vector<WSAPROTOCOL_INFOW> entries(size / sizeof(WSAPROTOCOL_INFOW) + 1);
    int count = WSCEnumProtocols(nullptr, entries.data(), &size, &error);
    EXPECT_GE(count, 0);
    entries.resize(count < 0 ? 0 : static_cast<std::size_t>(count));
    return entries;
}

std::u16string Name(const WSAPROTOCOL_INFOW& entry) {
    return entry.szProtocol;
}

TEST_F(Catalog, MissingFileIsEmpty) {
    DWORD size = 123;
    int error = 0;
    EXPECT_EQ(WSCEnumProtocols(nullptr, nullptr, &size, &error), SOCKET_ERROR);
    EXPECT_EQ(error, WSAENOBUFS);
    EXPECT_EQ(size, 0u);
    WSAPROTOCOL_INFOW entry;
    EXPECT_EQ(WSCEnumProtocols(nullptr, &entry, &size, &error), 0);
}

TEST_F(Catalog, EntriesInFileOrderWithTheirFields) {
    WriteCatalog("# comment\nFirst LSP\t/lib/one.so\n\nno tab here\nSecond\t/lib/two.so\r\n");
    std::vector<WSAPROTOCOL_INFOW> entries = List();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(Name(entries[0]), u"First LSP");
    EXPECT_STREQ(entries[0].szLibraryPath, "/lib/one.so");
    EXPECT_EQ(entries[0].dwCatalogEntryId, 1u);
    EXPECT_EQ(entries[0].iProtocol, 6);
    EXPECT_EQ(Name(entries[1]), u"Second");
    EXPECT_STREQ(entries[1].szLibraryPath, "/lib/two.so") << "the CR before LF is dropped";
    EXPECT_EQ(entries[1].dwCatalogEntryId, 2u);
}

TEST_F(Catalog, BufferSizeRules) {
    WriteCatalog("a\t/a.so\nb\t/b.so\n");
    const DWORD needed = 2 * sizeof(WSAPROTOCOL_INFOW);
    WSAPROTOCOL_INFOW entries[2];
    int error = 0;

    DWORD size = needed - 1;
    EXPECT_EQ(WSCEnumProtocols(nullptr, entries, &size, &error), SOCKET_ERROR);
    EXPECT_EQ(error, WSAENOBUFS);
    EXPECT_EQ(size, needed);

    size = needed;
    EXPECT_EQ(WSCEnumProtocols(nullptr, entries, &size, &error), 2);

    error = 0;
    EXPECT_EQ(WSCEnumProtocols(nullptr, entries, nullptr, &error), SOCKET_ERROR);
    EXPECT_EQ(error, WSAEFAULT);
    EXPECT_EQ(WSCEnumProtocols(nullptr, entries, &size, nullptr), SOCKET_ERROR);
}

TEST_F(Catalog, ProtocolFilter) {
    WriteCatalog("a\t/a.so\n");
    const int udpOnly[] = {17, 0};
    const int tcp[] = {17, 6, 0};
    DWORD size = sizeof(WSAPROTOCOL_INFOW);
    WSAPROTOCOL_INFOW entry;
    int error = 0;
    EXPECT_EQ(WSCEnumProtocols(udpOnly, &entry, &size, &error), 0);
    EXPECT_EQ(size, 0u) << "the size the listing used";
    size = sizeof entry;
    EXPECT_EQ(WSCEnumProtocols(tcp, &entry, &size, &error), 1);
}

TEST_F(Catalog, UnreadableCatalogueFailsWithOtherError) {
    ASSERT_EQ(mkdir((folder_ + "/sub").c_str(), 0700), 0);
    ASSERT_EQ(mkdir(path_.c_str(), 0700), 0); // a folder where the file should be
    DWORD size = 0;
    int error = 0;
    EXPECT_EQ(WSCEnumProtocols(nullptr, nullptr, &size, &error), SOCKET_ERROR);
    EXPECT_EQ(error, WSANO_RECOVERY);
}

TEST_F(Catalog, TooManyEntriesFail) {
    std::string content;
    for (int i = 0; i <= kCatalogMaxEntries; ++i)
        content += 'p' + std::to_string(i) + "\t/x.so\n";
    WriteCatalog(content);
    DWORD size = 0;
    int error = 0;
    EXPECT_EQ(WSCEnumProtocols(nullptr, nullptr, &size, &error), SOCKET_ERROR);
    EXPECT_EQ(error, WSANO_RECOVERY);
}

struct NameRow {
    const char* name;
    std::string stored;    // UTF-8 as in the file
    std::u16string listed; // szProtocol
};

class CatalogNames : public CatalogFixture, public testing::WithParamInterface<NameRow> {};

TEST_P(CatalogNames, DecodesToUtf16) {
    WriteCatalog(GetParam().stored + "\t/x.so\n");
    std::vector<WSAPROTOCOL_INFOW> entries = List();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(Name(entries[0]), GetParam().listed);
}

std::string NameRowName(const testing::TestParamInfo<NameRow>& info) {
    return info.param.name;
}

const NameRow kNameRows[] = {
    {"Ascii", "Hookwise LSP", u"Hookwise LSP"},
    {"TwoByte", "\xC5\x81sp", u"\u0141sp"},
    {"ThreeByte", "\xE2\x82\xAC", u"\u20AC"},
    {"Supplementary", "\xF0\x9F\x98\x80", u"\U0001F600"},
    {"InvalidByte",
     "a\xFF"
     "b",
     u"a\uFFFDb"},
    {"TruncatedSequence", "a\xE2\x82", u"a\uFFFD\uFFFD"},
    {"Overlong", "\xC0\xAF", u"\uFFFD\uFFFD"},
    {"CutAt255", std::string(300, 'n'), std::u16string(255, u'n')},
    {"NoHalfPairAtLimit", std::string(254, 'n') + "\xF0\x9F\x98\x80", std::u16string(254, u'n')},
};
INSTANTIATE_TEST_SUITE_P(Rows, CatalogNames, testing::ValuesIn(kNameRows), NameRowName);

TEST_F(Catalog, AddCreatesFolderAndFile) {
    ASSERT_EQ(CatalogAdd("Hookwise", "/opt/hw/libhookswp_lsp.so"), ERROR_SUCCESS);
    EXPECT_EQ(ReadCatalog(), "Hookwise\t/opt/hw/libhookswp_lsp.so\n");
    struct stat st;
    ASSERT_EQ(stat((folder_ + "/sub").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(Catalog, AddIsIdempotentAndUpdatesInPlace) {
    WriteCatalog("# keep me\nfirst\t/1.so\nHookwise\t/old.so\nlast\t/3.so\n");
    std::string before = ReadCatalog();
    ASSERT_EQ(CatalogAdd("hookwise", "/old.so"), ERROR_SUCCESS);
    EXPECT_EQ(ReadCatalog(), before) << "same name in other letter case, same path";
    ASSERT_EQ(CatalogAdd("hookwise", "/new.so"), ERROR_SUCCESS);
    EXPECT_EQ(ReadCatalog(), "# keep me\nfirst\t/1.so\nhookwise\t/new.so\nlast\t/3.so\n");
    ASSERT_EQ(CatalogAdd("another", "/4.so"), ERROR_SUCCESS);
    EXPECT_EQ(ReadCatalog(),
              "# keep me\nfirst\t/1.so\nhookwise\t/new.so\nlast\t/3.so\nanother\t/4.so\n");
}

TEST_F(Catalog, RemoveDropsEveryCopyAndKeepsTheRest) {
    WriteCatalog("a\t/a.so\nHW\t/1.so\nb\t/b.so\nhw\t/2.so\n");
    EXPECT_EQ(CatalogRemove("Hw"), ERROR_SUCCESS);
    EXPECT_EQ(ReadCatalog(), "a\t/a.so\nb\t/b.so\n");
    EXPECT_EQ(CatalogRemove("Hw"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ReadCatalog(), "a\t/a.so\nb\t/b.so\n");
}

TEST_F(Catalog, RemoveWithoutCatalogue) {
    EXPECT_EQ(CatalogRemove("x"), ERROR_FILE_NOT_FOUND);
}

TEST_F(Catalog, WritersRejectBadArguments) {
    const std::string longPath(kCatalogPathLen, 'p');
    EXPECT_EQ(CatalogAdd(nullptr, "/x.so"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CatalogAdd("", "/x.so"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CatalogAdd("a\tb", "/x.so"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CatalogAdd("a\nb", "/x.so"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CatalogAdd("a", nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CatalogAdd("a", "/x\r.so"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CatalogAdd("a", longPath.c_str()), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CatalogRemove(nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CatalogRemove(""), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(access(path_.c_str(), F_OK), -1) << "no file for rejected calls";
}

TEST_F(Catalog, AddFailsWhenFolderCannotBeMade) {
    WriteCatalog("");
    std::string blocker = folder_ + "/file";
    std::ofstream(blocker).put('x');
    setenv("HOOKWISE_CATALOG", (blocker + "/protocols.catalog").c_str(), 1);
    EXPECT_EQ(CatalogAdd("a", "/a.so"), ERROR_PATH_NOT_FOUND);
}

TEST_F(Catalog, ConcurrentWritersLoseNothing) {
    constexpr int kThreads = 4;
    constexpr int kEach = 5;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kEach; ++i) {
                std::string name = "t";
                name.append(std::to_string(t)).append("-").append(std::to_string(i));
                EXPECT_EQ(CatalogAdd(name.c_str(), "/x.so"), ERROR_SUCCESS);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(List().size(), static_cast<std::size_t>(kThreads * kEach));
}

TEST(CatalogPath, FromEnvironment) {
    const char* saved = getenv("XDG_CONFIG_HOME");
    std::string savedValue = saved ? saved : "";
    unsetenv("HOOKWISE_CATALOG");
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(CatalogPath(), "/cfg/hookwise/protocols.catalog");
    setenv("HOOKWISE_CATALOG", "/tmp/explicit", 1);
    EXPECT_EQ(CatalogPath(), "/tmp/explicit");
    unsetenv("HOOKWISE_CATALOG");
    if (saved)
        setenv("XDG_CONFIG_HOME", savedValue.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

} // namespace
