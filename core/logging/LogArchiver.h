// LogArchiver: one dated copy of the log file in the archive folder, behind three header lines.
#pragma once

#include "core/logging/SystemTime.h"

#include <cstdio>
#include <string>

// The archive file name of moment now: "%d_%A_%B_%H_%M_%S.bda" with English names
// ("07_Monday_December_14_05_09.bda").
std::string ArchiveFileName(const SystemTime& now);

class LogArchiver {
public:
    // Creates (or empties) archivePath for reading and writing; IsOpen() tells whether it worked.
    explicit LogArchiver(const std::string& archivePath);
    ~LogArchiver();
    LogArchiver(const LogArchiver&) = delete;
    LogArchiver& operator=(const LogArchiver&) = delete;

    bool IsOpen() const { return file_ != nullptr; }

    // Writes "Appliction Name: " + title, "Version: " + version and "File Name: " + the archive's
    // own name (each ended by CR LF), then the log file's bytes, read and written in blocks of 200
    // bytes until a read returns fewer. False when the archive is not open, the log file cannot be
    // opened (nothing is written then) or a write fails.
    bool Copy(const std::string& logPath, const std::string& title, const std::string& version);

    static constexpr std::size_t kBlockSize = 200;

private:
    std::string path_;
    std::FILE* file_ = nullptr;
};
