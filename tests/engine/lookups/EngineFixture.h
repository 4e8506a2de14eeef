// A temporary folder and a definition database path for engine tests; szDBPath points at the
// database while a test runs and is restored afterwards.
#pragma once

#include "engine/DetectionRecord.h"
#include "engine/LSPGlobals.h"
#include "platform/Profile.h"
#include "tests/support/Sandbox.h"

#ifdef HOOKWISE_TEST_WITH_INDEX
#include "engine/CurrentIndex.h"
#include "engine/DefinitionIndexFormat.h"
#include "engine/index/DefinitionIndexBuilder.h"
#endif

#include "DefinitionFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

// The well-known sites of the engine tests: the shipped list, set before the first lookup of the
// process reads it.
#ifdef HOOKWISE_WELL_KNOWN_SITES_FILE
inline const bool kWellKnownSitesSet =
    setenv("HOOKWISE_WELL_KNOWN_SITES", HOOKWISE_WELL_KNOWN_SITES_FILE, 0) == 0;
#endif

// The engine tests' folder: the shared test sandbox.
class EngineFolder {
public:
    std::string File(const std::string& name) const { return sandbox_.File(name); }
    std::filesystem::path Path() const { return sandbox_.Path(); }

private:
    testsupport::Sandbox sandbox_{"engine"};
};

class DatabaseTest : public testing::Test {
protected:
    void SetUp() override {
        std::memcpy(savedPath_, CLSPGlobals::szDBPath, sizeof savedPath_);
        dbPath_ = folder_.File("hkwdb2.pbd");
        hookwise::platform::CopyField(CLSPGlobals::szDBPath, dbPath_.c_str());
    }
    void TearDown() override {
        std::memcpy(CLSPGlobals::szDBPath, savedPath_, sizeof savedPath_);
        ProfileCacheClear();
    }

    // Built with HOOKWISE_TEST_WITH_INDEX, the lookup tests run again with the compiled index
    // written beside every database they write, so the index answers what the walk answers.
    void Write(const DefinitionFile& file) {
        file.WriteTo(dbPath_);
#ifdef HOOKWISE_TEST_WITH_INDEX
        std::string error;
        ASSERT_TRUE(WriteDefinitionIndex(file.Text(), dbPath_,
                                         definition_index::IndexPathFor(dbPath_), error))
            << error;
        IndexLease lease;
        ASSERT_NE(lease.View(), nullptr);
#endif
    }

    EngineFolder folder_;
    std::string dbPath_;

private:
    char savedPath_[sizeof CLSPGlobals::szDBPath];
};
