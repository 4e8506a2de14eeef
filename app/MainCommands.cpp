// MainCommands: the main movie's command table, its handlers and the test command.
//
// Sections: the table; window and protection switches; list handshake and entry details; list
// rows; alert log; the test command; movie posts.
#include "app/MainCommands.h"

#include "core/DetectionHandlers.h"
#include "app/MainWindow.h"
#include "app/TrayApp.h"
#include "app/alerts/AlertPopup.h"
#include "app/desktop/MovieValues.h"
#include "core/lists/ListNames.h"
#include "core/settings/LanguagePack.h"
#include "app/settings/RequireAdministrator.h"
#include "app/desktop/QtText.h"

#include <QPushButton>

#include <cstdint>

namespace {

// The test command's sample detection.
constexpr const char* kSampleSite = "www.phishing-sample.example/signin/account-verify.html";
constexpr const char* kSampleProgram = "/usr/bin/sample-browser";
constexpr const char* kSampleAddress = "192.0.2.1";
constexpr std::int32_t kSamplePort = 80;

} // namespace

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

MainCommands::MainCommands(MainWindow& window) : window_(window), admin_(window) {
    // The hidden button of the window template that starts the test command.
    testButton_ = new QPushButton(QStringLiteral("Test"), &window);
    testButton_->setObjectName(QString::number(kTestCommandId));
    testButton_->setAutoDefault(false);
    testButton_->hide();
    QObject::connect(testButton_, &QPushButton::clicked, &window, [this] { RunTestCommand(); });
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
    window_.DragWindow();
}

void MainCommands::Help(const QString&) {
    window_.OnTrayCommand(MainWindow::kCommandHelp);
}

void MainCommands::Close(const QString&) {
    // As the window's own close: hidden to the tray.
    window_.reject();
}

void MainCommands::Minimize(const QString&) {
    window_.Tray().SetMenuDefaultItem(MainWindow::kCommandRestore, false);
    window_.showMinimized();
}

void MainCommands::SetMailProtection(int state) {
    if (RequireAdministrator(&window_))
        window_.App().MailList.ProtectionState = state;
    // The movie's switch may have moved on its own: it is set back to the state in force.
    window_.RefreshMainMovie();
}

void MainCommands::SetSiteProtection(int state) {
    if (RequireAdministrator(&window_))
        window_.App().SiteList.ProtectionState = state;
    window_.RefreshMainMovie();
}

void MainCommands::MailProtectionOn(const QString&) {
    SetMailProtection(1);
}

void MainCommands::MailProtectionOff(const QString&) {
    SetMailProtection(0);
}

void MainCommands::SiteBlockingOn(const QString&) {
    SetSiteProtection(1);
}

void MainCommands::SiteBlockingOff(const QString&) {
    SetSiteProtection(0);
}

// ---- list handshake and entry details ----

void MainCommands::MailListNoOperation(const QString&) {
    window_.MailFeeder().SetOperationFlag(kNoOperation);
}

void MainCommands::SiteListNoOperation(const QString&) {
    window_.SiteFeeder().SetOperationFlag(kNoOperation);
}

MovieVariables SiteEntryDetailVariables(const WebSiteBlockingItem* item) {
    auto value = [item](auto field) { return item ? field(*item) : std::string(); };
    return {
        {"_root.ScamProgramNameSiteEntryDetSItem.EntryValue",
         value([](const WebSiteBlockingItem& i) { return i.Program; })},
        {"_root.ScamDateTimeSiteEntryDetSItem.EntryValue",
         value([](const WebSiteBlockingItem& i) { return i.DataTime; })},
        {"_root.ScamIPAddressSiteEntryDetSItem.EntryValue",
         value([](const WebSiteBlockingItem& i) { return i.IPAddress; })},
        {"_root.ScamProtocolSiteEntryDetSItem.EntryValue",
         value([](const WebSiteBlockingItem& i) { return ProtocolName(i.Port); })},
    };
}

