// ShippedFile: header line, version check, encipherment and the start-up decipherment.
#include "tools/hkwdefs/ShippedFile.h"

#include "core/BlowfishCipher.h"

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

bool DecipherAtStartUp(std::string_view shipped, std::string& working, std::string& error) {
    if (shipped.size() < kShippedHeaderBytes) {
        error = "the file is too short (" + std::to_string(shipped.size()) +
                " bytes) to hold the 16-byte header line";
        return false;
    }
    std::string out(shipped.size(), '\0');
    try {
        ProgramCipher().Decipher(Bytes(shipped), reinterpret_cast<unsigned char*>(out.data()),
                                 shipped.size(), BlowfishCipher::ECB);
    } catch (const BlowfishError& refusal) {
        error = std::string(refusal.what()) + ": the length (" + std::to_string(shipped.size()) +
                " bytes) is not a multiple of 8";
        return false;
    }
    out[14] = '\r';
    out[15] = '\n';
    working = std::move(out);
    return true;
}
