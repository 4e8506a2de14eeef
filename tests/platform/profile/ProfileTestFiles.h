// A temporary folder for profile tests and a writer that replaces a file the way a program
// publishes one (write beside it, then rename over it).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class TempFolder {
public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "hookwise-profile-XXXXXX").string();
        char* made = mkdtemp(pattern.data());
        EXPECT_NE(made, nullptr);
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Writes bytes to path in place (truncating the same file).
inline void WriteInPlace(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

// Writes bytes beside path and renames them over it: readers see the old or the new file whole.
inline void ReplaceFile(const std::string& path, const std::string& bytes) {
    std::string temp = path + ".new";
    WriteInPlace(temp, bytes);
    ASSERT_EQ(std::rename(temp.c_str(), path.c_str()), 0) << path;
}
