// Registry values: exact types and bytes, buffer sizes, names, creation order, deletion.
#include "TempRegistry.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

constexpr BYTE kFill = 0xCC;

struct ValueRow {
    const char* label;
    DWORD type;
    std::string stored;
    DWORD bufferSize;
    LONG rc;
    DWORD cbAfter;
    std::string bufferAfter; // the whole buffer after the call; '\xCC' = untouched
};

std::string Untouched(std::size_t n) {
    return std::string(n, static_cast<char>(kFill));
}

const ValueRow kValueRows[] = {
    {.label = "SzWithoutNulGetsUncountedNul",
     .type = REG_SZ,
     .stored = "abc",
     .bufferSize = 6,
     .rc = ERROR_SUCCESS,
     .cbAfter = 3,
     .bufferAfter = "abc\0"s + Untouched(2)},
    {.label = "SzWithoutNulExactBufferHasNoNul",
     .type = REG_SZ,
     .stored = "abc",
     .bufferSize = 3,
     .rc = ERROR_SUCCESS,
     .cbAfter = 3,
     .bufferAfter = "abc"},
    {.label = "SzWithNulKeepsItsCount",
     .type = REG_SZ,
     .stored = "abc\0"s,
     .bufferSize = 6,
     .rc = ERROR_SUCCESS,
     .cbAfter = 4,
     .bufferAfter = "abc\0"s + Untouched(2)},
    {.label = "SzTooSmallLeavesBuffer",
     .type = REG_SZ,
     .stored = "abcdef",
     .bufferSize = 3,
     .rc = ERROR_MORE_DATA,
     .cbAfter = 6,
     .bufferAfter = Untouched(3)},
    {.label = "SzOneShortLeavesBuffer",
     .type = REG_SZ,
     .stored = "abc\0"s,
     .bufferSize = 3,
     .rc = ERROR_MORE_DATA,
     .cbAfter = 4,
     .bufferAfter = Untouched(3)},
    {.label = "ExpandSzGetsNul",
     .type = REG_EXPAND_SZ,
     .stored = "%X%",
     .bufferSize = 4,
     .rc = ERROR_SUCCESS,
     .cbAfter = 3,
     .bufferAfter = "%X%\0"s},
    {.label = "MultiSzAsStored",
     .type = REG_MULTI_SZ,
     .stored = "a\0b\0\0"s,
     .bufferSize = 7,
     .rc = ERROR_SUCCESS,
     .cbAfter = 5,
     .bufferAfter = "a\0b\0\0"s + Untouched(2)},
    {.label = "HighBytesUnchanged",
     .type = REG_SZ,
     .stored = "\xe9\xff\x80",
     .bufferSize = 4,
     .rc = ERROR_SUCCESS,
     .cbAfter = 3,
     .bufferAfter = "\xe9\xff\x80\0"s},
    {.label = "Binary4NoNul",
     .type = REG_BINARY,
     .stored = "\x01\x00\x00\x00"s,
     .bufferSize = 6,
     .rc = ERROR_SUCCESS,
     .cbAfter = 4,
     .bufferAfter = "\x01\x00\x00\x00"s + Untouched(2)},
    {.label = "Binary4InThreeBytes",
     .type = REG_BINARY,
     .stored = "\x01\x02\x03\x04",
     .bufferSize = 3,
     .rc = ERROR_MORE_DATA,
     .cbAfter = 4,
     .bufferAfter = Untouched(3)},
    {.label = "Dword",
     .type = REG_DWORD,
     .stored = "\x78\x56\x34\x12",
     .bufferSize = 4,
     .rc = ERROR_SUCCESS,
     .cbAfter = 4,
     .bufferAfter = "\x78\x56\x34\x12"},
    {.label = "EmptySzGetsNul",
     .type = REG_SZ,
     .stored = "",
     .bufferSize = 2,
     .rc = ERROR_SUCCESS,
     .cbAfter = 0,
     .bufferAfter = "\0"s + Untouched(1)},
    {.label = "EmptySzZeroBuffer",
     .type = REG_SZ,
     .stored = "",
     .bufferSize = 0,
     .rc = ERROR_SUCCESS,
     .cbAfter = 0,
     .bufferAfter = ""},
    {.label = "EmptyBinary",
     .type = REG_BINARY,
     .stored = "",
     .bufferSize = 2,
     .rc = ERROR_SUCCESS,
     .cbAfter = 0,
     .bufferAfter = Untouched(2)},
    {.label = "UnknownTypeKept",
     .type = 0x1234,
     .stored = "zz",
     .bufferSize = 2,
     .rc = ERROR_SUCCESS,
     .cbAfter = 2,
     .bufferAfter = "zz"},
    {.label = "NoneType",
     .type = REG_NONE,
     .stored = "q",
     .bufferSize = 1,
     .rc = ERROR_SUCCESS,
     .cbAfter = 1,
     .bufferAfter = "q"},
};

