// Recognising a TLS ClientHello at the start of what a program writes on a new connection and
// taking the server name it asks for. A strict, bounded reader: every length is checked against
// the one that encloses it, nothing is allocated, and at most kClientHelloLookLimit bytes are
// ever looked at.
#pragma once

#include <cstddef>

#include <sys/uio.h>

namespace hookwise::provider {

// A ClientHello split over several writes is looked at across them up to this many bytes (record
// headers included); one still undecided then is let through unchecked.
constexpr std::size_t kClientHelloLookLimit = 16 * 1024;
// Room for the longest server name taken, 253 characters, its trailing dot and the terminator.
constexpr std::size_t kServerNameSize = 256;

enum class HelloScan {
    NotClientHello, // not a TLS handshake record holding a ClientHello, or a malformed one
    Incomplete,     // a ClientHello so far; its server name has not arrived yet
    ServerName,     // the server_name extension's host name, lower-cased, is in name
    NoServerName,   // a whole ClientHello without a usable host name, or the look limit reached
};

// Reads the bytes of parts (count entries, in order; null and empty entries are skipped) as the
// start of a connection's outgoing data. TLS records of type 22 (handshake) and version 3.x with
// 1 to 16384 bytes each may carry the ClientHello in pieces; it is read across them.
//
// ServerName: name holds the first host_name entry of the server_name extension, lower-cased
// (1 to 254 characters of letters, digits, '-', '_' and '.'); the bytes after that extension need
// not have arrived. Any other result leaves name empty. A host name of another length or with
// other characters gives NoServerName; so does a ClientHello cut short by kClientHelloLookLimit.
// Incomplete only while fewer than kClientHelloLookLimit bytes were given.
HelloScan ScanClientHello(const iovec* parts, int count, char (&name)[kServerNameSize]);

// The same over one buffer.
HelloScan ScanClientHello(const void* data, std::size_t size, char (&name)[kServerNameSize]);

// True when the first byte of the data (the first non-empty part) is a TLS handshake record's
// type, 22: the cheap test before ScanClientHello. False for no data at all.
bool MayStartClientHello(const void* data, std::size_t size);
bool MayStartClientHello(const iovec* parts, int count);

} // namespace hookwise::provider
