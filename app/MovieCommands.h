// What the main window's two command tables share: the table row and its dispatch. The tables
// translate the movie's commands into calls of the core's commands (core/commands), which read
// the arguments and decide.
#pragma once

#include <QString>

#include <cstddef>
#include <string>

namespace hookwise::app {

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

// The argument as the core's commands read it.
inline std::string ArgumentText(const QString& args) {
    return args.toStdString();
}

} // namespace hookwise::app
