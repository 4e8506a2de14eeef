// What the main window's two command tables share: the table row, reading a command's argument,
// and the row-removal variables the movie's lists understand besides the feeders' protocol.
#pragma once

#include "core/lists/MovieListProtocol.h"

#include <QString>

#include <optional>

// One row of a command table: the command name (compared ignoring case) and its handler, a member
// of Owner that takes the argument text.
template <typename Owner> struct CommandEntry {
    const char* name;
    void (Owner::*handler)(const QString& args);
};

// Finds command in table (rows in order, the first match acts) and runs its handler on owner.
// Returns false, running nothing, when no row names the command.
template <typename Owner, std::size_t N>
bool RunCommandTable(Owner& owner, const CommandEntry<Owner> (&table)[N], const QString& command,
                     const QString& args) {
    for (const CommandEntry<Owner>& entry : table) {
        if (command.compare(QLatin1String(entry.name), Qt::CaseInsensitive) != 0)
            continue;
        (owner.*entry.handler)(args);
        return true;
    }
    return false;
}

// The decimal number an argument holds: optional blanks, an optional sign, digits, optional
// blanks, nothing else. "undefined", an empty text, any other text and a number beyond the 32-bit
// range give no value, so a malformed argument never acts on row 0 the way atoi would.
std::optional<int> DecimalArgument(const QString& args);

// The row index an argument names when it is valid for a list of count rows (0 .. count-1).
std::optional<int> RowIndexArgument(const QString& args, int count);

// A row left the mail list / site list: the movie drops that row, so its rows keep the list's
// indexes. "_root.MailScamRemovedItemIndex" / "_root.WebProtectionRemovedItemIndex" = index, then
// the list's operation variable = "Remove".
MovieVariables MailRemoveVariables(int index);
MovieVariables SiteRemoveVariables(int index);
// Every row left the list: the list's operation variable = "RemoveAll".
MovieVariables MailRemoveAllVariables();
MovieVariables SiteRemoveAllVariables();
MovieVariables LogRemoveAllVariables();
