// Reading a whole file into memory: the provider catalog, the environment file, the definitions
// and the pages the tray program copies are all read this one way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace hookwise::platform {

// Reads from fd, from where it stands to its end, into out (replacing what out held); EINTR is
// retried. Returns 0, EFBIG when there is more than maxBytes, or the errno of the failed read.
// out is empty after any failure. fd stays open.
int ReadWholeDescriptor(int fd, std::string& out, std::size_t maxBytes = SIZE_MAX);

// Opens path read-only and close-on-exec and reads it whole as ReadWholeDescriptor does. Returns
// 0, the errno of the open (ENOENT for a missing file, EACCES ...), EFBIG, or that of the read;
// out is empty after any failure.
int ReadWholeFile(const std::string& path, std::string& out, std::size_t maxBytes = SIZE_MAX);

} // namespace hookwise::platform
