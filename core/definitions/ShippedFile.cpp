// ShippedFile: header line, version check and reading, encipherment and the start-up
// decipherment.
//
// Sections: the version line; encipherment and decipherment.
#include "core/definitions/ShippedFile.h"

#include "core/definitions/BlowfishCipher.h"
#include "platform/RegularFile.h"

#include <unistd.h>

using namespace hookwise::platform;

namespace hookwise::core {

namespace {

constexpr std::size_t kVersionLength = 10; // MM/DD/YYYY
constexpr std::size_t kHeaderTextLength = 14;
constexpr std::size_t kBlockBytes = 8;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool HasDatePattern(std::string_view text) {
    if (text.size() != kVersionLength)
        return false;
    for (std::size_t i = 0; i < kVersionLength; ++i) {
        const bool slot = i == 2 || i == 5;
        if (slot ? text[i] != '/' : !IsDigit(text[i]))
            return false;
    }
    return true;
}

int Number(std::string_view digits) {
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

const unsigned char* Bytes(std::string_view text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

// The key schedule runs once; the cipher is only read afterwards, so threads may share it.
const BlowfishCipher& ProgramCipher() {
    static const BlowfishCipher cipher(reinterpret_cast<const unsigned char*>(kDefinitionFileKey),
                                       kDefinitionFileKeyLength);
    return cipher;
}

} // namespace

// ---- the version line ----

bool CheckVersion(std::string_view version, std::string& reason) {
    if (!HasDatePattern(version)) {
        reason = "the version must be a date MM/DD/YYYY, such as 12/01/2026";
        return false;
    }
    const int month = Number(version.substr(0, 2));
    const int day = Number(version.substr(3, 2));
    const int year = Number(version.substr(6, 4));
    if (month < 1 || month > 12) {
        reason = "the month (first number) must be 01 to 12";
        return false;
    }
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int daysInMonth[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (day < 1 || day > daysInMonth[month - 1]) {
        reason = "the day (second number) does not exist in that month";
        return false;
    }
    if (year < 1) {
        reason = "the year must not be 0000";
        return false;
    }
    return true;
}

bool HasShippedHeader(std::string_view bytes) {
    if (bytes.size() < kShippedHeaderBytes || !HasDatePattern(bytes.substr(0, kVersionLength)))
        return false;
    return bytes.substr(kVersionLength, kShippedHeaderBytes - kVersionLength) == "    \r\n";
}

std::string ShippedVersion(std::string_view bytes) {
    return std::string(bytes.substr(0, kVersionLength));
}

std::string DefinitionsVersionOf(const std::string& firstBytes) {
    const std::string head = firstBytes.substr(0, 256);
    const std::size_t end = head.find("\r\n");
    if (end == std::string::npos)
        return {};
    std::string version = head.substr(0, end);
    // The line is read as a C string: a NUL ends it.
    if (const std::size_t nul = version.find('\0'); nul != std::string::npos)
        version.resize(nul);
    while (!version.empty() && (version.back() == ' ' || version.back() == '\t'))
        version.pop_back();
    if (version.find('/') != 2 || version.find('/', 3) != 5)
        return {};
    return version;
}

std::FILE* OpenShippedDefinitions(const std::string& shippedPath) {
    const int fd = OpenRegularFile(shippedPath, FollowLink::Yes);
    if (fd < 0)
        return nullptr;
    std::FILE* file = fdopen(fd, "rb");
    if (file == nullptr)
        close(fd);
    return file;
}

std::string ReadDefinitionsVersion(const std::string& shippedPath) {
    std::FILE* file = OpenShippedDefinitions(shippedPath);
    if (file == nullptr)
        return {};
    char buffer[256];
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
    std::fclose(file);
    return DefinitionsVersionOf(std::string(buffer, n));
}

// ---- encipherment and decipherment ----

std::string BuildShippedFile(std::string_view version, std::string_view definitionText) {
    std::string header(version);
    header.resize(kHeaderTextLength, ' ');
    header += "\r\n";

    std::string body(definitionText);
    // Blanks pad the last line; the reader trims them, so they add nothing to the database.
    body.resize((body.size() + kBlockBytes - 1) / kBlockBytes * kBlockBytes, ' ');
    if (body.empty())
        return header;
    std::string file = header + body;
    ProgramCipher().Encipher(Bytes(body),
                             reinterpret_cast<unsigned char*>(file.data()) + kShippedHeaderBytes,
                             body.size());
    return file;
}

bool DecipherShippedBytes(const unsigned char* shipped, std::size_t size, unsigned char* working,
                          std::string& refusal) {
    try {
        ProgramCipher().Decipher(shipped, working, size, BlowfishCipher::ECB);
    } catch (const BlowfishError& error) {
        refusal = error.what();
        return false;
    }
    // Deciphering does not keep the plain header line; its line end is put back so the working
    // copy's first line always ends at byte 16. A file shorter than that has no such line.
    if (size >= kShippedHeaderBytes) {
        working[14] = '\r';
        working[15] = '\n';
    }
    return true;
}

bool DecipherAtStartUp(std::string_view shipped, std::string& working, std::string& error) {
    if (shipped.size() < kShippedHeaderBytes) {
        error = "the file is too short (" + std::to_string(shipped.size()) +
                " bytes) to hold the 16-byte header line";
        return false;
    }
    std::string out(shipped.size(), '\0');
    std::string refusal;
    if (!DecipherShippedBytes(Bytes(shipped), shipped.size(),
                              reinterpret_cast<unsigned char*>(out.data()), refusal)) {
        error = refusal + ": the length (" + std::to_string(shipped.size()) +
                " bytes) is not a multiple of 8";
        return false;
    }
    working = std::move(out);
    return true;
}

} // namespace hookwise::core
