// VersionInfo: the version block reader and its VerQueryValue-style look-ups.
#include "core/settings/VersionInfo.h"

#include "core/FileNames.h"
#include "core/TextUtil.h"
#include "core/settings/ElfSection.h"
#include "engine/VersionBlock.h"
#include "platform/Module.h"
#include "platform/Utf8.h"

#include <cstdio>
#include <cstring>

using namespace hookwise::platform;

namespace hookwise::core {

namespace {
constexpr std::size_t kMaxBlockBytes = 64 * 1024; // a node's length is 16 bits

std::size_t Align4(std::size_t n) {
    return (n + 3) & ~std::size_t(3);
}

std::uint16_t Word(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

struct Node {
    std::string key;
    std::size_t value = 0;      // offset of the value
    std::size_t valueBytes = 0; // its size in bytes
    std::size_t children = 0;   // offset of the first child
    std::size_t end = 0;        // offset just past the node
};

// Parses the node at offset, which must lie before limit. False for a damaged node.
bool ParseNode(const std::vector<std::uint8_t>& b, std::size_t offset, std::size_t limit,
               Node& node) {
    if (offset + 6 > limit)
        return false;
    std::size_t length = Word(b, offset);
    std::size_t valueLength = Word(b, offset + 2);
    std::uint16_t type = Word(b, offset + 4);
    if (length < 6 || offset + length > limit)
        return false;
    node.end = offset + length;
    node.key.clear();
    std::size_t at = offset + 6;
    for (;; at += 2) {
        if (at + 2 > node.end)
            return false;
        std::uint16_t c = Word(b, at);
        if (c == 0)
            break;
        node.key += c < 0x80 ? static_cast<char>(c) : '?';
    }
    node.value = std::min(Align4(at + 2), node.end);
    node.valueBytes = std::min(type == 1 ? valueLength * 2 : valueLength, node.end - node.value);
    node.children = std::min(Align4(node.value + node.valueBytes), node.end);
    return true;
}

// UTF-16 text up to its NUL (or the end) as UTF-8.
std::string Utf8FromUtf16(const std::uint8_t* data, std::size_t bytes) {
    std::string out;
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        std::uint32_t c = data[i] | (data[i + 1] << 8);
        if (c == 0)
            break;
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes) {
            std::uint32_t low = data[i + 2] | (data[i + 3] << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        AppendUtf8(out, c);
    }
    return out;
}
} // namespace

bool VersionInfo::Load(const std::string& path) {
    std::vector<std::uint8_t> block;
    if (!ReadElfSection(path, kVersionSectionName, block, kMaxBlockBytes)) {
        LoadBlock({});
        return false;
    }
    return LoadBlock(std::move(block));
}

bool VersionInfo::LoadBlock(std::vector<std::uint8_t> block) {
    fixed_ = FixedFileInfo{};
    languageId_ = 0;
    codePage_ = 1252;
    block_ = std::move(block);

    Node root;
    if (!ParseNode(block_, 0, block_.size(), root) || root.key != "VS_VERSION_INFO") {
        block_.clear();
        return false;
    }
    const std::uint8_t* value = nullptr;
    std::size_t size = 0;
    if (!QueryValue("\\", &value, &size) || size < sizeof(FixedFileInfo)) {
        block_.clear();
        return false;
    }
    DWORD words[13];
    for (int i = 0; i < 13; ++i)
        words[i] = value[4 * i] | (value[4 * i + 1] << 8) | (value[4 * i + 2] << 16) |
                   (DWORD(value[4 * i + 3]) << 24);
    std::memcpy(&fixed_, words, sizeof fixed_);

    if (QueryValue("\\VarFileInfo\\Translation", &value, &size) && size > 3) {
        languageId_ = static_cast<WORD>(value[0] | (value[1] << 8));
        codePage_ = static_cast<WORD>(value[2] | (value[3] << 8));
    }
    if (fixed_.dwSignature != kFixedFileInfoSignature) {
        block_.clear();
        fixed_ = FixedFileInfo{};
        return false;
    }
    return true;
}

bool VersionInfo::QueryValue(std::string_view subBlock, const std::uint8_t** value,
                             std::size_t* size) const {
    Node node;
    if (!ParseNode(block_, 0, block_.size(), node))
        return false;
    std::size_t pos = 0;
    while (pos < subBlock.size()) {
        std::size_t next = subBlock.find('\\', pos);
        if (next == std::string_view::npos)
            next = subBlock.size();
        std::string_view part = subBlock.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty())
            continue;
        bool found = false;
        for (std::size_t at = node.children; at < node.end;) {
            Node child;
            if (!ParseNode(block_, at, node.end, child))
                break;
            if (EqualsIgnoreAsciiCase(child.key, part)) {
                node = child;
                found = true;
                break;
            }
            at = Align4(child.end);
        }
        if (!found)
            return false;
    }
    *value = block_.data() + node.value;
    *size = node.valueBytes;
    return true;
}

std::string VersionInfo::Query(std::string_view entryName) const {
    if (block_.empty())
        return "";
    char pair[16];
    std::snprintf(pair, sizeof pair, "%04x%04x", languageId_, codePage_);
    std::string path = "\\StringFileInfo\\" + std::string(pair) + "\\" + std::string(entryName);
    const std::uint8_t* value = nullptr;
    std::size_t size = 0;
    if (!QueryValue(path, &value, &size))
        return "";
    return Utf8FromUtf16(value, size);
}

std::string ProgramVersionText() {
    char path[4096];
    if (GetModuleFileNameA(nullptr, path, sizeof path) == 0)
        return "";
    VersionInfo info;
    if (!info.Load(path))
        return "";
    return info.Query("FileVersion");
}

std::string EngineVersionText(const std::string& programFolder) {
    VersionInfo info;
    if (!info.Load(programFolder + "/libbaitlib.so"))
        return "";
    return info.Query("FileVersion");
}

} // namespace hookwise::core
