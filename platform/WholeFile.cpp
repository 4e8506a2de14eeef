// Reading a whole file into memory.
#include "platform/WholeFile.h"

#include "platform/UniqueFd.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace hookwise::platform {

int ReadWholeDescriptor(int fd, std::string& out, std::size_t maxBytes) {
    out.clear();
    // Small: the provider reads the catalog on the threads of the programs it is loaded into.
    char chunk[8192];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            out.clear();
            return err;
        }
        if (n == 0)
            return 0;
        if (static_cast<std::size_t>(n) > maxBytes - out.size()) {
            out.clear();
            return EFBIG;
        }
        out.append(chunk, static_cast<std::size_t>(n));
    }
}

int ReadWholeFile(const std::string& path, std::string& out, std::size_t maxBytes) {
    out.clear();
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid())
        return errno;
    return ReadWholeDescriptor(fd.Get(), out, maxBytes);
}

} // namespace hookwise::platform
