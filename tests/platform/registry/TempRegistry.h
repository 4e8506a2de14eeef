// A test fixture that points the registry at a fresh file in its own temporary folder.
#pragma once

#include "platform/Registry.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

class TempRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        sandbox_ = std::make_unique<testsupport::Sandbox>("hkreg");
        folder_ = sandbox_->Path();
        file_ = sandbox_->RegistryFile();
        // Never let a test reach the real user's configuration, whatever it does with the variable.
        sandbox_->SetEnv("XDG_CONFIG_HOME", folder_ + "/config");
    }

    void TearDown() override { sandbox_.reset(); }

    // A new key below HKEY_CURRENT_USER; fails the test when it cannot be made.
    HKEY Create(const char* path) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }

    static LONG SetString(HKEY key, const char* name, const std::string& text) {
        return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                              static_cast<DWORD>(text.size()));
    }

    // The value's bytes as a string, or "<error N>".
    static std::string Read(HKEY key, const char* name) {
        BYTE buffer[512];
        DWORD size = sizeof buffer;
        LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, buffer, &size);
        if (rc != ERROR_SUCCESS)
            return "<error " + std::to_string(rc) + ">";
        return std::string(reinterpret_cast<char*>(buffer), size);
    }

    std::unique_ptr<testsupport::Sandbox> sandbox_;
    std::string folder_;
    std::string file_;
};
