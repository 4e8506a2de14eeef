// LogArchiver: the dated copy of the log file with its header lines.
#include "core/logging/LogArchiver.h"

#include <vector>

std::string ArchiveFileName(const SystemTime& now) {
    return FormatSystemTime(now, "%d_%A_%B_%H_%M_%S.bda");
}

LogArchiver::LogArchiver(const std::string& archivePath) : path_(archivePath) {
    file_ = std::fopen(archivePath.c_str(), "w+b");
}

LogArchiver::~LogArchiver() {
    if (file_)
        std::fclose(file_);
}

bool LogArchiver::Copy(const std::string& logPath, const std::string& title,
                       const std::string& version) {
    if (!file_)
        return false;
    // Reading is all the copy needs, so a log file that another program keeps read-only for us is
    // archived too.
    std::FILE* log = std::fopen(logPath.c_str(), "rb");
    if (!log)
        return false;

    std::string ownName = path_.substr(path_.find_last_of('/') + 1);
    std::string header = "Appliction Name: " + title + "\r\n" + "Version: " + version + "\r\n" +
                         "File Name: " + ownName + "\r\n";
    bool ok = std::fwrite(header.data(), 1, header.size(), file_) == header.size();

    char block[kBlockSize];
    while (ok) {
        std::size_t got = std::fread(block, 1, kBlockSize, log);
        if (got && std::fwrite(block, 1, got, file_) != got)
            ok = false;
        if (got < kBlockSize)
            break;
    }
    if (std::ferror(log))
        ok = false;
    std::fclose(log);
    if (std::fflush(file_) != 0)
        ok = false;
    return ok;
}
