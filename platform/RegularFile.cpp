// OpenRegularFile over open, fstat and fcntl.
#include "platform/RegularFile.h"

#include "platform/LastError.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hookwise::platform {

int OpenRegularFile(const std::string& path, FollowLink follow) {
    int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | (follow == FollowLink::No ? O_NOFOLLOW : 0);
    int fd = open(path.c_str(), flags);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        int error = errno;
        close(fd);
        errno = error;
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        int error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        close(fd);
        errno = error;
        return -1;
    }
    int status = fcntl(fd, F_GETFL);
    if (status >= 0)
        fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    return fd;
}

} // namespace hookwise::platform
