// AboutWindow: the About box, the product movie with the program's and the engine's versions,
// and nothing read back.
#pragma once

#include "app/desktop/MovieDialog.h"

namespace hookwise::app {

class AboutWindow : public CMovieDialog {
    Q_OBJECT
public:
    // programVersion and engineVersion: the "FileVersion" texts of the program and of the engine
    // library, shown as "_root.strApplicationVersion" and "_root.strBaitgardSecurityEngineVersion".
    explicit AboutWindow(QString programVersion = {}, QString engineVersion = {},
                         QWidget* parent = nullptr);

protected:
    void OnInitDialog() override;
    // "IDC_FS_CLOSE" and "IDC_FS_OK" end the window with 0.
    void OnCommand(const QString& command, const QString& args) override;

private:
    QString programVersion_;
    QString engineVersion_;
};

} // namespace hookwise::app
