// The main movie's list protocol and overview panel as variable tables: the variables one list
// item, one update or one overview refresh sets, in the order they are set. Qt-free, so the
// tables can be checked without a movie; the main window hands them to its movie.
#pragma once

#include <string>
#include <vector>

namespace hookwise::core {

struct MailSafeItem;
struct WebSiteBlockingItem;
struct AlertLogEntry;
class MailSafeList;
class WebSiteBlockingList;
class AlertLogStore;
class GeneralSettings;

struct MovieVariable {
    std::string name;
    std::string value;
    bool operator==(const MovieVariable&) const = default;
};
using MovieVariables = std::vector<MovieVariable>;

// A movie's boolean value: "true" or "false".
std::string MovieBoolText(bool value);

// Operation flag values of the handshake.
inline constexpr const char* kNoOperation = "NoOperation";
inline constexpr const char* kAddOperation = "Add";

// One item for the movie's list: its fields, then the list's operation variable = "Add".
MovieVariables MailItemVariables(const MailSafeItem& item);
MovieVariables SiteItemVariables(const WebSiteBlockingItem& item);
MovieVariables LogEntryVariables(const AlertLogEntry& entry);

// An item already in the movie changed: its new value (empty when index is not below the list's
// count), the index in decimal, and for the two lists the operation variable = "Update".
MovieVariables MailUpdateVariables(const MailSafeList& list, int index);
MovieVariables SiteUpdateVariables(const WebSiteBlockingList& list, int index);
MovieVariables LogUpdateVariables(const AlertLogStore& log, int index);

// The log dropped its oldest entry to make room: the movie drops its first row, so its rows keep
// the log's indexes.
MovieVariables LogDropOldestVariables();

// RefreshMainMovie: counters, switches, versions, login state, language and log viewer settings,
// in order. NoOfBlockedInstructionsHaveHighRating is recounted from the log first (settings is
// updated).
MovieVariables OverviewVariables(GeneralSettings& settings, const AlertLogStore& log,
                                 const MailSafeList& mail, const WebSiteBlockingList& web);

} // namespace hookwise::core
