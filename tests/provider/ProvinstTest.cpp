// provinst as the tray program runs it: install, repeat, remove, and the refusals, against a
// private catalogue and configuration folder.
#include "tests/platform/channel/ReceiverLoop.h"
#include "tests/provider/ProviderHarness.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <sstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

using channeltest::TempFolder;
using providertest::ChildResult;
using providertest::RunChild;

namespace {

using testsupport::ReadFile;

std::string FolderOfFile(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

class Provinst : public testing::Test {
protected:
    ChildResult Run(const std::vector<std::string>& arguments,
                    const char* program = HOOKWISE_PROVINST_PATH) {
        std::vector<std::string> argv = {program};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return RunChild(argv, {"HOOKWISE_CATALOG=" + catalog_, "XDG_CONFIG_HOME=" + config_,
                               "HOME=" + folder_.Path()});
    }

    TempFolder folder_;
    std::string catalog_ = folder_.Path() + "/protocols.catalog";
    std::string config_ = folder_.Path() + "/config";
    std::string preload_ = config_ + "/environment.d/60-hookwise.conf";
    std::string library_ = FolderOfFile(HOOKWISE_PROVINST_PATH) + "/libhookswp_lsp.so";
};

TEST_F(Provinst, InstallsOnceAndRemovesEverything) {
    ChildResult first = Run({"-i", "-w", "-n", "HookSwp_lsp"});
    ChildResult second = Run({"-i", "-w", "-n", "HookSwp_lsp"});

    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_NE(first.out.find("installed \"HookSwp_lsp\""), std::string::npos) << first.out;
    EXPECT_EQ(ReadFile(catalog_), "HookSwp_lsp\t" + library_ + "\n");
    EXPECT_EQ(ReadFile(preload_), "LD_PRELOAD=" + library_ + "${LD_PRELOAD:+:$LD_PRELOAD}\n");

    ChildResult removed = Run({"-r", "-n", "hookswp_LSP"});
    ChildResult again = Run({"-r", "-n", "HookSwp_lsp"});

    EXPECT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.out.find("not in the catalogue"), std::string::npos) << again.out;
    EXPECT_EQ(ReadFile(catalog_).find("HookSwp_lsp"), std::string::npos);
    EXPECT_NE(access(preload_.c_str(), F_OK), 0);
}

TEST_F(Provinst, NameMayBeJoinedToItsOption) {
    EXPECT_EQ(Run({"-i", "-nHookSwp_lsp"}).exitCode, 0);
    EXPECT_EQ(ReadFile(catalog_), "HookSwp_lsp\t" + library_ + "\n");
}

struct UsageRow {
    const char* name;
    std::vector<std::string> arguments;
};

void PrintTo(const UsageRow& row, std::ostream* os) {
    *os << row.name;
}

class ProvinstUsage : public Provinst, public testing::WithParamInterface<UsageRow> {};

TEST_P(ProvinstUsage, WrongCommandLinesChangeNothing) {
    ChildResult result = Run(GetParam().arguments);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("usage:"), std::string::npos);
    EXPECT_NE(access(catalog_.c_str(), F_OK), 0);
    EXPECT_NE(access(preload_.c_str(), F_OK), 0);
}

INSTANTIATE_TEST_SUITE_P(Arguments, ProvinstUsage,
                         testing::Values(UsageRow{"Nothing", {}}, UsageRow{"NoName", {"-i", "-w"}},
                                         UsageRow{"NameMissingAfterOption", {"-i", "-n"}},
                                         UsageRow{"NoAction", {"-n", "HookSwp_lsp"}},
                                         UsageRow{"BothActions", {"-i", "-r", "-n", "X"}},
                                         UsageRow{"UnknownOption", {"-i", "-x", "-n", "X"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Provinst, MissingLibraryIsReportedAndNothingIsInstalled) {
    std::string lonely = folder_.Path() + "/bin";
    mkdir(lonely.c_str(), 0700);
    std::string copy = lonely + "/provinst";
    {
        std::ifstream in(HOOKWISE_PROVINST_PATH, std::ios::binary);
        std::ofstream out(copy, std::ios::binary);
        out << in.rdbuf();
    }
    chmod(copy.c_str(), 0700);

    ChildResult result = Run({"-i", "-w", "-n", "HookSwp_lsp"}, copy.c_str());

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("libhookswp_lsp.so is missing"), std::string::npos) << result.err;
    EXPECT_NE(access(catalog_.c_str(), F_OK), 0);
}

TEST_F(Provinst, UnwritableCatalogueFailsWithAMessage) {
    catalog_ = "/proc/no-such-folder/protocols.catalog";
    ChildResult result = Run({"-i", "-w", "-n", "HookSwp_lsp"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("cannot add"), std::string::npos) << result.err;
}

} // namespace
