// Engine tests that use the registry: a registry file and a runtime folder of their own, and the
// engine's paths and handles cleared before and after each test.
#pragma once

#include "engine/LSPGlobals.h"
#include "platform/ProductNames.h"
#include "platform/Registry.h"
#include "tests/support/Sandbox.h"
#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

class RegistryTest : public testing::Test {
protected:
    static constexpr const char* kAppKey = hookwise::platform::kProductKeyPath;

    void SetUp() override {
        sandbox_ = std::make_unique<testsupport::Sandbox>("engine");
        registryPath_ = sandbox_->RegistryFile();
        runtimePath_ = sandbox_->Runtime();
        ClearEngineState();
    }
    void TearDown() override {
        ClearEngineState();
        sandbox_.reset();
    }

    static void ClearEngineState() {
        CLSPGlobals::szAppPath[0] = '\0';
        CLSPGlobals::szDBPath[0] = '\0';
        CLSPGlobals::szPMailPath[0] = '\0';
        CLSPGlobals::hAppRegKey = nullptr;
        CLSPGlobals::hMainWnd = nullptr;
    }

    // Writes "App Path" as the tray program does: a REG_SZ with its terminator.
    void SetAppPath(const std::string& folder) {
        RegKey key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kAppKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, key.Put(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key.Get(), "App Path", 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(folder.c_str()),
                                 static_cast<DWORD>(folder.size() + 1)),
                  ERROR_SUCCESS);
    }

    bool AppKeyExists() {
        RegKey key;
        return RegOpenKeyExA(HKEY_CURRENT_USER, kAppKey, 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
    }

    EngineFolder folder_;
    std::unique_ptr<testsupport::Sandbox> sandbox_;
    std::string registryPath_;
    std::string runtimePath_;
};
