// CommandWindow: what the main movie's command tables ask of the main window: the core's
// CommandView (the administrator's gate, the overview, the movie's variables) and the few things
// only a window does. The main window implements it; the tables know no more of the window.
#pragma once

#include "core/commands/CommandView.h"

class QWidget;

namespace hookwise::app {

class CommandWindow : public core::CommandView {
public:
    // The parent of the windows and questions a command opens.
    virtual QWidget* Widget() = 0;
    // "IDC_FS_DRAG": the window follows the mouse.
    virtual void StartDrag() = 0;
    // "IDC_FS_Help": the help page, as the tray menu's Help opens it.
    virtual void ShowHelp() = 0;
    // "IDC_FS_CLOSE": as the window's own close, hidden to the tray.
    virtual void CloseToTray() = 0;
    // "IDC_FS_MINIMIZE": minimised, and the tray menu's Restore no longer the default.
    virtual void MinimizeWindow() = 0;
    // The current language changed: the blocked-request page, the title, the tray's menu and
    // tooltip and the overview follow it.
    virtual void LanguageChanged() = 0;
    // "Check for updates": the update program beside the window, shown.
    virtual void RunLiveUpdate() = 0;
    // Writes "App Path" and "DefnsVersion" again (a backup's save dropped them).
    virtual void WriteProgramValues() = 0;
    // While held, decisions are not saved until the end (a restore is writing the registry).
    virtual void HoldRunningSaves(bool held) = 0;
    // Ends the program; with save, the settings are saved first.
    virtual void EndProgram(bool save) = 0;
};

} // namespace hookwise::app
