// AboutWindow: the About box, the product movie and nothing read back.
#pragma once

#include "app/desktop/MovieDialog.h"

class AboutWindow : public CMovieDialog {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent = nullptr);

protected:
    // "IDC_FS_CLOSE" and "IDC_FS_OK" end the window with 0.
    void OnCommand(const QString& command, const QString& args) override;
};
