// A temporary folder and a definition database path for engine tests; szDBPath points at the
// database while a test runs and is restored afterwards.
#pragma once

#include "engine/DetectionRecord.h"
#include "engine/LSPGlobals.h"

#include "platform/Profile.h"

#include "DefinitionFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

class EngineFolder {
public:
    EngineFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "hookwise-engine-XXXXXX").string();
        EXPECT_NE(mkdtemp(pattern.data()), nullptr);
        path_ = pattern;
    }
    ~EngineFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    EngineFolder(const EngineFolder&) = delete;
    EngineFolder& operator=(const EngineFolder&) = delete;

    std::string File(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

class DatabaseTest : public testing::Test {
protected:
    void SetUp() override {
        std::memcpy(savedPath_, CLSPGlobals::szDBPath, sizeof savedPath_);
        dbPath_ = folder_.File("hkwdb2.pbd");
        CopyField(CLSPGlobals::szDBPath, dbPath_.c_str());
    }
    void TearDown() override {
        std::memcpy(CLSPGlobals::szDBPath, savedPath_, sizeof savedPath_);
        ProfileCacheClear();
    }

    void Write(const DefinitionFile& file) { file.WriteTo(dbPath_); }

    EngineFolder folder_;
    std::string dbPath_;

private:
    char savedPath_[sizeof CLSPGlobals::szDBPath];
};
