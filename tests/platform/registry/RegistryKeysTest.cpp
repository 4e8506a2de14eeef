// Registry keys: create and open, handles, subkey order, deletion, hives and bad handles.
#include "TempRegistry.h"

#include <string>
#include <vector>

namespace {

using RegistryKeys = TempRegistry;

std::vector<std::string> SubkeyNames(HKEY key) {
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        char name[260];
        LONG rc = RegEnumKeyA(key, index, name, sizeof name);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        EXPECT_EQ(rc, ERROR_SUCCESS);
        if (rc != ERROR_SUCCESS)
            break;
        names.emplace_back(name);
    }
    return names;
}

TEST_F(RegistryKeys, CreateReportsDispositionAndMakesEveryLevel) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Corvane\\Hookwise", 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    RegKey first(key);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\corvane\\HOOKWISE", 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    RegKey second(key);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_NE(first.Get(), second.Get());

    // Each level exists, with the case it was created with.
    RegKey software;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software", 0, KEY_READ, software.Put()),
              ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(software.Get()), std::vector<std::string>{"Corvane"});
    // Empty parts of a path are skipped.
    RegKey same;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\\\Corvane\\", 0, KEY_READ, same.Put()),
              ERROR_SUCCESS);
}

TEST_F(RegistryKeys, OpenMissingGivesFileNotFoundAndNullHandle) {
    HKEY key = reinterpret_cast<HKEY>(std::uintptr_t{1});
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Nowhere", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    key = reinterpret_cast<HKEY>(std::uintptr_t{1});
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Nowhere", &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
}

TEST_F(RegistryKeys, EmptySubkeyOpensTheSameOrANewHandle) {
    RegKey key(Create("Software\\Test"));
    HKEY same = nullptr;
    ASSERT_EQ(RegOpenKeyA(key.Get(), "", &same), ERROR_SUCCESS);
    EXPECT_EQ(same, key.Get());
    ASSERT_EQ(RegOpenKeyA(key.Get(), nullptr, &same), ERROR_SUCCESS);
    EXPECT_EQ(same, key.Get());
    ASSERT_EQ(RegCreateKeyA(key.Get(), "", &same), ERROR_SUCCESS);
    EXPECT_EQ(same, key.Get());
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "", &same), ERROR_SUCCESS);
    EXPECT_EQ(same, HKEY_CURRENT_USER);

    RegKey other;
    ASSERT_EQ(RegOpenKeyExA(key.Get(), "", 0, KEY_READ, other.Put()), ERROR_SUCCESS);
    EXPECT_NE(other.Get(), key.Get());
    ASSERT_EQ(SetString(key.Get(), "V", "through the first"), ERROR_SUCCESS);
    EXPECT_EQ(Read(other.Get(), "V"), "through the first");
}

TEST_F(RegistryKeys, SubkeysEnumerateByUpperCasedName) {
    RegKey key(Create("Software\\Order"));
    for (const char* name : {"b", "A", "_x", "a2"}) {
        RegKey child;
        ASSERT_EQ(RegCreateKeyA(key.Get(), name, child.Put()), ERROR_SUCCESS);
    }
    // Upper-cased, '_' (0x5F) sorts after the letters; lower-cased it would sort before them.
    EXPECT_EQ(SubkeyNames(key.Get()), (std::vector<std::string>{"A", "a2", "b", "_x"}));
    DWORD subkeys = 0;
    DWORD values = 9;
    ASSERT_EQ(RegQueryInfoKeyCounts(key.Get(), &subkeys, &values), ERROR_SUCCESS);
    EXPECT_EQ(subkeys, 4u);
    EXPECT_EQ(values, 0u);

    char name[3];
    EXPECT_EQ(RegEnumKeyA(key.Get(), 1, name, sizeof name), ERROR_SUCCESS); // "a2" + NUL fits
    EXPECT_STREQ(name, "a2");
    EXPECT_EQ(RegEnumKeyA(key.Get(), 1, name, 2), ERROR_MORE_DATA);
    EXPECT_EQ(RegEnumKeyA(key.Get(), 4, name, sizeof name), ERROR_NO_MORE_ITEMS);
    // Index 3, then 0 again, then a key added in between: each answer is what a rescan gives.
    char longName[16];
    ASSERT_EQ(RegEnumKeyA(key.Get(), 3, longName, sizeof longName), ERROR_SUCCESS);
    EXPECT_STREQ(longName, "_x");
    ASSERT_EQ(RegEnumKeyA(key.Get(), 0, longName, sizeof longName), ERROR_SUCCESS);
    EXPECT_STREQ(longName, "A");
    RegKey added;
    ASSERT_EQ(RegCreateKeyA(key.Get(), "a1", added.Put()), ERROR_SUCCESS);
    ASSERT_EQ(RegEnumKeyA(key.Get(), 1, longName, sizeof longName), ERROR_SUCCESS);
    EXPECT_STREQ(longName, "a1");
}

