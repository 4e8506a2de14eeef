// The server's registration entries in the registry store: what registering writes, what it
// replaces, and what unregistering removes and keeps.
#include "inspector/Registration.h"

#include "inspector/HTMLSourceParser.h"
#include "platform/Module.h"
#include "platform/Registry.h"
#include "InspectorSandbox.h"

#include <gtest/gtest.h>

namespace inspectortest {
namespace {

const std::string kClsid = "{49CAC2AD-79FB-4B91-BB70-0239D2E43485}";
const std::string kIid = "{9110AFE3-D977-4E50-8ABE-48A833E9C29B}";
const std::string kLibid = "{ADBA0894-4701-40C7-8F70-6EA6B44F8114}";
const std::string kHelperObjects =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";

bool KeyExists(HKEY root, const std::string& path) {
    RegKey key;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

// The REG_SZ value, or "<missing>".
std::string Value(HKEY root, const std::string& path, const char* name = nullptr) {
    RegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return "<missing>";
    char data[4096] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
        ERROR_SUCCESS)
        return "<missing>";
    return type == REG_SZ ? std::string(data) : "<not a string>";
}

void CreateKey(HKEY root, const std::string& path) {
    RegKey key;
    ASSERT_EQ(RegCreateKeyA(root, path.c_str(), key.Put()), ERROR_SUCCESS);
}

std::string ModulePath() {
    char path[4096] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

struct EntryRow {
    const char* name;
    HKEY root;
    std::string path;
    const char* value; // null: the default value
    std::string expected;
};

const std::string kClassKey = "CLSID\\" + kClsid;

std::vector<EntryRow> EntryRows() {
    return {
        {"ProgIdName", HKEY_CLASSES_ROOT, "HTMLSourceParser.HTMLSourceParser.1", nullptr,
         "HTMLSourceParser Class"},
        {"ProgIdClass", HKEY_CLASSES_ROOT, "HTMLSourceParser.HTMLSourceParser.1\\CLSID", nullptr,
         kClsid},
        {"IndependentProgIdName", HKEY_CLASSES_ROOT, "HTMLSourceParser.HTMLSourceParser", nullptr,
         "HTMLSourceParser Class"},
        {"IndependentProgIdClass", HKEY_CLASSES_ROOT, "HTMLSourceParser.HTMLSourceParser\\CLSID",
         nullptr, kClsid},
        {"CurrentVersion", HKEY_CLASSES_ROOT, "HTMLSourceParser.HTMLSourceParser\\CurVer", nullptr,
         "HTMLSourceParser.HTMLSourceParser.1"},
        {"ClassName", HKEY_CLASSES_ROOT, kClassKey, nullptr, "HTMLSourceParser Class"},
        {"ClassProgId", HKEY_CLASSES_ROOT, kClassKey + "\\ProgID", nullptr,
         "HTMLSourceParser.HTMLSourceParser.1"},
        {"ClassIndependentProgId", HKEY_CLASSES_ROOT, kClassKey + "\\VersionIndependentProgID",
         nullptr, "HTMLSourceParser.HTMLSourceParser"},
        {"ServerPath", HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", nullptr, ModulePath()},
        {"ThreadingModel", HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", "ThreadingModel",
         "Apartment"},
        {"ClassTypeLib", HKEY_CLASSES_ROOT, kClassKey + "\\TypeLib", nullptr, kLibid},
        {"BrowserHelperObject", HKEY_LOCAL_MACHINE, kHelperObjects + "\\" + kClsid, nullptr,
         "Harbourline"},
        {"TypeLibName", HKEY_CLASSES_ROOT, "TypeLib\\" + kLibid + "\\1.0", nullptr,
         "Quillnet 1.0 Type Library"},
        {"TypeLibPath", HKEY_CLASSES_ROOT, "TypeLib\\" + kLibid + "\\1.0\\409\\win32", nullptr,
         ModulePath()},
        {"InterfaceTypeLib", HKEY_CLASSES_ROOT, "Interface\\" + kIid + "\\TypeLib", nullptr,
         kLibid},
    };
}

class Registration : public testing::Test {
protected:
    void SetUp() override {
        Sandbox::Get();
        DllUnregisterServer();
    }
    void TearDown() override { DllUnregisterServer(); }
};

TEST_F(Registration, WritesEveryEntry) {
    ASSERT_EQ(DllRegisterServer(), S_OK);
    for (const EntryRow& row : EntryRows())
        EXPECT_EQ(Value(row.root, row.path, row.value), row.expected) << row.name;
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kClassKey + "\\Programmable"));
}

TEST_F(Registration, RegisteringAgainReplacesTheClassKeys) {
    ASSERT_EQ(DllRegisterServer(), S_OK);
    CreateKey(HKEY_CLASSES_ROOT, kClassKey + "\\Stale");
    CreateKey(HKEY_LOCAL_MACHINE, kHelperObjects + "\\" + kClsid + "\\Stale");
    ASSERT_EQ(DllRegisterServer(), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey + "\\Stale"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kHelperObjects + "\\" + kClsid + "\\Stale"));
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, kClassKey), "HTMLSourceParser Class");
}

TEST_F(Registration, UnregisteringRemovesOnlyThisClass) {
    CreateKey(HKEY_CLASSES_ROOT, "CLSID\\{00000000-1111-2222-3333-444444444444}");
    CreateKey(HKEY_LOCAL_MACHINE, kHelperObjects + "\\{00000000-1111-2222-3333-444444444444}");
    ASSERT_EQ(DllRegisterServer(), S_OK);
    ASSERT_EQ(DllUnregisterServer(), S_OK);

    for (const EntryRow& row : EntryRows())
        EXPECT_EQ(Value(row.root, row.path, row.value), "<missing>") << row.name;
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "HTMLSourceParser.HTMLSourceParser.1"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "HTMLSourceParser.HTMLSourceParser"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\" + kLibid));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Interface\\" + kIid));
    // The shared parents and the other class stay.
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\{00000000-1111-2222-3333-444444444444}"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kHelperObjects));
    EXPECT_TRUE(
        KeyExists(HKEY_LOCAL_MACHINE, kHelperObjects + "\\{00000000-1111-2222-3333-444444444444}"));
}

TEST_F(Registration, UnregisteringWhatIsNotThereSucceeds) {
    EXPECT_EQ(DllUnregisterServer(), S_OK);
    EXPECT_EQ(DllUnregisterServer(), S_OK);
}

TEST_F(Registration, TypeLibraryKeyStaysWhileAnotherVersionIsRegistered) {
    CreateKey(HKEY_CLASSES_ROOT, "TypeLib\\" + kLibid + "\\2.0");
    ASSERT_EQ(DllRegisterServer(), S_OK);
    ASSERT_EQ(DllUnregisterServer(), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\" + kLibid + "\\1.0"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\" + kLibid + "\\2.0"));
    ASSERT_EQ(SHDeleteKeyA(HKEY_CLASSES_ROOT, ("TypeLib\\" + kLibid).c_str()), ERROR_SUCCESS);
}

} // namespace
} // namespace inspectortest
