// The self-pipe for the end-of-session signals.
#include "platform/TerminationSignal.h"

#include "platform/ErrnoKeeper.h"
#include "platform/LastError.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

namespace hookwise::platform {

namespace {

std::atomic<int> gWriteEnd{-1};
int gReadEnd = -1;
std::mutex gMutex;

extern "C" void OnTerminationSignal(int signal) {
    ErrnoKeeper keepErrno;
    const int fd = gWriteEnd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const unsigned char number = static_cast<unsigned char>(signal);
        // A full pipe already holds a pending end; losing this byte changes nothing.
        [[maybe_unused]] ssize_t n = write(fd, &number, 1);
    }
}

} // namespace

int OpenTerminationSignalDescriptor() {
    std::lock_guard lock(gMutex);
    if (gReadEnd >= 0)
        return gReadEnd;
    int ends[2];
    if (pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        return -1;
    }
    gReadEnd = ends[0];
    gWriteEnd.store(ends[1]);
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT})
        sigaction(signal, &action, nullptr);
    return gReadEnd;
}

int TakeTerminationSignal(int descriptor) {
    unsigned char number = 0;
    for (;;) {
        const ssize_t n = read(descriptor, &number, 1);
        if (n == 1)
            return number;
        if (n < 0 && errno == EINTR)
            continue;
        return 0;
    }
}

} // namespace hookwise::platform
