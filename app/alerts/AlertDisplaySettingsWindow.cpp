// AlertDisplaySettingsWindow: the current choice into the movie, the four choice commands back.
#include "app/alerts/AlertDisplaySettingsWindow.h"

namespace hookwise::app {

namespace {

// The alert display settings template: 167 × 136 dialog units.
constexpr int kTemplateWidth = 167;
constexpr int kTemplateHeight = 136;

} // namespace

AlertDisplaySettingsWindow::AlertDisplaySettingsWindow(QWidget* parent)
    : CMovieDialog(QStringLiteral("HkLogCstm"), QStringLiteral(".pbf"),
                   QSize(kTemplateWidth, kTemplateHeight), parent) {}

void AlertDisplaySettingsWindow::OnInitDialog() {
    Movie()->SetVariable(QStringLiteral("_root.displayTypeAlert"),
                         QString::number(DisplayMailAlerts));
    Movie()->SetVariable(QStringLiteral("_root.displayWebAlert"),
                         QString::number(DisplayWebAlerts));
}

void AlertDisplaySettingsWindow::OnCommand(const QString& command, const QString& /*args*/) {
    struct Choice {
        const char* command;
        int mail;
        int web;
    };
    static constexpr Choice kChoices[] = {
        {"IDC_FS_DisplayMailAlert", 1, 0},
        {"IDC_FS_DisplayWebAlert", 0, 1},
        {"IDC_FS_checkAllAlerts", 1, 1},
        {"IDC_FS_clearAllAlerts", 0, 0},
    };
    if (Is(command, "IDC_FS_OK")) {
        done(1);
        return;
    }
    if (Is(command, "IDC_FS_CANCEL")) {
        done(2);
        return;
    }
    for (const Choice& choice : kChoices) {
        if (Is(command, choice.command)) {
            DisplayMailAlerts = choice.mail;
            DisplayWebAlerts = choice.web;
            return;
        }
    }
}

} // namespace hookwise::app
