// Feed lines for the import benchmark, shaped like a day of public phishing feeds: brand names in
// subdomains and paths, hosting services' subdomains, half of the lines bare hosts, with the
// repeats, well-known hosts and broken lines real feeds carry.
#pragma once

#include <string>

namespace benchfeeds {

// count lines, each ending in '\n'; the same count always gives the same text.
std::string MakeFeedLines(long count);

} // namespace benchfeeds