MovieVariables MailEntryDetailVariables(const MailSafeItem* item) {
    auto value = [item](auto field) { return item ? field(*item) : std::string(); };
    return {
        {"_root.ScamProgramNameMailEntryDetSItem.EntryValue",
         value([](const MailSafeItem& i) { return i.Program; })},
        {"ScamFromMailEntryDetSItem.EntryValue",
         value([](const MailSafeItem& i) { return i.From; })},
        {"ScamToMailEntryDetSItem.EntryValue", value([](const MailSafeItem& i) { return i.To; })},
        {"_root.ScamSubjectMailEntryDetSItem.EntryValue",
         value([](const MailSafeItem& i) { return i.Subject; })},
        {"_root.ScamDateTimeMailEntryDetSItem.EntryValue",
         value([](const MailSafeItem& i) { return i.DataTime; })},
        {"_root.ScamAttachmentMailEntryDetSItem.EntryValue",
         value([](const MailSafeItem& i) { return i.AttachmentFile; })},
        {"_root.ScamProtocolMailEntryDetSItem.EntryValue",
         value([](const MailSafeItem& i) { return ProtocolName(i.Port); })},
    };
}

void MainCommands::SiteEntryDetails(const QString& args) {
    if (IsUndefined(args)) {
        SetVariables(SiteEntryDetailVariables(nullptr));
        return;
    }
    const WebSiteBlockingList& list = window_.App().SiteList;
    const std::optional<int> index = RowIndexArgument(args, list.Count());
    if (!index)
        return;
    const WebSiteBlockingItem item = list.ItemAt(*index);
    SetVariables(SiteEntryDetailVariables(&item));
}

void MainCommands::MailEntryDetails(const QString& args) {
    if (IsUndefined(args)) {
        SetVariables(MailEntryDetailVariables(nullptr));
        return;
    }
    const MailSafeList& list = window_.App().MailList;
    const std::optional<int> index = RowIndexArgument(args, list.Count());
    if (!index)
        return;
    const MailSafeItem item = list.ItemAt(*index);
    SetVariables(MailEntryDetailVariables(&item));
}

// ---- list rows ----

void MainCommands::SetMailAction(const QString& args, int action) {
    MailSafeList& list = window_.App().MailList;
    const std::optional<int> index = RowIndexArgument(args, list.Count());
    if (!index)
        return;
    list.SetAction(*index, action);
    PostToMovie(MailUpdateVariables(list, *index));
}

void MainCommands::SetSiteAction(const QString& args, int action) {
    WebSiteBlockingList& list = window_.App().SiteList;
    if (!RowIndexArgument(args, list.Count()))
        return;
    if (!RequireAdministrator(&window_))
        return;
    // The login window runs its own loop, in which a detection may have changed the list.
    const std::optional<int> index = RowIndexArgument(args, list.Count());
    if (!index)
        return;
    list.SetAction(*index, action);
    PostToMovie(SiteUpdateVariables(list, *index));
}

void MainCommands::MailItemAllow(const QString& args) {
    SetMailAction(args, kActionAllow);
}

void MainCommands::MailItemBlock(const QString& args) {
    SetMailAction(args, kActionBlock);
}

void MainCommands::MailItemAsk(const QString& args) {
    SetMailAction(args, kActionAsk);
}

void MainCommands::SiteItemAllow(const QString& args) {
    SetSiteAction(args, kActionAllow);
}

void MainCommands::SiteItemBlock(const QString& args) {
    SetSiteAction(args, kActionBlock);
}

void MainCommands::SiteItemAsk(const QString& args) {
    SetSiteAction(args, kActionAsk);
}

void MainCommands::MailItemRemoveAll(const QString&) {
    window_.App().MailList.RemoveAll();
    window_.MailFeeder().ItemsCleared();
    PostToMovie(MailRemoveAllVariables());
}

