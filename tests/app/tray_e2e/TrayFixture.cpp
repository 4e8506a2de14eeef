// The sandboxed environment, stored settings and channel wait of the end-to-end test fixtures.
#include "TrayFixture.h"

#include "core/lists/WebSiteBlockingList.h"
#include "platform/ProductNames.h"
#include "platform/Registry.h"
#include "platform/Window.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

using namespace hookwise::platform;

using namespace hookwise::core;

namespace traye2e {

std::vector<std::string> TrayEnvironment(const std::string& root, const std::string& program) {
    return {"HOOKWISE_REGISTRY=" + root + "/registry.db",
            "XDG_RUNTIME_DIR=" + root + "/run",
            "XDG_CONFIG_HOME=" + root + "/config",
            "XDG_DATA_HOME=" + root + "/data",
            "HOOKWISE_CATALOG=" + root + "/protocols.catalog",
            "HOME=" + root + "/home",
            "QT_QPA_PLATFORM=offscreen",
            "LD_LIBRARY_PATH=" + program,
            "HOOKWISE_MESSAGE_TIMEOUT_MS=300",
            "HOOKWISE_UPDATE_AT_START=0"};
}

void EnterTrayEnvironment(const std::string& root, const std::vector<std::string>& environment) {
    std::filesystem::create_directories(root + "/run");
    std::filesystem::permissions(root + "/run", std::filesystem::perms::owner_all);
    for (const std::string& entry : environment) {
        const std::size_t equals = entry.find('=');
        setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
    }
    RegistryReopenForTesting();
}

testing::AssertionResult SetSitePermission(std::int32_t permission) {
    RegKey product;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kProductKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, product.Put(), nullptr) != ERROR_SUCCESS)
        return testing::AssertionFailure() << "the product key cannot be made";
    WebSiteBlockingList list;
    list.Permission = permission;
    if (!list.Save(product.Get()))
        return testing::AssertionFailure() << "the site list cannot be saved";
    return testing::AssertionSuccess();
}

testing::AssertionResult WaitForChannel(TrayProcess& tray, const std::string& outputPath) {
    using namespace std::chrono_literals;
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (FindWindowA(nullptr, kHandlerCaption) == nullptr) {
        if (!tray.Running())
            return testing::AssertionFailure() << "HookWs ended: " << ReadFile(outputPath);
        if (std::chrono::steady_clock::now() > deadline)
            return testing::AssertionFailure() << "HookWs did not come up";
        std::this_thread::sleep_for(20ms);
    }
    return testing::AssertionSuccess();
}

} // namespace traye2e
