// Opening a file for reading only when it is a regular file: a FIFO, a device or a socket in its
// place can neither hold the open up nor feed the reader.
#pragma once

#include "platform/WinTypes.h"

#include <cstdio>
#include <string>
#include <vector>

namespace hookwise::platform {

enum class FollowLink { Yes, No };

// Opens path read-only, close-on-exec, without blocking on the open (a FIFO with no writer would
// otherwise wait for ever), and keeps it only when it is a regular file; the descriptor is made
// blocking again for ordinary reads. With FollowLink::No a link at path is refused. Returns the
// descriptor, or -1 with errno set: that of the open (ENOENT, EACCES, ELOOP for a refused link
// ...), EISDIR for a folder, or EINVAL for anything else that is not a regular file (a FIFO, a
// socket, a device).
int OpenRegularFile(const std::string& path, FollowLink follow);

} // namespace hookwise::platform
