// Fuzzes the link checks with arbitrary HTML against a small scrambled definition database that
// is written once at start.
#include "engine/LSPGlobals.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include <unistd.h>

namespace {

std::string gFolder;

void RemoveDatabase() {
    std::remove(CLSPGlobals::szDBPath);
    rmdir(gFolder.c_str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char folder[] = "/tmp/hookwise-fuzz-links-XXXXXX";
    if (!mkdtemp(folder))
        std::abort();
    gFolder = folder;
    std::string path = gFolder + "/hkwdb2.pbd";
    const std::pair<const char*, std::string> entries[] = {
        {"CLINK1", "null"},
        {"VLINK1", "null"},
        {"CLINK2", "evil.example"},
        {"VLINK2", "Trusted Bank"},
        {"CLINK3", "x\">"},
        {"VLINK3", "click"},
        {"CLINK4", "a"},
        {"VLINK4", std::string(260, 'z')},
        {"CLINK5", "paypa1"},
        {"CLINK6", "<"},
        {"VLINK6", ""},
    };
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        std::abort();
    std::string text = "[" + CLSPGlobals::EncryptString("Link") + "]\r\n";
    for (const auto& [key, value] : entries)
        text += CLSPGlobals::EncryptString(key) + "=" + CLSPGlobals::EncryptString(value) + "\r\n";
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    std::snprintf(CLSPGlobals::szDBPath, sizeof CLSPGlobals::szDBPath, "%s", path.c_str());
    std::atexit(RemoveDatabase);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string html(reinterpret_cast<const char*>(data), size);
    auto visible = std::make_unique<char[]>(261);
    auto pattern = std::make_unique<char[]>(261);
    if (CLSPGlobals::IsBadVisibleMailLinks(html.c_str(), visible.get(), pattern.get())) {
        if (strnlen(visible.get(), 261) == 261 || strnlen(pattern.get(), 261) == 261)
            __builtin_trap();
        // A visible-link hit is always a plain link hit too.
        auto plain = std::make_unique<char[]>(261);
        if (!CLSPGlobals::IsBadMailLinks(html.c_str(), plain.get()))
            __builtin_trap();
    }
    CLSPGlobals::IsBadMailLinks(html.c_str(), pattern.get());
    return 0;
}
