// Builds a version block (the VS_VERSIONINFO tree: fixed file information, one string table and
// the translation pair) at compile time, so a program or library can carry it in an ELF section
// of its own and any reader can find its version without running it.
//
// Node layout: WORD wLength, WORD wValueLength, WORD wType (1 text, 0 binary), the key as UTF-16
// with its NUL, padding to 4 bytes, the value, padding to 4 bytes, the children. Texts are ASCII.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The section that holds the block in HookWs and libbaitlib.so.
#define HOOKWISE_VERSION_SECTION ".hookwise.version"
constexpr const char* kVersionSectionName = HOOKWISE_VERSION_SECTION;

struct VersionBlockContent {
    std::uint32_t fileVersionMS = 0;
    std::uint32_t fileVersionLS = 0;
    std::uint32_t productVersionMS = 0;
    std::uint32_t productVersionLS = 0;
    std::uint32_t fileType = 0; // 1 program (VFT_APP), 2 library (VFT_DLL)
    bool hasTranslation = true; // false: no VarFileInfo node at all
    std::uint16_t language = 0x0409;
    std::uint16_t codePage = 1252;
    const char* tableKey = "040904e4"; // the StringTable node's key
    // Entry names and texts; a null name ends the list.
    std::array<const char*, 12> names{};
    std::array<const char*, 12> values{};
};

constexpr std::size_t kVersionBlockCapacity = 4096;

struct VersionBlockBuffer {
    std::array<std::uint8_t, kVersionBlockCapacity> bytes{};
    std::size_t size = 0;
    bool overflow = false;
};

namespace version_block_detail {

struct Writer {
    VersionBlockBuffer out;

    constexpr void Byte(std::uint8_t b) {
        if (out.size >= out.bytes.size()) {
            out.overflow = true;
            return;
        }
        out.bytes[out.size++] = b;
    }
    constexpr void Word(std::uint16_t w) {
        Byte(static_cast<std::uint8_t>(w & 0xFF));
        Byte(static_cast<std::uint8_t>(w >> 8));
    }
    constexpr void Dword(std::uint32_t d) {
        Word(static_cast<std::uint16_t>(d & 0xFFFF));
        Word(static_cast<std::uint16_t>(d >> 16));
    }
    constexpr void Align4() {
        while (out.size % 4 != 0 && !out.overflow)
            Byte(0);
    }
    constexpr void WideText(const char* text) {
        for (; *text; ++text)
            Word(static_cast<std::uint8_t>(*text));
        Word(0);
    }
    constexpr void PatchWord(std::size_t at, std::size_t value) {
        if (at + 1 >= out.bytes.size())
            return;
        out.bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
        out.bytes[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    }
    // Starts a node at a 4-byte boundary; returns its offset for End().
    constexpr std::size_t Begin(const char* key, std::uint16_t valueLength, std::uint16_t type) {
        Align4();
        std::size_t at = out.size;
        Word(0);
        Word(valueLength);
        Word(type);
        WideText(key);
        Align4();
        return at;
    }
    constexpr void End(std::size_t at) { PatchWord(at, out.size - at); }
};

constexpr std::uint16_t TextLength(const char* text) {
    std::uint16_t n = 0;
    while (text[n])
        ++n;
    return n;
}

} // namespace version_block_detail

constexpr VersionBlockBuffer BuildVersionBlock(const VersionBlockContent& content) {
    version_block_detail::Writer w;
    std::size_t root = w.Begin("VS_VERSION_INFO", 52, 0);
    const std::uint32_t fixed[13] = {0xFEEF04BD,
                                     0x00010000,
                                     content.fileVersionMS,
                                     content.fileVersionLS,
                                     content.productVersionMS,
                                     content.productVersionLS,
                                     0x3F,
                                     0,
                                     0,
                                     content.fileType,
                                     0,
                                     0,
                                     0};
    for (std::uint32_t d : fixed)
        w.Dword(d);

    std::size_t strings = w.Begin("StringFileInfo", 0, 1);
    std::size_t table = w.Begin(content.tableKey, 0, 1);
    for (std::size_t i = 0; i < content.names.size() && content.names[i]; ++i) {
        const char* value = content.values[i] ? content.values[i] : "";
        std::size_t entry =
            w.Begin(content.names[i],
                    static_cast<std::uint16_t>(version_block_detail::TextLength(value) + 1), 1);
        w.WideText(value);
        w.End(entry);
    }
    w.End(table);
    w.End(strings);

    if (content.hasTranslation) {
        std::size_t vars = w.Begin("VarFileInfo", 0, 1);
        std::size_t translation = w.Begin("Translation", 4, 0);
        w.Word(content.language);
        w.Word(content.codePage);
        w.End(translation);
        w.End(vars);
    }
    w.End(root);
    return w.out;
}

// The first N bytes of a built block, as the array a section variable is initialised with.
template <std::size_t N>
constexpr std::array<std::uint8_t, N> TrimVersionBlock(const VersionBlockBuffer& buffer) {
    std::array<std::uint8_t, N> bytes{};
    for (std::size_t i = 0; i < N; ++i)
        bytes[i] = buffer.bytes[i];
    return bytes;
}

// The content of the product's version 3.0.0.0 with the given description, internal and file names.
constexpr VersionBlockContent HookwiseVersionContent(std::uint32_t fileType,
                                                     const char* description,
                                                     const char* internalName,
                                                     const char* originalFilename) {
    VersionBlockContent content;
    content.fileVersionMS = 3u << 16;
    content.productVersionMS = 3u << 16;
    content.fileType = fileType;
    content.names = {"CompanyName",    "FileDescription",  "FileVersion", "InternalName",
                     "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion"};
    content.values = {
        "Corvane",        description, "3, 0, 0, 0", internalName, "Copyright (C) Corvane",
        originalFilename, "Hookwise",  "3, 0, 0, 0"};
    return content;
}
