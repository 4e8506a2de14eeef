// A temporary folder for profile tests and a writer that replaces a file the way a program
// publishes one (write beside it, then rename over it).
#pragma once

#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

// The profile tests' folder: the shared test sandbox.
class TempFolder {
public:
    std::string File(const std::string& name) const { return sandbox_.File(name); }

private:
    testsupport::Sandbox sandbox_{"profile"};
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
