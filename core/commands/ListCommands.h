// ListCommands: the main movie's commands on the protection switches, the mail and site lists'
// rows and the alert log, decided without a window.
//
// Arguments are the movie's texts: "undefined" means no argument, a row index is valid from 0 to
// the list's count - 1; any other index, or no argument where one is needed, is ignored. Rows
// change in the lists first; the movie hears of it afterwards (an update, a removal) through
// CommandView::PostToMovie, behind the feeders' items, so the movie's rows keep the lists'
// indexes. Gated commands act only when CommandView::AdministratorAllows passes.
#pragma once

#include "core/commands/CommandView.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace hookwise::core {

class AlertLogStore;
class ListFeeder;
class MailSafeList;
class WebSiteBlockingList;
struct MailSafeItem;
struct WebSiteBlockingItem;

// The lists the commands change and the feeders that bring them to the movie; all owned by the
// application object and the main window, which outlive the commands.
struct CommandLists {
    AlertLogStore& log;
    MailSafeList& mail;
    WebSiteBlockingList& web;
    ListFeeder& logFeeder;
    ListFeeder& mailFeeder;
    ListFeeder& siteFeeder;
};

class ListCommands {
public:
    ListCommands(CommandLists lists, CommandView& view) : lists_(lists), view_(view) {}

    // The protection switches (1 on, 0 off), gated. The overview is refreshed also when the gate
    // refuses: the movie's switch may have moved on its own and is set back to the state in force.
    void SetMailProtection(std::int32_t state);
    void SetSiteProtection(std::int32_t state);

    // The movie took the feeder's last item: the feeder may hand over the next one.
    void MailListNoOperation();
    void SiteListNoOperation();
    void LogListNoOperation();

    // The entry details of the row args names are set in the movie at once; "undefined" empties
    // them.
    void ShowMailEntryDetails(std::string_view args);
    void ShowSiteEntryDetails(std::string_view args);

    // The remembered answer (kActionAllow, kActionBlock, kActionAsk) of the row args names. The
    // site list's change is gated; the row is looked up again after the gate, since the login
    // window runs its own loop, in which a detection may have changed the list.
    void SetMailAction(std::string_view args, std::int32_t action);
    void SetSiteAction(std::string_view args, std::int32_t action);

    // Removes the row args names / every row.
    void RemoveMailItem(std::string_view args);
    void RemoveSiteItem(std::string_view args);
    void RemoveAllMailItems();
    void RemoveAllSiteItems();

    // Empties the alert log (and the overview's high-rated counter, counted from it).
    void ClearLog();
    // The log viewer's stepper: a count from 1 to 32767 is stored; 0, no value and any other
    // value leave it as it is.
    void SetLogViewerStepper(std::string_view args);

private:
    CommandLists lists_;
    CommandView& view_;
};

// The entry-detail variables of a site item / mail item in the order they are set; with no item
// (the argument "undefined") every value is empty. Two mail names are set without "_root.".
MovieVariables SiteEntryDetailVariables(const WebSiteBlockingItem* item);
MovieVariables MailEntryDetailVariables(const MailSafeItem* item);

// A row left the mail list / site list: the movie drops that row, so its rows keep the list's
// indexes. "_root.MailScamRemovedItemIndex" / "_root.WebProtectionRemovedItemIndex" = index, then
// the list's operation variable = "Remove".
MovieVariables MailRemoveVariables(int index);
MovieVariables SiteRemoveVariables(int index);
// Every row left the list: the list's operation variable = "RemoveAll".
MovieVariables MailRemoveAllVariables();
MovieVariables SiteRemoveAllVariables();
MovieVariables LogRemoveAllVariables();

} // namespace hookwise::core
