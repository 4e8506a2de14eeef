// Fuzzes the ClientHello reader with arbitrary first writes: a server name it gives is terminated,
// within its buffer and of host characters only, and the same bytes read in pieces (as the parts
// of one write, split where the input's last byte says) give the same answer as in one piece.
#include "provider/ClientHello.h"

#include <cstdint>
#include <cstring>
#include <memory>

using namespace hookwise::provider;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Exact-size heap copies, so a read past the written bytes is caught.
    auto bytes = std::make_unique<std::uint8_t[]>(size ? size : 1);
    if (size)
        std::memcpy(bytes.get(), data, size);
    char name[kServerNameSize];
    HelloScan whole = ScanClientHello(bytes.get(), size, name);
    std::size_t length = strnlen(name, sizeof name);
    if (length == sizeof name)
        __builtin_trap();
    if ((whole == HelloScan::ServerName) != (length > 0))
        __builtin_trap();
    for (std::size_t i = 0; i < length; ++i) {
        char c = name[i];
        bool host =
            (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        if (!host)
            __builtin_trap();
    }
    if (size < 2)
        return 0;
    std::size_t step = 1 + data[size - 1] % 61;
    iovec parts[64];
    int count = 0;
    for (std::size_t at = 0; at < size && count < 64; at += step)
        parts[count++] = {bytes.get() + at, count == 63 ? size - at : std::min(step, size - at)};
    char again[kServerNameSize];
    if (ScanClientHello(parts, count, again) != whole || std::strcmp(again, name) != 0)
        __builtin_trap();
    return 0;
}
