// Fuzzes the profile reader: the input is written as an INI file and read back through
// GetPrivateProfileStringA / SectionA and the scrambled read, with fixed names and names taken
// from the input, into exact-size buffers of several sizes.
#include "engine/LSPGlobals.h"
#include "platform/Profile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string gPath;

void RemoveFile() {
    unlink(gPath.c_str());
}

bool WriteInput(const std::uint8_t* data, std::size_t size) {
    int fd = open(gPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = write(fd, data, size) == static_cast<ssize_t>(size);
    // A modification time in the past lets the reader keep its parsed copy for the whole run
    // (copies of just-modified files are re-read, which would hide the cached path).
    struct timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    futimens(fd, times);
    close(fd);
    return ok;
}

// The text between the first '[' and the next ']' or line end, or the text before the first '=',
// so that the reader also sees names that do occur in the file.
std::string NameFrom(const std::string& text, char open, char close) {
    std::size_t start = open ? text.find(open) : 0;
    if (start == std::string::npos)
        return "";
    if (open)
        ++start;
    std::size_t end = text.find_first_of(std::string(1, close) + "\r\n", start);
    if (end == std::string::npos)
        end = text.size();
    return text.substr(start, std::min<std::size_t>(end - start, 64));
}

void ReadString(const char* section, const char* key, DWORD size) {
    auto out = std::make_unique<char[]>(size ? size : 1);
    DWORD n = GetPrivateProfileStringA(section, key, "fallback  ", out.get(), size, gPath.c_str());
    if (size == 0) {
        if (n != 0)
            __builtin_trap();
        return;
    }
    if (n >= size)
        __builtin_trap();
    if (section && key && out[n] != '\0')
        __builtin_trap();
}

void ReadSection(const char* section, DWORD size) {
    auto out = std::make_unique<char[]>(size ? size : 1);
    DWORD n = GetPrivateProfileSectionA(section, out.get(), size, gPath.c_str());
    if (size < 2) {
        if (n != 0)
            __builtin_trap();
        return;
    }
    if (n > size - 1 || out[n] != '\0')
        __builtin_trap();
}

void ReadScrambled(const char* section, const char* key) {
    auto out = std::make_unique<char[]>(261);
    unsigned long n =
        CLSPGlobals::GetEncPrivateProfileString(section, key, "", out.get(), 261, gPath.c_str());
    if (n > 260 || strnlen(out.get(), 261) == 261)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char path[] = "/tmp/hookwise-fuzz-profile-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0)
        std::abort();
    close(fd);
    gPath = path;
    std::atexit(RemoveFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!WriteInput(data, size))
        return 0;
    ProfileCacheClear();
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string section = NameFrom(text, '[', ']');
    std::string afterHeader = text.substr(std::min(text.size(), text.find('\n') + 1));
    std::string key = NameFrom(afterHeader, 0, '=');

    static const char* const kSections[] = {"Link", "section", "", " Link "};
    static const char* const kKeys[] = {"CLINK1", "key", ""};
    static const DWORD kSizes[] = {0, 1, 2, 3, 8, 100, 261};
    for (const char* s : kSections) {
        for (const char* k : kKeys)
            ReadString(s, k, 261);
    }
    for (DWORD n : kSizes) {
        ReadString(section.c_str(), key.c_str(), n);
        ReadString(section.c_str(), nullptr, n);
        ReadString(nullptr, nullptr, n);
        ReadSection(section.c_str(), n);
    }
    ReadSection("section", 4096);
    ReadScrambled(section.c_str(), key.c_str());
    ReadScrambled("Link", "CLINK1");
    return 0;
}
