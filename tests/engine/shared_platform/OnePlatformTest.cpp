// One platform layer per process: this program and the engine in libbaitlib.so both use
// libhookwise_platform.so, so a handle the engine made is valid here, and the registry store this
// program reopens is the one the engine reads.
#include "engine/LSPGlobals.h"
#include "platform/ChannelReceiver.h"
#include "platform/ProductNames.h"
#include "platform/Registry.h"
#include "platform/Window.h"
#include "tests/platform/channel/ReceiverLoop.h"
#include "tests/support/Sandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <dlfcn.h>

using namespace hookwise::platform;

namespace {

class OnePlatform : public testing::Test {
protected:
    void SetUp() override { ClearEngine(); }
    void TearDown() override { ClearEngine(); }

    void UseRegistry(const std::string& name) {
        sandbox_.SetEnv("HOOKWISE_REGISTRY", sandbox_.File(name));
    }

    // "App Path" as the tray program writes it: a REG_SZ with its terminator.
    static void SetAppPath(const std::string& folder) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kProductKeyPath, 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExA(key, "App Path", 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(folder.c_str()),
                                 static_cast<DWORD>(folder.size() + 1)),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    static void ClearEngine() {
        CLSPGlobals::szAppPath[0] = '\0';
        CLSPGlobals::szDBPath[0] = '\0';
        CLSPGlobals::szPMailPath[0] = '\0';
        CLSPGlobals::hMainWnd = nullptr;
    }

    testsupport::Sandbox sandbox_{"oneplatform"};
};

TEST(OnePlatformLibrary, PlatformCallsResolveToTheSharedLibrary) {
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&FindWindowA), &info), 0);
    EXPECT_THAT(info.dli_fname, testing::EndsWith("/libhookwise_platform.so"));
    Dl_info engine{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&CLSPGlobals::InitializeAppVars), &engine), 0);
    EXPECT_THAT(engine.dli_fname, testing::EndsWith("/libbaitlib.so"));
}

TEST_F(OnePlatform, HandlerWindowTheEngineFoundCarriesThisProgramsMessage) {
    std::uint32_t received = 0;
    ChannelReceiver receiver([&](std::uint32_t code, const std::uint8_t*, std::uint32_t) {
        received = code;
        return 7;
    });
    ASSERT_EQ(receiver.Listen(kHandlerCaption), ERROR_SUCCESS);
    channeltest::ReceiverLoop loop(receiver);
    loop.Start();

    ASSERT_TRUE(CLSPGlobals::InitializeAppVars());
    ASSERT_NE(CLSPGlobals::hMainWnd, nullptr);
    EXPECT_EQ(CLSPGlobals::hMainWnd, FindWindowA(nullptr, kHandlerCaption));
    EXPECT_EQ(WindowCaption(CLSPGlobals::hMainWnd), kHandlerCaption);
    const std::uint8_t byte = 1;
    EXPECT_EQ(SendCopyData(CLSPGlobals::hMainWnd, 1125, &byte, 1), 7);
    loop.Stop();
    EXPECT_EQ(received, 1125u);
}

TEST_F(OnePlatform, RegistryReopenedHereIsTheOneTheEngineReads) {
    SetAppPath("/first");
    ASSERT_TRUE(CLSPGlobals::InitializeAppVars());
    EXPECT_STREQ(CLSPGlobals::szAppPath, "/first");

    UseRegistry("second.db");
    SetAppPath("/second");
    ClearEngine();
    ASSERT_TRUE(CLSPGlobals::InitializeAppVars());
    EXPECT_STREQ(CLSPGlobals::szAppPath, "/second");
}

} // namespace