TEST_F(RegistryKeys, DeleteKeyNeedsNoSubkeys) {
    RegKey parent(Create("Software\\Parent"));
    RegKey child(Create("Software\\Parent\\Child"));
    ASSERT_EQ(SetString(child.Get(), "V", "x"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Parent"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(parent.Get(), "child"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(parent.Get(), "child"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(parent.Get(), nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Read(child.Get(), "V"), "<error 1018>");
    // An empty subkey deletes the key the handle names.
    EXPECT_EQ(RegDeleteKeyA(parent.Get(), ""), ERROR_SUCCESS);
    RegKey gone;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Parent", 0, KEY_READ, gone.Put()),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryKeys, ShDeleteKeyRemovesTheSubtreeAndItsValues) {
    RegKey deep(Create("Software\\Tree\\A\\B\\C"));
    RegKey sibling(Create("Software\\TreeSibling"));
    ASSERT_EQ(SetString(deep.Get(), "V", "deep"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(sibling.Get(), "V", "kept"), ERROR_SUCCESS);

    EXPECT_EQ(SHDeleteKeyA(HKEY_CURRENT_USER, "software\\tree"), ERROR_SUCCESS);
    EXPECT_EQ(SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tree"), ERROR_FILE_NOT_FOUND);
    RegKey gone;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tree\\A", 0, KEY_READ, gone.Put()),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Read(sibling.Get(), "V"), "kept");

    // A handle below the deleted key stays a handle, but every use reports the deletion, also
    // once a key of the same name exists again.
    RegKey again(Create("Software\\Tree\\A\\B\\C"));
    EXPECT_EQ(Read(again.Get(), "V"), "<error 2>");
    EXPECT_EQ(Read(deep.Get(), "V"), "<error 1018>");
    EXPECT_EQ(SetString(deep.Get(), "V", "x"), ERROR_KEY_DELETED);
    char name[16];
    EXPECT_EQ(RegEnumKeyA(deep.Get(), 0, name, sizeof name), ERROR_KEY_DELETED);
    RegKey child;
    EXPECT_EQ(RegCreateKeyA(deep.Get(), "D", child.Put()), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(deep.Release()), ERROR_SUCCESS);
}

TEST_F(RegistryKeys, HivesAreSeparateAndCannotBeDeleted) {
    RegKey user(Create("Software\\Same"));
    ASSERT_EQ(SetString(user.Get(), "V", "user"), ERROR_SUCCESS);
    RegKey machine;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Same", machine.Put()), ERROR_SUCCESS);
    EXPECT_EQ(Read(machine.Get(), "V"), "<error 2>");
    RegKey classes;
    EXPECT_EQ(RegOpenKeyA(HKEY_CLASSES_ROOT, "Software", classes.Put()), ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(SHDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Read(user.Get(), "V"), "user");

    RegKey connected;
    ASSERT_EQ(RegConnectRegistryA(nullptr, HKEY_CURRENT_USER, connected.Put()), ERROR_SUCCESS);
    EXPECT_NE(connected.Get(), HKEY_CURRENT_USER);
    RegKey viaConnection;
    ASSERT_EQ(RegOpenKeyA(connected.Get(), "Software\\Same", viaConnection.Put()), ERROR_SUCCESS);
    EXPECT_EQ(Read(viaConnection.Get(), "V"), "user");
    EXPECT_EQ(SHDeleteKeyA(connected.Get(), ""), ERROR_ACCESS_DENIED);
}

struct BadHandleRow {
    const char* label;
    std::uintptr_t handle;
};

const BadHandleRow kBadHandles[] = {
    {"Null", 0},
    {"MadeUp", 0x1234},
    {"UnsupportedRoot", 0x80000003u}, // HKEY_USERS
    {"FarToken", (std::uintptr_t{1} << 32) + 999999},
};

class BadHandles : public TempRegistry, public ::testing::WithParamInterface<BadHandleRow> {};

TEST_P(BadHandles, EveryCallGivesInvalidHandle) {
    HKEY key = reinterpret_cast<HKEY>(GetParam().handle);
    HKEY out = nullptr;
    char name[16];
    DWORD nameSize = sizeof name;
    BYTE data[4];
    DWORD size = sizeof data;
    EXPECT_EQ(RegOpenKeyA(key, "", &out), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyExA(key, "x", 0, KEY_READ, &out), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCreateKeyA(key, "x", &out), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExA(key, "x", nullptr, nullptr, data, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegSetValueExA(key, "x", 0, REG_BINARY, data, 4), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteValueA(key, "x"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegEnumKeyA(key, 0, name, sizeof name), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SHDeleteKeyA(key, "x"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(out, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Registry, BadHandles, ::testing::ValuesIn(kBadHandles),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(RegistryKeys, ClosedHandlesStayInvalid) {
    HKEY key = Create("Software\\Test");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(Read(key, "V"), "<error 6>");
    // A new handle never takes the old one's value, so the stale one cannot reach its key.
    RegKey fresh(Create("Software\\Test"));
    EXPECT_NE(fresh.Get(), key);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST_F(RegistryKeys, BadArgumentsAndNames) {
    HKEY out = nullptr;
    EXPECT_EQ(RegConnectRegistryA("\\\\elsewhere", HKEY_CURRENT_USER, &out), ERROR_BAD_NETPATH);
    EXPECT_EQ(RegConnectRegistryA(nullptr, reinterpret_cast<HKEY>(std::uintptr_t{5}), &out),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegConnectRegistryA("", HKEY_CURRENT_USER, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, nullptr, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &out, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "x", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);

    std::string tooLong(256, 'k');
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, tooLong.c_str(), &out), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(out, nullptr);
    tooLong.pop_back();
    RegKey longest;
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, tooLong.c_str(), longest.Put()), ERROR_SUCCESS);
    // Names with bytes >= 0x80 are kept byte for byte.
    RegKey high;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Caf\xe9", high.Put()), ERROR_SUCCESS);
    RegKey reopened;
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "CAF\xe9", reopened.Put()), ERROR_SUCCESS);
}

TEST_F(RegistryKeys, RegKeyClosesWhatItHolds) {
    HKEY raw = Create("Software\\Test");
    {
        RegKey owner(raw);
        RegKey moved(std::move(owner));
        EXPECT_FALSE(owner);
        EXPECT_EQ(moved.Get(), raw);
        RegKey assigned;
        assigned = std::move(moved);
        EXPECT_EQ(assigned.Get(), raw);
        HKEY* slot = assigned.Put(); // closes raw
        EXPECT_EQ(*slot, nullptr);
        EXPECT_EQ(RegCloseKey(raw), ERROR_INVALID_HANDLE);
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, slot), ERROR_SUCCESS);
        raw = assigned.Get();
    }
    EXPECT_EQ(RegCloseKey(raw), ERROR_INVALID_HANDLE);
}

} // namespace
