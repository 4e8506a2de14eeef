// CommandView: what the tray's commands ask of the main window, so that every command's decision
// is made here without a window: the administrator's gate, the overview refresh and the two ways
// of handing variables to the main movie. The main window implements it; tests record it.
#pragma once

#include "core/lists/MovieListProtocol.h"

namespace hookwise::core {

class CommandView {
public:
    virtual ~CommandView() = default;
    // The administrator's gate: true when a command that changes protection may act (no
    // password stored, logged in, or the password was just given).
    virtual bool AdministratorAllows() = 0;
    // Sets the overview's counters and switches in the movie again.
    virtual void RefreshMainMovie() = 0;
    // Hands variables to the movie behind whatever the list feeders handed it before, so the
    // movie's rows keep the lists' indexes.
    virtual void PostToMovie(MovieVariables variables) = 0;
    // Sets variables in the movie now, in order.
    virtual void SetMovieVariables(const MovieVariables& variables) = 0;
};

} // namespace hookwise::core
