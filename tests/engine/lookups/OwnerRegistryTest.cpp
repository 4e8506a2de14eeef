// The Owner... registry wrappers: 1 or 0 for the call's result, subkeys opened and closed around
// one operation, the caller's key left open.
#include "engine/LSPGlobals.h"
#include "platform/Registry.h"
#include "RegistryFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class OwnerRegistry : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        ASSERT_EQ(CLSPGlobals::OwnerRegConnectRegistry(HKEY_CURRENT_USER, root_), 1);
        ASSERT_EQ(CLSPGlobals::OwnerRegCreateKeyEx(root_, kAppKey, app_), 1);
        ASSERT_NE(app_, nullptr);
    }
    void TearDown() override {
        RegCloseKey(app_);
        RegCloseKey(root_);
        RegistryTest::TearDown();
    }

    std::string Query(HKEY key, const char* subKey, const char* name) {
        char data[261] = {};
        if (!CLSPGlobals::OwnerRegQueryEncValueEx(key, subKey, name, data))
            return "<failed>";
        return data;
    }

    HKEY root_ = nullptr;
    HKEY app_ = nullptr;
};

TEST_F(OwnerRegistry, SetWithEmptySubkeyWritesIntoTheKeyItself) {
    ASSERT_EQ(CLSPGlobals::OwnerRegSetEncValueEx(app_, "", "Name", REG_SZ, "abc", 4), 1);
    EXPECT_EQ(Query(app_, "", "Name"), "abc");
    // The caller's key is still open and usable.
    ASSERT_EQ(CLSPGlobals::OwnerRegSetEncValueEx(app_, nullptr, "Other", REG_SZ, "d", 2), 1);
    EXPECT_EQ(Query(app_, nullptr, "Other"), "d");
}

TEST_F(OwnerRegistry, SetAndQueryThroughSubkey) {
    HKEY sub = nullptr;
    ASSERT_EQ(CLSPGlobals::OwnerRegCreateEncKeyEx(app_, "Overview", sub), 1);
    RegCloseKey(sub);
    ASSERT_EQ(CLSPGlobals::OwnerRegSetEncValueEx(app_, "Overview", "Flag", REG_SZ, "on", 3), 1);
    EXPECT_EQ(Query(app_, "Overview", "Flag"), "on");
    EXPECT_EQ(Query(app_, "", "Flag"), "<failed>");
}

TEST_F(OwnerRegistry, MissingSubkeyFails) {
    EXPECT_EQ(CLSPGlobals::OwnerRegSetEncValueEx(app_, "Nowhere", "Name", REG_SZ, "a", 2), 0);
    EXPECT_EQ(Query(app_, "Nowhere", "Name"), "<failed>");
}

TEST_F(OwnerRegistry, ValuesPassThroughUnscrambled) {
    const unsigned char bytes[4] = {1, 0, 0x3B, 0xFF};
    ASSERT_EQ(CLSPGlobals::OwnerRegSetEncValueEx(app_, "", "Count", REG_BINARY, bytes, 4), 1);
    BYTE read[8] = {};
    DWORD size = sizeof read;
    DWORD type = REG_NONE;
    ASSERT_EQ(RegQueryValueExA(app_, "Count", nullptr, &type, read, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    ASSERT_EQ(size, 4u);
    EXPECT_EQ(std::memcmp(read, bytes, 4), 0);
}

TEST_F(OwnerRegistry, QueryReadsAtMost260Bytes) {
    std::string fits(259, 'f');
    std::string tooLong(300, 't');
    RegSetValueExA(app_, "Fits", 0, REG_SZ, reinterpret_cast<const BYTE*>(fits.c_str()), 260);
    RegSetValueExA(app_, "Long", 0, REG_SZ, reinterpret_cast<const BYTE*>(tooLong.c_str()), 301);
    char data[261];
    std::memset(data, 'X', sizeof data);
    EXPECT_EQ(CLSPGlobals::OwnerRegQueryValueEx(app_, "Long", data), 0);
    EXPECT_EQ(data[0], 'X');
    EXPECT_EQ(CLSPGlobals::OwnerRegQueryValueEx(app_, "Fits", data), 1);
    EXPECT_EQ(std::string(data), fits);
}

TEST_F(OwnerRegistry, MissingValueFails) {
    char data[261];
    EXPECT_EQ(CLSPGlobals::OwnerRegQueryValueEx(app_, "Absent", data), 0);
}

} // namespace
