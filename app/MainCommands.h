// MainCommands: the main window's command dispatch: every command the main movie sends, the test
// command of the hidden button 2011, and the hand-over of the administration commands.
//
// The table's commands compare ignoring case, in the table's order, the first match acting;
// "undefined" means no argument, numbers are decimal text. A row index is valid from 0 to the
// list's count - 1; any other index, or no argument where one is needed, is ignored. Gated
// commands act only when RequireAdministrator passes; the protection switches refresh the
// overview also when it refuses. Commands the table does not know go to AdminCommands; what
// neither knows is ignored.
//
// List rows change in the program first; the movie hears of it afterwards (an update, a removal),
// handed to the movie's thread behind the feeders' items, so the movie's rows keep the lists'
// indexes.
#pragma once

#include "app/AdminCommands.h"
#include "app/MovieCommands.h"

#include <QString>
#include <QStringList>

class MainWindow;
class QPushButton;
struct MailSafeItem;
struct WebSiteBlockingItem;

// The id of the hidden button that runs the test command.
constexpr int kTestCommandId = 2011;

class MainCommands {
public:
    // Adds the hidden test button (object name "2011") to window.
    explicit MainCommands(MainWindow& window);

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

    void SetMailProtection(int state);
    void SetSiteProtection(int state);
    void SetMailAction(const QString& args, int action);
    void SetSiteAction(const QString& args, int action);
    // Hands variables to the movie behind whatever the feeders handed it before.
    void PostToMovie(MovieVariables variables);
    void SetVariables(const MovieVariables& variables);

    static const CommandEntry<MainCommands> kTable[];
    MainWindow& window_;
    AdminCommands admin_;
    QPushButton* testButton_ = nullptr;
};

// The entry-detail variables of a site item / mail item in the order they are set; with no item
// (the argument "undefined") every value is empty. Two mail names are set without "_root.".
MovieVariables SiteEntryDetailVariables(const WebSiteBlockingItem* item);
MovieVariables MailEntryDetailVariables(const MailSafeItem* item);
