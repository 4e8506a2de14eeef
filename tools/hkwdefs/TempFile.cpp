// TempFile: exclusive creation under a random name, removal at destruction.
#include "tools/hkwdefs/TempFile.h"

#include "tools/hkwdefs/FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace hookwise::tools {

TempFile::~TempFile() {
    if (path_.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

bool TempFile::Create(std::string_view bytes, std::string& error) {
    std::error_code code;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(code);
    if (code) {
        error = "no temporary folder: " + code.message();
        return false;
    }
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 16; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, "hkwdefs-%016llx.pbd",
                      static_cast<unsigned long long>(random()));
        const std::string path = std::filesystem::absolute(folder / name).string();
        // "x": fail rather than reuse a file that already exists.
        std::FILE* file = std::fopen(path.c_str(), "wbx");
        if (!file) {
            if (errno == EEXIST)
                continue;
            error = path + ": " + std::strerror(errno);
            return false;
        }
        path_ = path;
        return WriteAndClose(file, path_, bytes, error);
    }
    error = "no free temporary file name in " + folder.string();
    return false;
}

} // namespace hookwise::tools
