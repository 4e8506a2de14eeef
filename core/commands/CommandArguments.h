// Reading the arguments the main movie sends with its commands: "undefined" means no argument,
// numbers are decimal text, a row index names a row of a list.
#pragma once

#include <optional>
#include <string_view>

namespace hookwise::core {

// Whether the argument is the movie's "undefined" (in any case): no argument.
bool IsUndefinedArgument(std::string_view args);

// The decimal number an argument holds: optional blanks, an optional sign, digits, optional
// blanks, nothing else. "undefined", an empty text, any other text and a number beyond the 32-bit
// range give no value, so a malformed argument never acts on row 0 the way atoi would.
std::optional<int> DecimalArgument(std::string_view args);

// The row index an argument names when it is valid for a list of count rows (0 .. count-1).
std::optional<int> RowIndexArgument(std::string_view args, int count);

} // namespace hookwise::core
