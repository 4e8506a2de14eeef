// AnswerForbidden: the 403 response in a socket pair put in place of the program's socket.
#include "provider/BlockedAnswer.h"

#include "provider/RealCalls.h"
#include "provider/SocketStates.h"
#include "engine/LSPGlobals.h"
#include "platform/ErrnoKeeper.h"
#include "platform/ProductNames.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hookwise::platform;

namespace hookwise::provider {

const char kBuiltInBlockedPage[] =
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Blocked by Hookwise</title>"
    "</head>\n<body><h1>Blocked by Hookwise</h1>\n<p>Hookwise held back this address because it "
    "is listed as a phishing site.<br>\nYour request was not sent.</p></body></html>\n";

namespace {

// Room for the response head: the fixed lines and a length of up to 20 digits.
constexpr std::size_t kHeadRoom = 256;
// The send buffer asked for the answer's end of the pair: the whole answer fits at once, whatever
// the system's default.
constexpr int kAnswerBuffer = 64 * 1024;

// Reads the tray program's page into buffer (kBlockedRequestPageMaxBytes bytes); returns its
// size, or 0 when there is none to use: no data folder known, no such regular file, an empty or
// larger one, or a read that fails or comes up short. Opened without blocking, so a FIFO put in
// its place cannot hold the program up.
std::size_t ReadPage(char* buffer) {
    const std::size_t folderLength = strnlen(CLSPGlobals::szAppPath, kFieldSize);
    if (folderLength == 0 || folderLength >= kFieldSize)
        return 0;
    char path[kFieldSize + 32];
    const int length = std::snprintf(path, sizeof path, "%.*s/%s", static_cast<int>(folderLength),
                                     CLSPGlobals::szAppPath, kBlockedRequestPageFile);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof path)
        return 0;
    UniqueFd file(open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat info {};
    if (!file.Valid() || fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size <= 0 || info.st_size > static_cast<off_t>(kBlockedRequestPageMaxBytes))
        return 0;
    const std::size_t size = static_cast<std::size_t>(info.st_size);
    std::size_t have = 0;
    while (have < size) {
        const ssize_t got = read(file.Get(), buffer + have, size - have);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return 0;
        have += static_cast<std::size_t>(got);
    }
    return size;
}

// Writes head and body into the pair's answer end in one call that must take them whole: a
// short or failed write (the buffer could not hold them) gives false rather than a cut answer.
bool WriteAnswer(int fd, const char* head, std::size_t headSize, const char* body,
                 std::size_t bodySize) {
    SendMsgFn send = RealSendMsg();
    if (!send)
        return false;
    iovec parts[2] = {{const_cast<char*>(head), headSize}, {const_cast<char*>(body), bodySize}};
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = bodySize ? 2 : 1;
    ssize_t sent;
    do {
        sent = send(fd, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (sent < 0 && errno == EINTR);
    return sent >= 0 && static_cast<std::size_t>(sent) == headSize + bodySize;
}

// Puts the pair's program end in place of fd with fd's O_NONBLOCK and FD_CLOEXEC flags.
bool ReplaceDescriptor(int fd, int programEnd) {
    const int status = fcntl(fd, F_GETFL);
    const int descriptorFlags = fcntl(fd, F_GETFD);
    const int ours = fcntl(programEnd, F_GETFL);
    if (status < 0 || descriptorFlags < 0 || ours < 0)
        return false;
    if (fcntl(programEnd, F_SETFL, (ours & ~O_NONBLOCK) | (status & O_NONBLOCK)) != 0)
        return false;
    return dup3(programEnd, fd, (descriptorFlags & FD_CLOEXEC) ? O_CLOEXEC : 0) == fd;
}

} // namespace

std::size_t FormatForbiddenHead(std::size_t bodySize, char* out, std::size_t size) {
    const int length = std::snprintf(out, size,
                                     "HTTP/1.1 403 Forbidden\r\n"
                                     "Content-Type: text/html; charset=utf-8\r\n"
                                     "Content-Length: %zu\r\n"
                                     "Connection: close\r\n"
                                     "Cache-Control: no-store\r\n"
                                     "\r\n",
                                     bodySize);
    if (length <= 0 || static_cast<std::size_t>(length) >= size)
        return 0;
    return static_cast<std::size_t>(length);
}

bool AnswerForbidden(int fd, bool withBody) {
    ErrnoKeeper keepErrno;
    // Writes after the answer are dropped only on a descriptor with state; elsewhere they would
    // meet the closed pair (EPIPE and SIGPIPE), so such a descriptor keeps the reset instead.
    if (fd < 0 || fd >= kTrackedDescriptors)
        return false;
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pair) != 0)
        return false;
    UniqueFd programEnd(pair[0]);
    UniqueFd answerEnd(pair[1]);
    setsockopt(answerEnd.Get(), SOL_SOCKET, SO_SNDBUF, &kAnswerBuffer, sizeof kAnswerBuffer);

    char* page = static_cast<char*>(std::malloc(kBlockedRequestPageMaxBytes));
    const std::size_t pageSize = page ? ReadPage(page) : 0;
    const char* body = pageSize ? page : kBuiltInBlockedPage;
    const std::size_t bodySize = pageSize ? pageSize : sizeof kBuiltInBlockedPage - 1;
    char head[kHeadRoom];
    const std::size_t headSize = FormatForbiddenHead(bodySize, head, sizeof head);
    const bool written = headSize != 0 && WriteAnswer(answerEnd.Get(), head, headSize, body,
                                                      withBody ? bodySize : 0);
    std::free(page);
    if (!written)
        return false;
    // Closed now, so the program reads end of file after the answer.
    answerEnd.Reset();
    if (!ReplaceDescriptor(fd, programEnd.Get()))
        return false;
    MarkAnswered(fd);
    return true;
}

} // namespace hookwise::provider
