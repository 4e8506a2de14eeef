// Test support: TLS ClientHello bytes laid out as clients send them, with the parts a test wants
// to vary (the server name entries, extra extensions, the record fragmentation).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace providertest {

using Bytes = std::vector<std::uint8_t>;

// The helpers grow the vector by resize and index, not push_back or insert: GCC 12 sees the
// buffer of a just-grown small vector as "a region of size 0" there and warns.
inline void Append(Bytes& out, const Bytes& more) {
    const std::size_t at = out.size();
    out.resize(at + more.size());
    for (std::size_t i = 0; i < more.size(); ++i)
        out[at + i] = more[i];
}

inline void Put16(Bytes& out, std::size_t value) {
    Append(out, {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
}

inline void Put24(Bytes& out, std::size_t value) {
    Append(out, {static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
                 static_cast<std::uint8_t>(value)});
}

struct Extension {
    std::uint16_t type;
    Bytes data;
};

// A server_name extension with one host_name entry.
inline Extension ServerNameExtension(const std::string& name) {
    Bytes entry{0};
    Put16(entry, name.size());
    Append(entry, Bytes(name.begin(), name.end()));
    Bytes list;
    Put16(list, entry.size());
    Append(list, entry);
    return {0, list};
}

// Extensions a client sends before and after the server name (supported groups, a padding of
// padBytes zero bytes when not 0).
inline std::vector<Extension> TypicalExtensions(const std::string& name, std::size_t padBytes = 0) {
    std::vector<Extension> extensions;
    extensions.push_back({0xff01, Bytes{0}}); // renegotiation_info
    if (padBytes > 0)
        extensions.push_back({21, Bytes(padBytes, 0)});
    extensions.push_back(ServerNameExtension(name));
    extensions.push_back({10, Bytes{0, 4, 0, 0x1d, 0, 0x17}}); // supported_groups
    extensions.push_back({43, Bytes{2, 3, 4}});                // supported_versions: 1.3
    return extensions;
}

// The handshake message: ClientHello with the given extensions (none: no extensions block).
inline Bytes HandshakeMessage(const std::vector<Extension>& extensions,
                              bool withExtensions = true) {
    Bytes body{3, 3};
    for (int i = 0; i < 32; ++i)
        body.push_back(static_cast<std::uint8_t>(i * 7));
    body.push_back(32); // session id
    for (int i = 0; i < 32; ++i)
        body.push_back(static_cast<std::uint8_t>(0xa0 + i));
    Put16(body, 4); // two cipher suites
    Append(body, {0x13, 0x01, 0xc0, 0x2f});
    Append(body, {1, 0}); // null compression
    if (withExtensions) {
        Bytes block;
        for (const Extension& extension : extensions) {
            Put16(block, extension.type);
            Put16(block, extension.data.size());
            Append(block, extension.data);
        }
        Put16(body, block.size());
        Append(body, block);
    }
    Bytes message{1};
    Put24(message, body.size());
    Append(message, body);
    return message;
}

// The message in handshake records of at most fragment payload bytes each.
inline Bytes InRecords(const Bytes& message, std::size_t fragment = 16384) {
    Bytes out;
    for (std::size_t at = 0; at < message.size(); at += fragment) {
        std::size_t size = std::min(fragment, message.size() - at);
        Append(out, {22, 3, 1});
        Put16(out, size);
        out.insert(out.end(), message.begin() + static_cast<std::ptrdiff_t>(at),
                   message.begin() + static_cast<std::ptrdiff_t>(at + size));
    }
    return out;
}

inline Bytes ClientHello(const std::string& name, std::size_t padBytes = 0) {
    return InRecords(HandshakeMessage(TypicalExtensions(name, padBytes)));
}

} // namespace providertest
