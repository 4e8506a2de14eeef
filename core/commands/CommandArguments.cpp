// Argument reading of the main movie's commands.
#include "core/commands/CommandArguments.h"

#include "platform/AsciiCase.h"
#include "platform/TextTrim.h"

#include <cstdint>
#include <limits>

using namespace hookwise::platform;

namespace hookwise::core {

namespace {

// The blanks a movie argument may carry around a number.
constexpr std::string_view kBlanks = " \t\n\v\f\r";

} // namespace

bool IsUndefinedArgument(std::string_view args) {
    return EqualsIgnoreAsciiCase(args, "undefined");
}

std::optional<int> DecimalArgument(std::string_view args) {
    std::string_view text = Trim(args, kBlanks);
    if (text.empty() || IsUndefinedArgument(text))
        return std::nullopt;
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    // Digits only; the value stops growing once it is beyond the 32-bit range.
    constexpr std::int64_t kBeyond = std::int64_t{std::numeric_limits<int>::max()} + 2;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        if (value < kBeyond)
            value = value * 10 + (c - '0');
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

std::optional<int> RowIndexArgument(std::string_view args, int count) {
    const std::optional<int> index = DecimalArgument(args);
    if (!index || *index < 0 || *index >= count)
        return std::nullopt;
    return index;
}

} // namespace hookwise::core
