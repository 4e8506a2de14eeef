// Recognising the start of an HTTP request in outgoing data and taking a bounded, lower-cased copy
// of its head for the request target extraction.
#pragma once

#include <cstddef>

#include <sys/uio.h>

namespace hookwise::provider {

// At most this many bytes of a request are looked at; the request line and the Host line come
// first in every client's requests.
constexpr std::size_t kRequestHeadBytes = 4096;

// True when the data begins like an HTTP request: a method of 3 to 10 ASCII letters (any case),
// one blank, then a target that starts with '/' or "http://" / "https://" (any case), as a
// request to a server or to a proxy does. Looks at no more than the first 19 bytes; the first
// byte decides for almost every write that is not a request.
bool StartsHttpRequest(const void* data, std::size_t size);
// The same over the bytes of an iovec array, in order; empty and null entries are skipped.
bool StartsHttpRequest(const iovec* iov, int count);

// True when the data begin with "HEAD " (any case): a request whose answer carries no body.
bool StartsHeadRequest(const iovec* iov, int count);

// Copies the data, lower-cased, into out: at most kRequestHeadBytes bytes, ending before the empty
// line that ends the head (the body is never looked at), before the first NUL byte, or at the end
// of the data. out is always terminated. Returns the characters copied.
std::size_t CopyRequestHead(const iovec* iov, int count, char (&out)[kRequestHeadBytes + 1]);

} // namespace hookwise::provider
