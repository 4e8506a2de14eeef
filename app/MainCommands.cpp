// MainCommands: the main movie's command table, its handlers and the test command.
//
// Sections: the table; window and protection switches; list handshake and entry details; list
// rows; alert log; the test command.
#include "app/MainCommands.h"

#include "app/alerts/AlertPopup.h"
#include "core/commands/SampleDetection.h"
#include "core/lists/ListNames.h"
#include "core/logging/AlertLogStore.h"

#include <QPushButton>

namespace hookwise::app {

using namespace hookwise::core;

// ---- the table ----

const CommandEntry<MainCommands> MainCommands::kTable[] = {
    {"IDC_FS_DRAG", &MainCommands::Drag},
    {"IDC_FS_Help", &MainCommands::Help},
    {"IDC_FS_CLOSE", &MainCommands::Close},
    {"IDC_FS_MINIMIZE", &MainCommands::Minimize},
    {"IDC_FS_MailProtectionOn", &MainCommands::MailProtectionOn},
    {"IDC_FS_MailProtectionOff", &MainCommands::MailProtectionOff},
    {"IDC_FS_SiteBlockingOn", &MainCommands::SiteBlockingOn},
    {"IDC_FS_SiteBlockingOff", &MainCommands::SiteBlockingOff},
    {"IDC_FS_MailScamList_NoOperation", &MainCommands::MailListNoOperation},
    {"IDC_FS_SiteScamList_NoOperation", &MainCommands::SiteListNoOperation},
    {"IDC_FS_UpdateEntryDetailsWebListItem", &MainCommands::SiteEntryDetails},
    {"IDC_FS_UpdateEntryDetailsMailListItem", &MainCommands::MailEntryDetails},
    {"IDC_FS_mailListItemAllow", &MainCommands::MailItemAllow},
    {"IDC_FS_mailListItemBlock", &MainCommands::MailItemBlock},
    {"IDC_FS_mailListItemAsk", &MainCommands::MailItemAsk},
    {"IDC_FS_siteListItemAllow", &MainCommands::SiteItemAllow},
    {"IDC_FS_siteListItemBlock", &MainCommands::SiteItemBlock},
    {"IDC_FS_siteListItemAsk", &MainCommands::SiteItemAsk},
    {"IDC_FS_mailListItemRemoveAll", &MainCommands::MailItemRemoveAll},
    {"IDC_FS_mailListItemRemove", &MainCommands::MailItemRemove},
    {"IDC_FS_siteListItemRemoveAll", &MainCommands::SiteItemRemoveAll},
    {"IDC_FS_siteListItemRemove", &MainCommands::SiteItemRemove},
    {"IDC_FS_AlertLogList_NoOperation", &MainCommands::LogListNoOperation},
    {"IDC_FS_LogVwClear", &MainCommands::LogClear},
    {"IDC_FS_LogViewerStepper", &MainCommands::LogViewerStepper},
};

MainCommands::MainCommands(CommandWindow& window, CommandLists lists, CommandSettings settings,
                           DetectionView& detections)
    : window_(window), state_(lists), lists_(lists, window), detections_(detections),
      admin_(window, std::move(settings)) {
    // The hidden button of the window template that starts the test command.
    QWidget* parent = window.Widget();
    testButton_ = new QPushButton(QStringLiteral("Test"), parent);
    testButton_->setObjectName(QString::number(kTestCommandId));
    testButton_->setAutoDefault(false);
    testButton_->hide();
    QObject::connect(testButton_, &QPushButton::clicked, parent, [this] { RunTestCommand(); });
}

bool MainCommands::Dispatch(const QString& command, const QString& args) {
    if (RunCommandTable(*this, kTable, command, args))
        return true;
    return admin_.Dispatch(command, args);
}

QStringList MainCommands::CommandNames() {
    QStringList names;
    for (const auto& entry : kTable)
        names << QLatin1String(entry.name);
    return names;
}

// ---- window and protection switches ----

void MainCommands::Drag(const QString&) {
    window_.StartDrag();
}

void MainCommands::Help(const QString&) {
    window_.ShowHelp();
}

void MainCommands::Close(const QString&) {
    window_.CloseToTray();
}

void MainCommands::Minimize(const QString&) {
    window_.MinimizeWindow();
}

void MainCommands::MailProtectionOn(const QString&) {
    lists_.SetMailProtection(1);
}

void MainCommands::MailProtectionOff(const QString&) {
    lists_.SetMailProtection(0);
}

void MainCommands::SiteBlockingOn(const QString&) {
    lists_.SetSiteProtection(1);
}

void MainCommands::SiteBlockingOff(const QString&) {
    lists_.SetSiteProtection(0);
}

// ---- list handshake and entry details ----

void MainCommands::MailListNoOperation(const QString&) {
    lists_.MailListNoOperation();
}

void MainCommands::SiteListNoOperation(const QString&) {
    lists_.SiteListNoOperation();
}

void MainCommands::SiteEntryDetails(const QString& args) {
    lists_.ShowSiteEntryDetails(ArgumentText(args));
}

void MainCommands::MailEntryDetails(const QString& args) {
    lists_.ShowMailEntryDetails(ArgumentText(args));
}

// ---- list rows ----

void MainCommands::MailItemAllow(const QString& args) {
    lists_.SetMailAction(ArgumentText(args), kActionAllow);
}

void MainCommands::MailItemBlock(const QString& args) {
    lists_.SetMailAction(ArgumentText(args), kActionBlock);
}

void MainCommands::MailItemAsk(const QString& args) {
    lists_.SetMailAction(ArgumentText(args), kActionAsk);
}

void MainCommands::SiteItemAllow(const QString& args) {
    lists_.SetSiteAction(ArgumentText(args), kActionAllow);
}

void MainCommands::SiteItemBlock(const QString& args) {
    lists_.SetSiteAction(ArgumentText(args), kActionBlock);
}

void MainCommands::SiteItemAsk(const QString& args) {
    lists_.SetSiteAction(ArgumentText(args), kActionAsk);
}

void MainCommands::MailItemRemoveAll(const QString&) {
    lists_.RemoveAllMailItems();
}

void MainCommands::MailItemRemove(const QString& args) {
    lists_.RemoveMailItem(ArgumentText(args));
}

void MainCommands::SiteItemRemoveAll(const QString&) {
    lists_.RemoveAllSiteItems();
}

void MainCommands::SiteItemRemove(const QString& args) {
    lists_.RemoveSiteItem(ArgumentText(args));
}

// ---- alert log ----

void MainCommands::LogListNoOperation(const QString&) {
    lists_.LogListNoOperation();
}

void MainCommands::LogClear(const QString&) {
    lists_.ClearLog();
}

void MainCommands::LogViewerStepper(const QString& args) {
    lists_.SetLogViewerStepper(ArgumentText(args));
}

// ---- the test command ----

void MainCommands::RunTestCommand() {
    const std::string now = AlertLogStore::NowText();
    auto* popup = new AlertPopup(window_.Widget());
    popup->Fill(SampleAlert(now));
    popup->setModal(false);
    QObject::connect(popup, &QDialog::finished, popup, &QObject::deleteLater);
    popup->Prepare();
    popup->show();
    RecordSampleDetection(state_.log, state_.web, detections_, now);
}

} // namespace hookwise::app
