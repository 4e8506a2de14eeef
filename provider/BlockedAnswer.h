// What a program gets instead of the server's answer when the tray program blocks its plain-HTTP
// request: a complete "403 Forbidden" response from the provider, then end of file, so the
// program shows the refusal once instead of retrying a reset connection.
#pragma once

#include <cstddef>

namespace hookwise::provider {

// The response head for a body of bodySize bytes: status line, Content-Type (HTML, UTF-8),
// Content-Length, Connection: close, Cache-Control: no-store, and the empty line. Written into
// out (cut to size, always terminated); returns its length, or 0 when it does not fit.
std::size_t FormatForbiddenHead(std::size_t bodySize, char* out, std::size_t size);

// The built-in English page, used when the tray program's page cannot be read.
extern const char kBuiltInBlockedPage[];

// Makes fd the program's end of a socket pair whose other end holds a complete "HTTP/1.1 403
// Forbidden" response and is closed: the program reads the response, then end of file. The page
// is the one the tray program wrote into the data folder (kBlockedRequestPageFile, at most
// kBlockedRequestPageMaxBytes, a regular file), else kBuiltInBlockedPage; withBody false (a HEAD
// request) sends the head alone. fd keeps its O_NONBLOCK and FD_CLOEXEC flags and is marked
// answered (MarkAnswered), so the provider drops what the program writes on it afterwards.
//
// The old socket is closed by the replacement: the server sees a connection closed without a
// request. An epoll registration of the old socket does not carry over to the new one (epoll
// watches the open file, not the number), so a program waiting in epoll for the answer waits
// until its own time-out; poll and select, which take numbers, see the answer at once.
//
// False, with fd untouched, when this cannot be set up: fd beyond the tracked descriptors, no
// descriptors or memory to be had, a flag that cannot be read. Never blocks. Keeps errno.
bool AnswerForbidden(int fd, bool withBody);

} // namespace hookwise::provider
