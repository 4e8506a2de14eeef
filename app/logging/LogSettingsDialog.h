// LogSettingsDialog: the log file, periodic archiving on or off and the archive period in days;
// the caller copies the three fields into the alert log store after OK.
#pragma once

#include "app/desktop/MovieDialog.h"

#include <QString>

#include <cstdint>

namespace hookwise::app {

class LogSettingsDialog : public CMovieDialog {
    Q_OBJECT
public:
    explicit LogSettingsDialog(QWidget* parent = nullptr);

    QString SelectedFile;         // the log file path
    int ArchiveOn = 1;            // 32-bit boolean
    std::uint8_t DayInterval = 1; // archive period in days

    // Show (from CMovieDialog): 1 (OK) or 2 (Cancel).

    // The save-file dialog of "IDC_FS_Browse": default extension "log", file name
    // "NewHookWsLOG.log", filter "Log file(*.log)", overwrite prompt.
    static constexpr const char* kDefaultFileName = "NewHookWsLOG.log";

protected:
    // "_root.bArchiveLog", "_root.dayIntervalValue", "_root.strSelectedFileLocation".
    void OnInitDialog() override;
    void OnCommand(const QString& command, const QString& args) override;
    // Reads the three variables back and ends with 1.
    void OnOK() override;

private:
    void Browse();
};

} // namespace hookwise::app
