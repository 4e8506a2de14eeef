// GetModuleFileNameA for the program, a library and bad addresses; FolderOf.
#include "platform/Module.h"

#include "platform/LastError.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include <dlfcn.h>
#include <unistd.h>

namespace {

std::string ProcSelfExe() {
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : "";
}

int AFunctionInTheProgram() {
    return 1;
}

TEST(GetModuleFileName, ProgramAndLibraries) {
    char path[PATH_MAX];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    EXPECT_EQ(std::string(path, length), ProcSelfExe());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

    auto inProgram = reinterpret_cast<HMODULE>(&AFunctionInTheProgram);
    length = GetModuleFileNameA(inProgram, path, sizeof path);
    EXPECT_EQ(std::string(path, length), ProcSelfExe());

    void* inLibrary = dlsym(RTLD_DEFAULT, "getpid");
    ASSERT_NE(inLibrary, nullptr);
    length = GetModuleFileNameA(reinterpret_cast<HMODULE>(inLibrary), path, sizeof path);
    std::string library(path, length);
    EXPECT_EQ(library.front(), '/');
    EXPECT_NE(library.find("libc.so"), std::string::npos) << library;
}

TEST(GetModuleFileName, CutsToTheBufferAndFailsCleanly) {
    std::string full = ProcSelfExe();
    char small[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, 5), 4u);
    EXPECT_EQ(std::string(small), full.substr(0, 4));
    EXPECT_EQ(small[5], 'x');
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

    EXPECT_EQ(GetModuleFileNameA(nullptr, small, 0), 0u);
    EXPECT_EQ(GetModuleFileNameA(nullptr, nullptr, 10), 0u);

    int onTheStack = 0;
    char path[PATH_MAX];
    EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(&onTheStack), path, sizeof path), 0u);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_STREQ(path, "");
}

struct FolderRow {
    const char* path;
    const char* folder;
};

class FolderOfTest : public ::testing::TestWithParam<FolderRow> {};

TEST_P(FolderOfTest, CutsAtTheLastSlash) {
    EXPECT_EQ(FolderOf(GetParam().path), GetParam().folder);
}

const FolderRow kFolderRows[] = {
    {"/opt/hookwise/HookWs", "/opt/hookwise"},
    {"/opt/hookwise/", "/opt/hookwise"},
    {"/opt//hookwise", "/opt"},
    {"/HookWs", ""},
    {"HookWs", "."},
    {"", "."},
    {"rel/dir/file", "rel/dir"},
};

INSTANTIATE_TEST_SUITE_P(Module, FolderOfTest, ::testing::ValuesIn(kFolderRows));

} // namespace
