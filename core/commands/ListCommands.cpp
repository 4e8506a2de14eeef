// ListCommands: protection switches, list rows, entry details and the alert log.
#include "core/commands/ListCommands.h"

#include "core/commands/CommandArguments.h"
#include "core/lists/ListFeeder.h"
#include "core/lists/ListNames.h"
#include "core/lists/MailSafeList.h"
#include "core/lists/WebSiteBlockingList.h"
#include "core/logging/AlertLogStore.h"

#include <cstdint>
#include <optional>

namespace hookwise::core {

// ---- protection switches and the feeders' handshake ----

void ListCommands::SetMailProtection(std::int32_t state) {
    if (view_.AdministratorAllows())
        lists_.mail.ProtectionState = state;
    view_.RefreshMainMovie();
}

void ListCommands::SetSiteProtection(std::int32_t state) {
    if (view_.AdministratorAllows())
        lists_.web.ProtectionState = state;
    view_.RefreshMainMovie();
}

void ListCommands::MailListNoOperation() {
    lists_.mailFeeder.SetOperationFlag(kNoOperation);
}

void ListCommands::SiteListNoOperation() {
    lists_.siteFeeder.SetOperationFlag(kNoOperation);
}

void ListCommands::LogListNoOperation() {
    lists_.logFeeder.SetOperationFlag(kNoOperation);
}

// ---- entry details ----

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

void ListCommands::ShowSiteEntryDetails(std::string_view args) {
    if (IsUndefinedArgument(args)) {
        view_.SetMovieVariables(SiteEntryDetailVariables(nullptr));
        return;
    }
    const std::optional<int> index = RowIndexArgument(args, lists_.web.Count());
    if (!index)
        return;
    const WebSiteBlockingItem item = lists_.web.ItemAt(*index);
    view_.SetMovieVariables(SiteEntryDetailVariables(&item));
}

void ListCommands::ShowMailEntryDetails(std::string_view args) {
    if (IsUndefinedArgument(args)) {
        view_.SetMovieVariables(MailEntryDetailVariables(nullptr));
        return;
    }
    const std::optional<int> index = RowIndexArgument(args, lists_.mail.Count());
    if (!index)
        return;
    const MailSafeItem item = lists_.mail.ItemAt(*index);
    view_.SetMovieVariables(MailEntryDetailVariables(&item));
}

// ---- list rows ----

void ListCommands::SetMailAction(std::string_view args, std::int32_t action) {
    MailSafeList& list = lists_.mail;
    const std::optional<int> index = RowIndexArgument(args, list.Count());
    if (!index)
        return;
    list.SetAction(*index, action);
    view_.PostToMovie(MailUpdateVariables(list, *index));
}

void ListCommands::SetSiteAction(std::string_view args, std::int32_t action) {
    WebSiteBlockingList& list = lists_.web;
    if (!RowIndexArgument(args, list.Count()))
        return;
    // The gate may ask for the password in a modal window, during which detections can change
    // the list: the row is looked up again once it has answered.
    if (!view_.AdministratorAllows())
        return;
    const std::optional<int> index = RowIndexArgument(args, list.Count());
    if (!index)
        return;
    list.SetAction(*index, action);
    view_.PostToMovie(SiteUpdateVariables(list, *index));
}

void ListCommands::RemoveMailItem(std::string_view args) {
    const std::optional<int> index = RowIndexArgument(args, lists_.mail.Count());
    if (!index)
        return;
    lists_.mail.RemoveAt(*index);
    if (lists_.mailFeeder.ItemRemoved(*index))
        view_.PostToMovie(MailRemoveVariables(*index));
}

void ListCommands::RemoveSiteItem(std::string_view args) {
    const std::optional<int> index = RowIndexArgument(args, lists_.web.Count());
    if (!index)
        return;
    lists_.web.RemoveAt(*index);
    if (lists_.siteFeeder.ItemRemoved(*index))
        view_.PostToMovie(SiteRemoveVariables(*index));
}

void ListCommands::RemoveAllMailItems() {
    lists_.mail.RemoveAll();
    lists_.mailFeeder.ItemsCleared();
    view_.PostToMovie(MailRemoveAllVariables());
}

void ListCommands::RemoveAllSiteItems() {
    lists_.web.RemoveAll();
    lists_.siteFeeder.ItemsCleared();
    view_.PostToMovie(SiteRemoveAllVariables());
}

MovieVariables MailRemoveVariables(int index) {
    return {
        {"_root.MailScamRemovedItemIndex", std::to_string(index)},
        {"_root.strScamMailOperation", "Remove"},
    };
}

MovieVariables SiteRemoveVariables(int index) {
    return {
        {"_root.WebProtectionRemovedItemIndex", std::to_string(index)},
        {"_root.strScamSiteOperation", "Remove"},
    };
}

MovieVariables MailRemoveAllVariables() {
    return {{"_root.strScamMailOperation", "RemoveAll"}};
}

MovieVariables SiteRemoveAllVariables() {
    return {{"_root.strScamSiteOperation", "RemoveAll"}};
}

MovieVariables LogRemoveAllVariables() {
    return {{"_root.strViewLogOperation", "RemoveAll"}};
}

// ---- alert log ----

void ListCommands::ClearLog() {
    lists_.log.Clear();
    lists_.logFeeder.ItemsCleared();
    view_.PostToMovie(LogRemoveAllVariables());
    view_.RefreshMainMovie();
}

void ListCommands::SetLogViewerStepper(std::string_view args) {
    const std::optional<int> count = DecimalArgument(args);
    // The stepper value is stored in 16 bits.
    if (!count || *count <= 0 || *count > INT16_MAX)
        return;
    lists_.log.NoAlertView = static_cast<std::int16_t>(*count);
    view_.RefreshMainMovie();
}

} // namespace hookwise::core
