// MainCommands: the main window's command dispatch: every command the main movie sends, the test
// command of the hidden button 2011, and the hand-over of the administration commands.
//
// The table's commands compare ignoring case, in the table's order, the first match acting; each
// handler hands the argument text to the core's ListCommands, which decides (core/commands).
// Commands the table does not know go to AdminCommands; what neither knows is ignored.
#pragma once

#include "app/AdminCommands.h"
#include "app/CommandWindow.h"
#include "app/MovieCommands.h"
#include "core/commands/ListCommands.h"

#include <QString>
#include <QStringList>

namespace hookwise::core {
class DetectionView;
}
class QPushButton;

namespace hookwise::app {

// The id of the hidden button that runs the test command.
constexpr int kTestCommandId = 2011;

class MainCommands {
public:
    // Adds the hidden test button (object name "2011") to the window. detections: where the test
    // command's sample detection is posted, as a real detection's.
    MainCommands(CommandWindow& window, core::CommandLists lists, core::CommandSettings settings,
                 core::DetectionView& detections);

    // Acts on one command of the main movie. Returns whether either table knew it.
    bool Dispatch(const QString& command, const QString& args);

    // The test command: a modeless alert popup with sample texts, a sample log entry and a sample
    // site item added and shown in the movie, then an update post of that item.
    void RunTestCommand();

    // The command names of the main table, in order.
    static QStringList CommandNames();

    AdminCommands& Admin() { return admin_; }

private:
    void Drag(const QString& args);
    void Help(const QString& args);
    void Close(const QString& args);
    void Minimize(const QString& args);
    void MailProtectionOn(const QString& args);
    void MailProtectionOff(const QString& args);
    void SiteBlockingOn(const QString& args);
    void SiteBlockingOff(const QString& args);
    void MailListNoOperation(const QString& args);
    void SiteListNoOperation(const QString& args);
    void SiteEntryDetails(const QString& args);
    void MailEntryDetails(const QString& args);
    void MailItemAllow(const QString& args);
    void MailItemBlock(const QString& args);
    void MailItemAsk(const QString& args);
    void SiteItemAllow(const QString& args);
    void SiteItemBlock(const QString& args);
    void SiteItemAsk(const QString& args);
    void MailItemRemoveAll(const QString& args);
    void MailItemRemove(const QString& args);
    void SiteItemRemoveAll(const QString& args);
    void SiteItemRemove(const QString& args);
    void LogListNoOperation(const QString& args);
    void LogClear(const QString& args);
    void LogViewerStepper(const QString& args);

    static const CommandEntry<MainCommands> kTable[];
    CommandWindow& window_;
    core::CommandLists state_;
    core::ListCommands lists_;
    core::DetectionView& detections_;
    AdminCommands admin_;
    QPushButton* testButton_ = nullptr;
};

} // namespace hookwise::app
