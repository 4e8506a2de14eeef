// A straightforward profile reader that re-reads and re-scans the file on every call, and the
// lookups walked over it: the baseline the cached reader is measured against.
#include "ReparsingProfile.h"

#include "engine/DetectionRecord.h"
#include "engine/LSPGlobals.h"
#include "platform/AsciiCase.h"
#include "platform/TextTrim.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include <strings.h>

using namespace hookwise::platform;

namespace {

DWORD Copy(std::string_view text, char* out, DWORD size) {
    std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return static_cast<DWORD>(n);
}

DWORD CopyDefault(const char* defaultText, char* out, DWORD size) {
    std::string_view text = defaultText ? defaultText : "";
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return Copy(text, out, size);
}

bool ReadWholeFile(const char* fileName, std::string& text) {
    FILE* file = std::fopen(fileName, "rb");
    if (!file)
        return false;
    std::fseek(file, 0, SEEK_END);
    long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    text.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
    std::size_t got = std::fread(text.data(), 1, text.size(), file);
    text.resize(got);
    std::fclose(file);
    return true;
}

} // namespace

DWORD ReparsingGetPrivateProfileString(const char* section, const char* key,
                                       const char* defaultText, char* out, DWORD size,
                                       const char* fileName) {
    if (size == 0)
        return 0;
    std::string text;
    if (!ReadWholeFile(fileName, text))
        return CopyDefault(defaultText, out, size);

    std::string_view wantedSection = Trim(section, kSpaceTabVt);
    std::string_view wantedKey = Trim(key, kSpaceTabVt);
    bool inSection = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + pos, end - pos);
        pos = text.find_first_not_of("\r\n", end);
        if (pos == std::string::npos)
            pos = text.size();
        line = Trim(line.substr(0, line.find('\0')), kSpaceTabVt);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            if (inSection)
                break; // only the first copy of a section is searched
            std::string_view name = line.substr(1);
            name = Trim(name.substr(0, name.find(']')), kSpaceTabVt);
            inSection = EqualsIgnoreAsciiCase(name, wantedSection);
            continue;
        }
        if (!inSection)
            continue;
        std::size_t equals = line.find('=');
        std::string_view name = Trim(line.substr(0, equals), kSpaceTabVt);
        if (!EqualsIgnoreAsciiCase(name, wantedKey))
            continue;
        if (equals == std::string_view::npos)
            return CopyDefault(defaultText, out, size);
        std::string_view value = Trim(line.substr(equals + 1), kSpaceTabVt);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return Copy(value, out, size);
    }
    return CopyDefault(defaultText, out, size);
}

namespace {

// GetEncPrivateProfileString as written for the engine, over the re-reading reader.
unsigned long ReadEntry(const char* section, const char* key, char* out, unsigned long size,
                        const char* file) {
    std::string scrambledSection = CLSPGlobals::EncryptString(section);
    std::string scrambledKey = CLSPGlobals::EncryptString(key);
    char work[261];
    DWORD n = ReparsingGetPrivateProfileString(scrambledSection.c_str(), scrambledKey.c_str(), "",
                                               work, static_cast<DWORD>(size), file);
    std::string plain = CLSPGlobals::DecryptString(std::string(work, n));
    CopyField(out, size, plain.c_str());
    return n;
}

void Lower(char* s) {
    for (; *s; ++s)
        *s = AsciiLower(*s);
}

template <typename Hit>
bool Walk(const char* section, const char* prefix, unsigned long size, char* entry,
          const char* file, Hit hit) {
    for (int index = 1;; ++index) {
        char key[64];
        std::snprintf(key, sizeof key, "%s%d", prefix, index);
        if (ReadEntry(section, key, entry, size, file) == 0)
            return false;
        if (hit(entry))
            return true;
    }
}

bool TextContains(const char* section, const char* prefix, const char* text, char* matched,
                  const char* file) {
    char entry[261];
    bool found = Walk(section, prefix, 261, entry, file, [text](char* value) {
        Lower(value);
        return std::strstr(text, value) != nullptr;
    });
    if (found && matched)
        CopyField(matched, 261, entry);
    return found;
}

} // namespace

bool BaselineIsBadIP(const char* host, const char* file) {
    char entry[100];
    return Walk("HostIP", "IP", 100, entry, file,
                [host](char* value) { return strcasecmp(host, value) == 0; });
}

bool BaselineIsBadUrl(char* url, const char* file) {
    Lower(url);
    auto contains = [url](char* value) {
        Lower(value);
        return std::strstr(value, url) != nullptr;
    };
    char entry[261];
    return Walk("HostLink", "HLINK", 261, entry, file, contains) ||
           Walk("Link", "CLINK", 261, entry, file, contains);
}

bool BaselineIsBadMailFrom(const char* from, const char* file) {
    return TextContains("From", "FROM", from, nullptr, file);
}

bool BaselineIsBadMailSubject(const char* subject, const char* file) {
    return TextContains("Subject", "SUB", subject, nullptr, file);
}

bool BaselineIsBadMailText(const char* text, char* matched, const char* file) {
    return TextContains("Text", "TXT", text, matched, file);
}