class ValueTypes : public TempRegistry, public ::testing::WithParamInterface<ValueRow> {};

TEST_P(ValueTypes, QueryGivesExactTypeAndBytes) {
    const ValueRow& row = GetParam();
    RegKey key(Create("Software\\Test"));
    ASSERT_EQ(RegSetValueExA(key.Get(), "Value", 0, row.type,
                             reinterpret_cast<const BYTE*>(row.stored.data()),
                             static_cast<DWORD>(row.stored.size())),
              ERROR_SUCCESS);

    std::vector<BYTE> buffer(row.bufferSize + 1, kFill); // one guard byte past the buffer
    DWORD type = 0xFFFF;
    DWORD size = row.bufferSize;
    EXPECT_EQ(RegQueryValueExA(key.Get(), "Value", nullptr, &type, buffer.data(), &size), row.rc);
    EXPECT_EQ(type, row.type);
    EXPECT_EQ(size, row.cbAfter);
    EXPECT_EQ(std::string(buffer.begin(), buffer.end() - 1), row.bufferAfter);
    EXPECT_EQ(buffer.back(), kFill) << "wrote past the buffer";

    // Without a buffer only the type and the size come back.
    type = 0;
    size = 0;
    EXPECT_EQ(RegQueryValueExA(key.Get(), "Value", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, row.type);
    EXPECT_EQ(size, row.stored.size());
}

INSTANTIATE_TEST_SUITE_P(Registry, ValueTypes, ::testing::ValuesIn(kValueRows),
                         [](const auto& info) { return std::string(info.param.label); });

using RegistryValues = TempRegistry;

TEST_F(RegistryValues, MissingValueAndBadArguments) {
    RegKey key(Create("Software\\Test"));
    BYTE buffer[4] = {kFill, kFill, kFill, kFill};
    DWORD size = sizeof buffer;
    DWORD type = 77;
    EXPECT_EQ(RegQueryValueExA(key.Get(), "Absent", nullptr, &type, buffer, &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(type, 77u);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(RegQueryValueExA(key.Get(), "Absent", nullptr, nullptr, buffer, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key.Get(), "V", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key.Get(), "V", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    EXPECT_EQ(Read(key.Get(), "V"), "");
}

TEST_F(RegistryValues, NullAndEmptyNameAreTheDefaultValue) {
    RegKey key(Create("Software\\Test"));
    ASSERT_EQ(SetString(key.Get(), nullptr, "first"), ERROR_SUCCESS);
    EXPECT_EQ(Read(key.Get(), ""), "first");
    ASSERT_EQ(SetString(key.Get(), "", "second"), ERROR_SUCCESS);
    EXPECT_EQ(Read(key.Get(), nullptr), "second");
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyCounts(key.Get(), nullptr, &values), ERROR_SUCCESS);
    EXPECT_EQ(values, 1u);
    EXPECT_EQ(RegDeleteValueA(key.Get(), nullptr), ERROR_SUCCESS);
    EXPECT_EQ(Read(key.Get(), ""), "<error 2>");
}

TEST_F(RegistryValues, NamesIgnoreAsciiCaseAndKeepTheirCase) {
    RegKey key(Create("Software\\Test"));
    ASSERT_EQ(SetString(key.Get(), "NoOfWebProtection", "1"), ERROR_SUCCESS);
    EXPECT_EQ(Read(key.Get(), "NOOFWEBPROTECTION"), "1");
    ASSERT_EQ(SetString(key.Get(), "noofwebprotection", "2"), ERROR_SUCCESS);
    // Folding is ASCII only: an accented letter is a different name from its capital.
    ASSERT_EQ(SetString(key.Get(), "\xe9", "lower"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key.Get(), "\xc9", "upper"), ERROR_SUCCESS);
    EXPECT_EQ(Read(key.Get(), "\xe9"), "lower");

    char name[64];
    DWORD nameSize = sizeof name;
    ASSERT_EQ(RegEnumValueA(key.Get(), 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "NoOfWebProtection");
    EXPECT_EQ(nameSize, 17u);
    EXPECT_EQ(Read(key.Get(), "NoOfWebProtection"), "2");
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyCounts(key.Get(), nullptr, &values), ERROR_SUCCESS);
    EXPECT_EQ(values, 3u);
}

std::vector<std::string> ValueNames(HKEY key) {
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        char name[64];
        DWORD size = sizeof name;
        LONG rc = RegEnumValueA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        EXPECT_EQ(rc, ERROR_SUCCESS);
        if (rc != ERROR_SUCCESS)
            break;
        names.emplace_back(name, size);
    }
    return names;
}

TEST_F(RegistryValues, EnumerateInCreationOrderAndReplaceKeepsPlace) {
    RegKey key(Create("Software\\Test"));
    for (const char* name : {"b", "A", "_x", "a2"})
        ASSERT_EQ(SetString(key.Get(), name, name), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key.Get()), (std::vector<std::string>{"b", "A", "_x", "a2"}));

    ASSERT_EQ(SetString(key.Get(), "a", "replaced"), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key.Get()), (std::vector<std::string>{"b", "A", "_x", "a2"}));
    EXPECT_EQ(Read(key.Get(), "A"), "replaced");

    ASSERT_EQ(RegDeleteValueA(key.Get(), "B"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key.Get(), "b", "again"), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key.Get()), (std::vector<std::string>{"A", "_x", "a2", "b"}));
    EXPECT_EQ(RegDeleteValueA(key.Get(), "b"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key.Get(), "b"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryValues, EnumerationFollowsChangesAndRandomIndexes) {
    RegKey key(Create("Software\\Test"));
    for (const char* name : {"v0", "v1", "v2", "v3"})
        ASSERT_EQ(SetString(key.Get(), name, name), ERROR_SUCCESS);
    auto nameAt = [&](DWORD index) {
        char name[16];
        DWORD size = sizeof name;
        LONG rc = RegEnumValueA(key.Get(), index, name, &size, nullptr, nullptr, nullptr, nullptr);
        return rc == ERROR_SUCCESS ? std::string(name) : "<error " + std::to_string(rc) + ">";
    };
    EXPECT_EQ(nameAt(2), "v2");
    EXPECT_EQ(nameAt(2), "v2");
    EXPECT_EQ(nameAt(3), "v3");
    EXPECT_EQ(nameAt(0), "v0");
    EXPECT_EQ(nameAt(1), "v1");
    // A value deleted between two calls shifts what the next index names, as a rescan would.
    ASSERT_EQ(RegDeleteValueA(key.Get(), "v0"), ERROR_SUCCESS);
    EXPECT_EQ(nameAt(2), "v3");
    EXPECT_EQ(nameAt(3), "<error 259>");
    // The usual "enumerate index 0 and delete it" loop empties the key.
    for (int guard = 0; guard < 10 && nameAt(0)[0] == 'v'; ++guard)
        ASSERT_EQ(RegDeleteValueA(key.Get(), nameAt(0).c_str()), ERROR_SUCCESS);
    EXPECT_EQ(nameAt(0), "<error 259>");
}

TEST_F(RegistryValues, EnumValueBufferRules) {
    RegKey key(Create("Software\\Test"));
    ASSERT_EQ(SetString(key.Get(), "Name", "payload"), ERROR_SUCCESS);

    char name[8];
    std::memset(name, 'x', sizeof name);
    DWORD nameSize = 4; // "Name" needs 5 with its NUL
    EXPECT_EQ(RegEnumValueA(key.Get(), 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    EXPECT_EQ(name[0], 'x');

    BYTE data[4];
    DWORD dataSize = sizeof data;
    DWORD type = 0;
    nameSize = sizeof name;
    EXPECT_EQ(RegEnumValueA(key.Get(), 0, name, &nameSize, nullptr, &type, data, &dataSize),
              ERROR_MORE_DATA);
    EXPECT_EQ(dataSize, 7u);
    EXPECT_EQ(type, REG_SZ);

    BYTE big[16] = {};
    dataSize = sizeof big;
    nameSize = sizeof name;
    ASSERT_EQ(RegEnumValueA(key.Get(), 0, name, &nameSize, nullptr, &type, big, &dataSize),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "Name");
    EXPECT_EQ(nameSize, 4u);
    EXPECT_EQ(dataSize, 7u);
    EXPECT_STREQ(reinterpret_cast<char*>(big), "payload");
    EXPECT_EQ(RegEnumValueA(key.Get(), 0, nullptr, &nameSize, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegEnumValueA(key.Get(), 1, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryValues, LargeValueRoundTrips) {
    RegKey key(Create("Software\\Test"));
    std::vector<BYTE> bytes(300000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<BYTE>(i * 7);
    ASSERT_EQ(RegSetValueExA(key.Get(), "Big", 0, REG_BINARY, bytes.data(),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    std::vector<BYTE> back(bytes.size());
    DWORD size = static_cast<DWORD>(back.size());
    ASSERT_EQ(RegQueryValueExA(key.Get(), "Big", nullptr, nullptr, back.data(), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(back, bytes);
}

} // namespace
