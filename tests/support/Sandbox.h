// Sandbox: one test's private folder, with the registry file, the runtime folder (channel sockets
// and locks) and the home folder inside it. Every environment variable it sets or clears is put
// back when it goes, and the registry is reopened at both ends, so no test reaches the user's own
// registry, sockets or configuration, nor leaves its own behind for the next test.
#pragma once

#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

class Sandbox {
public:
    // The folder is /tmp/hookwise-<tag>-XXXXXX; HOME is <folder>/home, XDG_RUNTIME_DIR
    // <folder>/run (mode 0700), HOOKWISE_REGISTRY <folder>/registry.db; XDG_CONFIG_HOME,
    // XDG_DATA_HOME and HOOKWISE_CATALOG are cleared, so they follow HOME.
    explicit Sandbox(const std::string& tag = "test") {
        std::string pattern = "/tmp/hookwise-" + tag + "-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "cannot make a folder from " << pattern;
            return;
        }
        path_ = pattern;
        std::filesystem::create_directory(Home());
        mkdir(Runtime().c_str(), 0700);
        SetEnv("HOME", Home());
        SetEnv("XDG_RUNTIME_DIR", Runtime());
        SetEnv("HOOKWISE_REGISTRY", RegistryFile());
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "HOOKWISE_CATALOG"})
            UnsetEnv(name);
    }
    ~Sandbox() {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
        RegistryReopenForTesting();
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    std::string Home() const { return path_ + "/home"; }
    std::string Runtime() const { return path_ + "/run"; }
    std::string RegistryFile() const { return path_ + "/registry.db"; }

    // Sets or clears a variable for the sandbox's lifetime; the registry follows at once.
    void SetEnv(const std::string& name, const std::string& value) {
        Remember(name);
        setenv(name.c_str(), value.c_str(), 1);
        RegistryReopenForTesting();
    }
    void UnsetEnv(const std::string& name) {
        Remember(name);
        unsetenv(name.c_str());
        RegistryReopenForTesting();
    }

private:
    void Remember(const std::string& name) {
        if (saved_.count(name))
            return;
        const char* value = std::getenv(name.c_str());
        saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
    }

    std::string path_;
    std::map<std::string, std::optional<std::string>> saved_;
};

} // namespace testsupport