void MainCommands::MailItemRemove(const QString& args) {
    MailSafeList& list = window_.App().MailList;
    const std::optional<int> index = RowIndexArgument(args, list.Count());
    if (!index)
        return;
    list.RemoveAt(*index);
    if (window_.MailFeeder().ItemRemoved(*index))
        PostToMovie(MailRemoveVariables(*index));
}

void MainCommands::SiteItemRemoveAll(const QString&) {
    window_.App().SiteList.RemoveAll();
    window_.SiteFeeder().ItemsCleared();
    PostToMovie(SiteRemoveAllVariables());
}

void MainCommands::SiteItemRemove(const QString& args) {
    WebSiteBlockingList& list = window_.App().SiteList;
    const std::optional<int> index = RowIndexArgument(args, list.Count());
    if (!index)
        return;
    list.RemoveAt(*index);
    if (window_.SiteFeeder().ItemRemoved(*index))
        PostToMovie(SiteRemoveVariables(*index));
}

// ---- alert log ----

void MainCommands::LogListNoOperation(const QString&) {
    window_.LogFeeder().SetOperationFlag(kNoOperation);
}

void MainCommands::LogClear(const QString&) {
    window_.App().Log.Clear();
    window_.LogFeeder().ItemsCleared();
    PostToMovie(LogRemoveAllVariables());
    // The high-rated counter is counted from the log.
    window_.RefreshMainMovie();
}

void MainCommands::LogViewerStepper(const QString& args) {
    const std::optional<int> count = DecimalArgument(args);
    // The stepper value is stored in 16 bits; 0 (and no value) leave it as it is.
    if (!count || *count <= 0 || *count > INT16_MAX)
        return;
    window_.App().Log.NoAlertView = static_cast<std::int16_t>(*count);
    window_.RefreshMainMovie();
}

// ---- the test command ----

void MainCommands::RunTestCommand() {
    TrayApp& app = window_.App();
    const std::string now = AlertLogStore::NowText();

    auto* popup = new AlertPopup(&window_);
    popup->AlertKind = AlertPopup::WebAlert;
    popup->StrictedData = QLatin1String(kSampleSite);
    popup->ScamSite = QLatin1String(kSampleSite);
    popup->Type = QStringLiteral("URL");
    popup->Application = QLatin1String(kSampleProgram);
    popup->DateTime = Q(now);
    popup->Protocol = Q(ProtocolName(kSamplePort));
    popup->IPAddress = QLatin1String(kSampleAddress);
    popup->ToolTip = Q(FormatAlertText(LoadText(kStrAlertUrl), kSampleSite));
    popup->setModal(false);
    QObject::connect(popup, &QDialog::finished, popup, &QObject::deleteLater);
    popup->Prepare();
    popup->show();

    // The sample log entry is recorded as well as shown, so the movie's rows keep the log's
    // indexes; a second test counts it up.
    AlertLogEntry entry;
    entry.Type = "URL";
    entry.Protocol = ProtocolName(kSamplePort);
    entry.Program = kSampleProgram;
    entry.HostIP = kSampleAddress;
    entry.ActionTaken = ActionName(kActionBlock);
    entry.StrictedData = kSampleSite;
    const AlertLogStore::RecordResult recorded = app.Log.RecordEvent(entry);
    if (recorded.isNew)
        window_.PostLogEntry(recorded.index, recorded.droppedOldest);
    else
        window_.UpdateLogEntry(recorded.index);

    WebSiteBlockingItem item;
    item.Type = "URL";
    item.StrictedData = kSampleSite;
    item.ScamSite = kSampleSite;
    item.Program = kSampleProgram;
    item.DataTime = now;
    item.IPAddress = kSampleAddress;
    item.Port = kSamplePort;
    const int index = app.SiteList.Append(item);
    window_.PostSiteItem(index);
    window_.UpdateSiteItem(index);
}

// ---- movie posts ----

void MainCommands::PostToMovie(MovieVariables variables) {
    window_.PostFromFeeder(std::move(variables));
}

void MainCommands::SetVariables(const MovieVariables& variables) {
    window_.SetMovieVariables(variables);
}
