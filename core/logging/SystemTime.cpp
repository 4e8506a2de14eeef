// SYSTEMTIME-layout moments and their English date texts.
#include "core/logging/SystemTime.h"

#include <chrono>
#include <ctime>

namespace hookwise::core {

namespace {
constexpr const char* kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};
constexpr const char* kMonths[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

std::string TwoDigits(unsigned value) {
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}
} // namespace

std::array<std::uint8_t, 16> SystemTime::ToBytes() const {
    const std::uint16_t fields[8] = {wYear, wMonth,  wDayOfWeek, wDay,
                                     wHour, wMinute, wSecond,    wMilliseconds};
    std::array<std::uint8_t, 16> bytes{};
    for (int i = 0; i < 8; ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(fields[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(fields[i] >> 8);
    }
    return bytes;
}

SystemTime SystemTime::FromBytes(const std::uint8_t* bytes) {
    auto field = [bytes](int i) {
        return static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    };
    SystemTime t;
    t.wYear = field(0);
    t.wMonth = field(1);
    t.wDayOfWeek = field(2);
    t.wDay = field(3);
    t.wHour = field(4);
    t.wMinute = field(5);
    t.wSecond = field(6);
    t.wMilliseconds = field(7);
    return t;
}

SystemTime LocalTimeNow() {
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    SystemTime t;
    t.wYear = static_cast<std::uint16_t>(local.tm_year + 1900);
    t.wMonth = static_cast<std::uint16_t>(local.tm_mon + 1);
    t.wDayOfWeek = static_cast<std::uint16_t>(local.tm_wday);
    t.wDay = static_cast<std::uint16_t>(local.tm_mday);
    t.wHour = static_cast<std::uint16_t>(local.tm_hour);
    t.wMinute = static_cast<std::uint16_t>(local.tm_min);
    t.wSecond = static_cast<std::uint16_t>(local.tm_sec);
    t.wMilliseconds = static_cast<std::uint16_t>(millis < 0 ? 0 : millis);
    return t;
}

std::string FormatSystemTime(const SystemTime& time, const char* format) {
    std::string out;
    for (const char* p = format; *p; ++p) {
        if (*p != '%' || !p[1]) {
            out += *p;
            continue;
        }
        switch (*++p) {
        case 'A':
            out += time.wDayOfWeek < 7 ? kWeekdays[time.wDayOfWeek] : "?";
            break;
        case 'B':
            out += (time.wMonth >= 1 && time.wMonth <= 12) ? kMonths[time.wMonth - 1] : "?";
            break;
        case 'd':
            out += TwoDigits(time.wDay);
            break;
        case 'Y':
            out += std::to_string(time.wYear);
            break;
        case 'H':
            out += TwoDigits(time.wHour);
            break;
        case 'M':
            out += TwoDigits(time.wMinute);
            break;
        case 'S':
            out += TwoDigits(time.wSecond);
            break;
        case '%':
            out += '%';
            break;
        default:
            out += '%';
            out += *p;
            break;
        }
    }
    return out;
}

} // namespace hookwise::core
