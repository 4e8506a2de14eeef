// A calendar moment in the SYSTEMTIME layout (eight 16-bit fields, 16 bytes as stored) and the
// English date texts of the alert log and the archive names, independent of the process locale.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace hookwise::core {

struct SystemTime {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;     // 1-12
    std::uint16_t wDayOfWeek = 0; // 0 Sunday - 6 Saturday
    std::uint16_t wDay = 0;       // 1-31
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;

    // The 16 stored bytes, each field little-endian, in field order.
    std::array<std::uint8_t, 16> ToBytes() const;
    static SystemTime FromBytes(const std::uint8_t* bytes); // reads 16 bytes
    bool operator==(const SystemTime&) const = default;
};

// The current local time (GetLocalTime).
SystemTime LocalTimeNow();

// strftime-style formatting with the C locale's English names, for the conversions %A %B %d %Y
// %H %M %S %% (others are copied as they stand). A field out of range gives "?" for a name.
std::string FormatSystemTime(const SystemTime& time, const char* format);

} // namespace hookwise::core
