// A private protocol catalogue in a temporary folder, named through $HOOKWISE_CATALOG.
#pragma once

#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <unistd.h>

class CatalogFixture : public testing::Test {
protected:
    void SetUp() override {
        sandbox_ = std::make_unique<testsupport::Sandbox>("catalog");
        folder_ = sandbox_->Path();
        path_ = folder_ + "/sub/protocols.catalog";
        sandbox_->SetEnv("HOOKWISE_CATALOG", path_);
    }
    void TearDown() override { sandbox_.reset(); }
    void WriteCatalog(const std::string& content) {
        std::filesystem::create_directories(folder_ + "/sub");
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out << content;
    }
    std::string ReadCatalog() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::unique_ptr<testsupport::Sandbox> sandbox_;
    std::string folder_;
    std::string path_;
};
