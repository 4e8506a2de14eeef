// Test support: the page inspector's private installation and the mail report receiver.
#include "InspectorSandbox.h"

#include "engine/LSPGlobals.h"
#include "platform/ProductNames.h"
#include "platform/Registry.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hookwise::platform;

namespace inspectortest {

// ---- sandbox ----

Sandbox& Sandbox::Get() {
    static Sandbox sandbox;
    return sandbox;
}

Sandbox::Sandbox() {
    root_ = folders_.Path();
    appPath_ = root_ + "/app";
    mkdir(appPath_.c_str(), 0700);

    // What the tray program writes at start-up: the installation folder.
    RegKey key;
    if (RegCreateKeyA(HKEY_CURRENT_USER, kProductKeyPath, key.Put()) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create the product key");
    RegSetValueExA(key.Get(), "App Path", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(appPath_.c_str()),
                   static_cast<DWORD>(appPath_.size() + 1));
}

void Sandbox::WriteDefinitions(const std::vector<DefinitionSection>& sections) const {
    std::string text;
    for (const auto& section : sections) {
        text += '[' + CLSPGlobals::EncryptString(section.name) + "]\r\n";
        for (const auto& [key, value] : section.entries)
            text +=
                CLSPGlobals::EncryptString(key) + "=" + CLSPGlobals::EncryptString(value) + "\r\n";
    }
    std::string temporary = DatabasePath() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out)
            throw std::runtime_error("cannot write the definitions");
    }
    if (std::rename(temporary.c_str(), DatabasePath().c_str()) != 0)
        throw std::runtime_error("cannot replace the definitions");
}

void Sandbox::RemoveDefinitions() const {
    std::remove(DatabasePath().c_str());
}

// ---- receiver ----

ReportReceiver::ReportReceiver(std::vector<std::int32_t> answers)
    : answers_(std::move(answers)),
      receiver_([this](std::uint32_t code, const std::uint8_t* data, std::uint32_t size) {
          return Handle(code, data, size);
      }) {
    Sandbox::Get();
    if (pipe(wake_) != 0)
        return;
    listening_ = receiver_.Listen("Baitguard Server Handler") == ERROR_SUCCESS;
    if (!listening_)
        return;
    thread_ = std::thread([this] {
        for (;;) {
            std::vector<pollfd> fds;
            for (int fd : receiver_.Descriptors())
                fds.push_back({fd, POLLIN, 0});
            fds.push_back({wake_[0], POLLIN, 0});
            if (poll(fds.data(), fds.size(), 1000) <= 0)
                continue;
            for (const pollfd& p : fds) {
                if (!(p.revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                if (p.fd == wake_[0])
                    return;
                receiver_.ProcessReadable(p.fd);
            }
        }
    });
}

ReportReceiver::~ReportReceiver() {
    if (thread_.joinable()) {
        char byte = 1;
        while (write(wake_[1], &byte, 1) < 0 && errno == EINTR) {
        }
        thread_.join();
    }
    receiver_.Close();
    for (int fd : wake_) {
        if (fd >= 0)
            close(fd);
    }
}

std::int32_t ReportReceiver::Handle(std::uint32_t code, const std::uint8_t* data,
                                    std::uint32_t size) {
    std::lock_guard lock(mutex_);
    MailReport report;
    report.code = code;
    report.size = size;
    std::memcpy(&report.record, data, std::min<std::size_t>(size, sizeof report.record));
    std::size_t index = reports_.size();
    reports_.push_back(report);
    if (onReport_)
        onReport_(report);
    if (answers_.empty())
        return 1;
    return index < answers_.size() ? answers_[index] : answers_.back();
}

void ReportReceiver::OnReport(std::function<void(const MailReport&)> callback) {
    std::lock_guard lock(mutex_);
    onReport_ = std::move(callback);
}

std::vector<MailReport> ReportReceiver::Reports() {
    std::lock_guard lock(mutex_);
    return reports_;
}

std::string ReportReceiver::Kinds() {
    std::string kinds;
    for (const auto& report : Reports())
        kinds += report.Kind();
    return kinds;
}

} // namespace inspectortest
