// MessageBoxWindow: the program's own message box, a small movie window that shows a caption, a
// text and the buttons its flags ask for, sizes itself as its movie asks and answers 1 or 2.
#pragma once

#include "app/desktop/MovieDialog.h"

#include <QString>

namespace hookwise::app {

// Flags the callers pass in "_root.dwFlags" (the Windows message box values): the low four bits
// choose the buttons, the next four the sign.
constexpr int MB_OK = 0x00;
constexpr int MB_OKCANCEL = 0x01;
constexpr int MB_YESNOCANCEL = 0x03; // the main window's confirmation questions: Yes gives 1
constexpr int MB_YESNO = 0x04;
constexpr int MB_ICONERROR = 0x10;
constexpr int MB_ICONQUESTION = 0x20;
constexpr int MB_ICONWARNING = 0x30;
constexpr int MB_ICONINFORMATION = 0x40;

class MessageBoxWindow : public CMovieDialog {
    Q_OBJECT
public:
    MessageBoxWindow(QString messageText, QString caption, int flags, QWidget* parent = nullptr);

    QString MessageText() const { return messageText_; }
    QString Caption() const { return caption_; }
    int Flags() const { return flags_; }
    // Shows another text and sign (flags) in the open box, resized as its movie asks: a box that
    // reports the progress of a long task and then its outcome.
    void SetMessage(const QString& messageText, int flags);
    // The size the movie asked for; the window's current size until it has asked.
    int RequestedWidth() const { return width_ < 0 ? width() : width_; }
    int RequestedHeight() const { return height_ < 0 ? height() : height_; }

protected:
    void OnInitDialog() override;
    // "IDC_FS_YES" / "IDC_FS_OK" end with 1, "IDC_FS_NO" / "IDC_FS_Cancel" with 2;
    // "IDC_FS_WIDTH" records the width, "IDC_FS_HIGH" the height and resizes window and movie.
    void OnCommand(const QString& command, const QString& args) override;

private:
    // The size asked for, unless the argument is "undefined"; a value that is not a positive
    // number keeps the previous size, and no size goes beyond the screen's work area.
    void TakeWidth(const QString& args);
    void TakeHeight(const QString& args);
    void ResizeToRequest();

    QString messageText_;
    QString caption_;
    int flags_ = MB_OK;
    int changes_ = 0; // "_root.bMessageChanged" changes with every new message
    int width_ = -1;
    int height_ = -1;
};

// Shows a message box modally and returns its result: 1 (OK or Yes) or 2 (Cancel or No).
int ShowMessageBox(const QString& text, const QString& caption, int flags,
                   QWidget* parent = nullptr);

} // namespace hookwise::app
