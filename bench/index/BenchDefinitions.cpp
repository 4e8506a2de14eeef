// The benchmark entries and the two writers.
#include "BenchDefinitions.h"

#include "engine/LSPGlobals.h"

#include <cstdint>
#include <cstdio>
#include <memory>

namespace benchdefs {

namespace {

std::uint64_t Mix(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

std::string Hex(std::uint64_t value, int digits) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < digits; ++i)
        text.push_back(kDigits[(value >> (4 * i)) & 15]);
    return text;
}

const char* Word(std::uint64_t h) {
    static const char* const kWords[] = {
        "secure", "login",  "account", "verify",  "update", "billing", "support", "service",
        "signin", "wallet", "banking", "payment", "auth",   "client",  "online",  "id"};
    return kWords[h % 16];
}

const char* Domain(std::uint64_t h) {
    static const char* const kTlds[] = {".com", ".net", ".org",     ".info",
                                        ".xyz", ".top", ".example", ".co"};
    return kTlds[h % 8];
}

struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

using ListEntry = std::string (*)(long);

struct ListSpec {
    const char* section;
    const char* prefix;
    ListEntry entry;
};

const ListSpec kLists[] = {
    {"HostIP", "IP", IpEntry},    {"HostLink", "HLINK", HostLinkEntry},
    {"Link", "CLINK", LinkEntry}, {"Link", "VLINK", VisibleEntry},
    {"From", "FROM", FromEntry},  {"Subject", "SUB", SubjectEntry},
    {"Text", "TXT", TextEntry},
};

bool Write(const std::string& path, long count, bool scrambled, bool webOnly = false) {
    std::unique_ptr<std::FILE, Closer> out(std::fopen(path.c_str(), "wb"));
    if (!out)
        return false;
    auto put = [&](const std::string& text) {
        return std::fwrite(text.data(), 1, text.size(), out.get()) == text.size();
    };
    auto field = [&](const std::string& text) {
        return scrambled ? CLSPGlobals::EncryptString(text) : text;
    };
    bool ok = !scrambled || put("\x8f\x12[garbage \xee\r\n");
    const char* section = "";
    for (const ListSpec& list : kLists) {
        if (webOnly && std::string(list.prefix) != "HLINK")
            continue;
        if (std::string(section) != list.section) {
            section = list.section;
            ok = ok && put('[' + field(section) + "]\r\n");
        }
        for (long i = 1; ok && i <= count; ++i) {
            std::string key = list.prefix + std::to_string(i);
            ok = put(field(key) + "=" + field(list.entry(i)) + "\r\n");
        }
    }
    return ok && std::fflush(out.get()) == 0;
}

} // namespace

std::string IpEntry(long i) {
    return "10." + std::to_string(i / 65536 % 256) + "." + std::to_string(i / 256 % 256) + "." +
           std::to_string(i % 256);
}

std::string HostLinkEntry(long i) {
    // As in real feeds: half of them bare hosts, the other half pages, with brand names in hosts
    // and paths.
    std::uint64_t h = Mix(static_cast<std::uint64_t>(i));
    std::string host = std::string(Word(h)) + "-" + Hex(h >> 8, 8) + Domain(h >> 40);
    if (i % 2 == 0)
        return host;
    return std::string("http://") + host + "/" + Word(h >> 44) + "/paypal.com/" + Hex(h >> 20, 6) +
           ".php";
}

std::string LinkEntry(long i) {
    std::uint64_t h = Mix(static_cast<std::uint64_t>(i) + 7000000);
    return std::string("href=\"http://") + Word(h) + Hex(h >> 8, 7) + Domain(h >> 40) + "/" +
           Word(h >> 44);
}

std::string VisibleEntry(long i) {
    return "Your " + std::string(Word(Mix(static_cast<std::uint64_t>(i)))) + " bank " +
           std::to_string(i);
}

std::string FromEntry(long i) {
    std::uint64_t h = Mix(static_cast<std::uint64_t>(i) + 13000000);
    return std::string(Word(h)) + "-" + Hex(h >> 8, 6) + "@" + Word(h >> 36) + "-mail" +
           Domain(h >> 40);
}

std::string SubjectEntry(long i) {
    std::uint64_t h = Mix(static_cast<std::uint64_t>(i) + 21000000);
    return std::string("your ") + Word(h) + " " + Hex(h >> 8, 6) + " is suspended";
}

std::string TextEntry(long i) {
    std::uint64_t h = Mix(static_cast<std::uint64_t>(i) + 29000000);
    return std::string("confirm your ") + Word(h) + " " + Hex(h >> 8, 7) + " within " +
           std::to_string(h % 97) + " hours";
}

bool WriteWorkingCopy(const std::string& path, long count) {
    return Write(path, count, true);
}

bool WriteWebWorkingCopy(const std::string& path, long count) {
    return Write(path, count, true, true);
}

bool WritePlainSource(const std::string& path, long count) {
    return Write(path, count, false);
}

} // namespace benchdefs
