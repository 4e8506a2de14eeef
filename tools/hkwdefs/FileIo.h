// FileIo: whole-file reads and writes with the reason of every failure.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace hookwise::tools {

// Reads the whole file at path into bytes. False, with "path: reason" in error and bytes
// untouched, when it is missing, a folder, not a regular file (a device or pipe) or unreadable.
bool ReadFileBytes(const std::string& path, std::string& bytes, std::string& error);

// Writes bytes to path: first into a new file beside it, then renamed over path, so a failure
// never leaves a half-written file under that name. False with "path: reason" in error.
bool WriteFileReplacing(const std::string& path, std::string_view bytes, std::string& error);

// Writes bytes to an open file and closes it. False with "path: reason" in error.
bool WriteAndClose(std::FILE* file, const std::string& path, std::string_view bytes,
                   std::string& error);

} // namespace hookwise::tools
