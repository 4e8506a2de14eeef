// LogArchiver: one dated copy of the log file in the archive folder, behind three header lines.
#pragma once

#include "core/logging/SystemTime.h"
#include "platform/AtomicFile.h"

#include <string>

namespace hookwise::core {

// The archive file name of moment now: "%d_%A_%B_%H_%M_%S.bda" with English names
// ("07_Monday_December_14_05_09.bda").
std::string ArchiveFileName(const SystemTime& now);

// The archive is written under a temporary name beside archivePath (mode 0600, made exclusively)
// and renamed over archivePath when the archiver is destroyed, so a link planted at the archive
// name is replaced, never followed, and a crash leaves no half archive.
class LogArchiver {
public:
    // Creates the archive (empty until Copy) for writing; IsOpen() tells whether it worked.
    explicit LogArchiver(const std::string& archivePath);
    // Puts the archive in place: with the copy, or empty when Copy failed or never ran.
    ~LogArchiver();
    LogArchiver(const LogArchiver&) = delete;
    LogArchiver& operator=(const LogArchiver&) = delete;

    bool IsOpen() const { return open_; }

    // Writes "Appliction Name: " + title, "Version: " + version and "File Name: " + the archive's
    // own name (each ended by CR LF), then the log file's bytes, read and written in blocks of 200
    // bytes until a read returns fewer. False when the archive is not open, the log file cannot be
    // opened (nothing is written then; a link, a FIFO or anything but a regular file is not
    // opened) or a write fails.
    bool Copy(const std::string& logPath, const std::string& title, const std::string& version);

    static constexpr std::size_t kBlockSize = 200;

private:
    std::string path_;
    platform::AtomicFileWriter writer_;
    bool open_ = false;
};

} // namespace hookwise::core
