// A private protocol catalogue in a temporary folder, named through $HOOKWISE_CATALOG.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

class CatalogFixture : public testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/hookwise-catalog-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        folder_ = folder;
        path_ = folder_ + "/sub/protocols.catalog";
        setenv("HOOKWISE_CATALOG", path_.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("HOOKWISE_CATALOG");
        std::filesystem::remove_all(folder_);
    }
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

    std::string folder_;
    std::string path_;
};
