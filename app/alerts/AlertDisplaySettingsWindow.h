// AlertDisplaySettingsWindow: chooses which kinds of alert popups are shown, mail, web, both or
// none; the caller applies the two fields after OK.
#pragma once

#include "app/desktop/MovieDialog.h"

namespace hookwise::app {

class AlertDisplaySettingsWindow : public CMovieDialog {
    Q_OBJECT
public:
    explicit AlertDisplaySettingsWindow(QWidget* parent = nullptr);

    // 1: show alert popups for mail (web) detections; 0: block those without a popup.
    int DisplayMailAlerts = 1;
    int DisplayWebAlerts = 1;

    // Show (from CMovieDialog): 1 (OK) or 2 (Cancel). Nothing is applied here.

protected:
    // "_root.displayTypeAlert" = the mail field, then "_root.displayWebAlert" = the web field so
    // the movie can show the whole current choice.
    void OnInitDialog() override;
    // "IDC_FS_OK" 1, "IDC_FS_CANCEL" 2; the four choices set the two fields.
    void OnCommand(const QString& command, const QString& args) override;
};

} // namespace hookwise::app
