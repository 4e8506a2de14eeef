// Recognising the start of an HTTP request in outgoing data and taking a bounded, lower-cased copy
// of its head for the request target extraction.
#pragma once

#include <cstddef>

#include <sys/uio.h>

namespace hookwise::provider {

// At most this many bytes of a request are looked at; the request line and the Host line come
// first in every client's requests.
constexpr std::size_t kRequestHeadBytes = 4096;

// True when the data begins with "GET " (letters in any case). Only GET requests name a page the
// request target extraction can give an address for, so only they are looked at.
bool StartsHttpGet(const void* data, std::size_t size);
// The same over the bytes of an iovec array, in order; empty and null entries are skipped.
bool StartsHttpGet(const iovec* iov, int count);

// Copies the data, lower-cased, into out: at most kRequestHeadBytes bytes, ending before the empty
// line that ends the head (the body is never looked at), before the first NUL byte, or at the end
// of the data. out is always terminated. Returns the characters copied.
std::size_t CopyRequestHead(const iovec* iov, int count, char (&out)[kRequestHeadBytes + 1]);

} // namespace hookwise::provider
