// FileIo: reading and replacing whole files through the C library.
#include "tools/hkwdefs/FileIo.h"

#include "platform/AtomicFile.h"
#include "platform/LastError.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace hookwise::tools {

using namespace hookwise::platform;

bool ReadFileBytes(const std::string& path, std::string& bytes, std::string& error) {
    std::error_code code;
    const std::filesystem::file_status status = std::filesystem::status(path, code);
    if (std::filesystem::is_directory(status)) {
        error = path + ": is a folder, not a file";
        return false;
    }
    // A device or pipe (/dev/zero, say) could be read forever.
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        error = path + ": is not a regular file";
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::string content;
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        content.append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    const int readErrno = errno;
    std::fclose(file);
    if (failed) {
        error = path + ": " + std::strerror(readErrno);
        return false;
    }
    bytes = std::move(content);
    return true;
}

bool WriteAndClose(std::FILE* file, const std::string& path, std::string_view bytes,
                   std::string& error) {
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (written && closed)
        return true;
    error = path + ": " + std::strerror(written ? errno : writeErrno);
    return false;
}

bool WriteFileReplacing(const std::string& path, std::string_view bytes, std::string& error) {
    std::error_code code;
    if (std::filesystem::is_directory(path, code)) {
        error = path + ": is a folder, not a file";
        return false;
    }
    if (LONG written = WriteFileAtomically(path, bytes, 0644); written != ERROR_SUCCESS) {
        error = path + ": " + SystemMessageText(static_cast<DWORD>(written));
        return false;
    }
    return true;
}

} // namespace hookwise::tools
