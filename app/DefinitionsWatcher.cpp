// DefinitionsWatcher: the watch on the data folder, the decision on a new file, and the switch on
// a worker thread.
#include "app/DefinitionsWatcher.h"

#include "app/TrayApp.h"
#include "core/definitions/DefinitionsFiles.h"
#include "core/definitions/ShippedFile.h"
#include "core/definitions/WorkingCopy.h"

#include <cstdio>

namespace hookwise::app {

using namespace hookwise::core;

DefinitionsWatcher::DefinitionsWatcher(TrayApp& app, SwitchedCallback switched, QObject* parent)
    : QObject(parent), app_(app), switched_(std::move(switched)) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &DefinitionsWatcher::Check);
    // A rename into place shows as a change of the folder; a file rewritten in place as a change
    // of the file.
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &settle_,
            qOverload<>(&QTimer::start));
    connect(&watcher_, &QFileSystemWatcher::fileChanged, &settle_, qOverload<>(&QTimer::start));
}

DefinitionsWatcher::~DefinitionsWatcher() {
    if (worker_.joinable())
        worker_.join();
}

void DefinitionsWatcher::Start() {
    // The file as it was when the program chose its definitions counts as seen: only a change
    // after that is new.
    seen_ = app_.UserDefinitionsSeen;
    haveSeen_ = true;
    watcher_.addPath(QString::fromStdString(app_.DataDirectory));
    watcher_.addPath(QString::fromStdString(app_.Definitions().UserDefinitions()));
    Check();
}

void DefinitionsWatcher::Check() {
    const std::string path = app_.Definitions().UserDefinitions();
    // A file replaced by rename is a new file to watch.
    if (!watcher_.files().contains(QString::fromStdString(path)))
        watcher_.addPath(QString::fromStdString(path));
    platform::FileStamp stamp;
    if (!platform::StampOfFile(path.c_str(), stamp))
        return; // removed: the definitions in use stay
    if (haveSeen_ && stamp == seen_)
        return;
    if (busy_) {
        again_ = true;
        return;
    }
    seen_ = stamp;
    haveSeen_ = true;
    const std::string version = ReadDefinitionsVersion(path);
    if (const std::string refusal = ReplacementRefusal(path, version, app_.DefinitionsVersion);
        !refusal.empty()) {
        Finished(false, path, version, refusal);
        return;
    }
    Switch(path, version);
}

void DefinitionsWatcher::Switch(const std::string& path, const std::string& version) {
    busy_ = true;
    if (worker_.joinable())
        worker_.join();
    const DecipherOptions options = app_.WorkingCopyOptions();
    const std::string working = app_.Definitions().WorkingCopy();
    worker_ = std::thread([this, path, version, working, options] {
        const std::string reason = ReplaceWorkingCopy(path, working, version, options);
        const bool taken = reason.empty();
        QMetaObject::invokeMethod(
            this, [this, taken, path, version, reason] { Finished(taken, path, version, reason); },
            Qt::QueuedConnection);
    });
}

void DefinitionsWatcher::Finished(bool taken, const std::string& path, const std::string& version,
                                  const std::string& reason) {
    busy_ = false;
    const std::string title = TrayApp::Title();
    if (taken) {
        std::fprintf(stderr, "%s: definitions version %s from %s in use\n", title.c_str(),
                     version.c_str(), path.c_str());
        switched_(path, version);
    } else {
        std::fprintf(stderr,
                     "%s: new definitions not taken, protection goes on with version %s: "
                     "%s\n",
                     title.c_str(), app_.DefinitionsVersion.c_str(), reason.c_str());
        emit Refused(QString::fromStdString(reason));
    }
    if (again_) {
        again_ = false;
        Check();
    }
}

} // namespace hookwise::app
