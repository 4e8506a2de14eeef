// A sandbox for the data layer tests: its own temporary folder holding the registry file, the
// program folder, XDG_CONFIG_HOME and XDG_RUNTIME_DIR, and helpers to read registry trees back.
#pragma once

#include "core/FileNames.h"
#include "core/settings/LanguagePack.h"
#include "platform/Registry.h"
#include "tests/support/Files.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace hookwise::core;

class AppDataSandbox : public ::testing::Test {
protected:
    void SetUp() override {
        sandbox_ = std::make_unique<testsupport::Sandbox>("appdata");
        folder_ = sandbox_->Path();
        programFolder_ = folder_ + "/program";
        std::filesystem::create_directories(programFolder_);
        sandbox_->SetEnv("XDG_CONFIG_HOME", folder_ + "/config");
        SetProgramFolder(programFolder_);
        SetCurrentLanguage(kDefaultLanguage);
    }

    void TearDown() override {
        SetCurrentLanguage(kDefaultLanguage);
        sandbox_.reset();
    }

    static std::string ReadFile(const std::string& path) { return testsupport::ReadFile(path); }
    static void WriteFile(const std::string& path, const std::string& content) {
        testsupport::WriteFile(path, content);
    }

    std::unique_ptr<testsupport::Sandbox> sandbox_;
    std::string folder_;
    std::string programFolder_;
};

// One stored value: its type and exact bytes.
struct StoredValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
    bool operator==(const StoredValue&) const = default;
};

inline std::vector<BYTE> Bytes(std::initializer_list<int> list) {
    std::vector<BYTE> out;
    for (int b : list)
        out.push_back(static_cast<BYTE>(b));
    return out;
}

inline std::vector<BYTE> TextBytes(const std::string& text) {
    return std::vector<BYTE>(text.begin(), text.end());
}

inline void PrintTo(const StoredValue& v, std::ostream* os) {
    *os << "type " << v.type << " bytes [";
    for (BYTE b : v.bytes)
        *os << ' ' << int(b);
    *os << " ]";
}

// The values of one key, in enumeration (creation) order, as (name, value) pairs.
inline std::vector<std::pair<std::string, StoredValue>> KeyValues(HKEY root,
                                                                  const std::string& path) {
    std::vector<std::pair<std::string, StoredValue>> values;
    RegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; ++i) {
        char name[1024];
        DWORD nameChars = sizeof name;
        DWORD type = 0;
        DWORD size = 0;
        if (RegEnumValueA(key.Get(), i, name, &nameChars, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            break;
        std::vector<BYTE> data(size + 1);
        DWORD got = size + 1;
        nameChars = sizeof name;
        RegEnumValueA(key.Get(), i, name, &nameChars, nullptr, &type, data.data(), &got);
        data.resize(size);
        values.push_back({std::string(name, nameChars), StoredValue{type, data}});
    }
    return values;
}

// Everything below path: "sub\key" -> its values in order ("" is path itself).
inline std::map<std::string, std::vector<std::pair<std::string, StoredValue>>>
DumpTree(HKEY root, const std::string& path) {
    std::map<std::string, std::vector<std::pair<std::string, StoredValue>>> tree;
    std::vector<std::string> pending{""};
    while (!pending.empty()) {
        std::string relative = pending.back();
        pending.pop_back();
        std::string full = relative.empty() ? path : path + "\\" + relative;
        RegKey key;
        if (RegOpenKeyExA(root, full.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
            continue;
        tree[relative] = KeyValues(root, full);
        char name[1024];
        for (DWORD i = 0; RegEnumKeyA(key.Get(), i, name, sizeof name) == ERROR_SUCCESS; ++i)
            pending.push_back(relative.empty() ? name : relative + "\\" + name);
    }
    return tree;
}

// The stored form of one value, or a value of type 0xFFFFFFFF when it is missing.
inline StoredValue ValueAt(HKEY root, const std::string& path, const std::string& name) {
    for (auto& [valueName, value] : KeyValues(root, path)) {
        if (valueName == name)
            return value;
    }
    return StoredValue{0xFFFFFFFFu, {}};
}

inline bool KeyExists(HKEY root, const std::string& path) {
    RegKey key;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}
