// DefinitionsWatcher: takes new definitions while the program runs. It watches the user's
// definitions file in the data folder (the update program renames a new one into place there)
// and, for a file that is no older than the definitions in use, writes the new working copy and
// its index beside the old ones and renames them into place, the index first: every process then
// reads either the old or the new set, never a mix, and never nothing.
#pragma once

#include "platform/MappedFile.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <functional>
#include <string>
#include <thread>

namespace hookwise::app {

class TrayApp;

class DefinitionsWatcher : public QObject {
    Q_OBJECT
public:
    // switched runs on this thread once new definitions are in place, with their file and
    // version (the caller records them and refreshes what shows the version).
    using SwitchedCallback =
        std::function<void(const std::string& path, const std::string& version)>;
    DefinitionsWatcher(TrayApp& app, SwitchedCallback switched, QObject* parent = nullptr);
    // Waits for a switch under way to end.
    ~DefinitionsWatcher() override;

    // Watches from now on, and looks at the file at once: an update that ended while the program
    // started is taken too.
    void Start();
    // How long the watcher lets a burst of changes in the folder settle before it looks.
    static constexpr int kSettleMs = 20;

signals:
    // A new file was looked at and refused (older, no version, damaged) or could not be taken;
    // the definitions in use stay. For tests; the reason also goes to standard error.
    void Refused(const QString& reason);

private:
    void Check();
    void Switch(const std::string& path, const std::string& version);
    void Finished(bool taken, const std::string& path, const std::string& version,
                  const std::string& reason);

    TrayApp& app_;
    SwitchedCallback switched_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    platform::FileStamp seen_;
    bool haveSeen_ = false;
    bool busy_ = false;
    bool again_ = false;
    std::thread worker_;
};

} // namespace hookwise::app
