// LogArchiver: the dated copy of the log file with its header lines.
#include "core/logging/LogArchiver.h"

#include "platform/RegularFile.h"
#include "platform/UniqueFd.h"

#include <cerrno>

#include <unistd.h>

using namespace hookwise::platform;

namespace hookwise::core {

std::string ArchiveFileName(const SystemTime& now) {
    return FormatSystemTime(now, "%d_%A_%B_%H_%M_%S.bda");
}

LogArchiver::LogArchiver(const std::string& archivePath) : path_(archivePath) {
    open_ = writer_.Create(archivePath, 0600) == ERROR_SUCCESS;
}

LogArchiver::~LogArchiver() {
    if (open_)
        writer_.Commit();
}

bool LogArchiver::Copy(const std::string& logPath, const std::string& title,
                       const std::string& version) {
    if (!open_)
        return false;
    // Reading is all the copy needs, so a log file that another program keeps read-only for us is
    // archived too. A link planted at the log file is not followed, and a FIFO there is refused
    // rather than waited on.
    UniqueFd log(OpenRegularFile(logPath, FollowLink::No));
    if (log.Get() < 0)
        return false;

    std::string ownName = path_.substr(path_.find_last_of('/') + 1);
    std::string header = "Appliction Name: " + title + "\r\n" + "Version: " + version + "\r\n" +
                         "File Name: " + ownName + "\r\n";
    bool ok = writer_.Write(header.data(), header.size()) == ERROR_SUCCESS;

    char block[kBlockSize];
    while (ok) {
        std::size_t got = 0;
        while (got < kBlockSize) {
            ssize_t n = read(log.Get(), block + got, kBlockSize - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                ok = false;
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        if (ok && got && writer_.Write(block, got) != ERROR_SUCCESS)
            ok = false;
        if (got < kBlockSize)
            break;
    }
    return ok;
}

} // namespace hookwise::core
