// CMovieDialog: the borderless dialog filled by one movie that every window of the program is.
//
// It loads the window's movie with the common set-up (Scale "NoScale", AlignMode 5, BackgroundColor
// 51), lets the window set its own variables, then sets the language variables; it answers
// "IDC_FS_DRAG" by moving itself, filters the input the movie must not see (right button, the
// Applications key, F1) and keeps two hidden buttons, OK (default) and Cancel, whose actions, like
// Escape and a close request, reach the window's OnOK / OnCancel.
#pragma once

#include "app/desktop/ShockwaveFlash.h"

#include <QDialog>
#include <QPoint>
#include <QSize>
#include <QString>

class QPushButton;

namespace hookwise::app {

// Dialog template units to pixels, with the base units of the dialogs' 8-point font (6 × 13).
QSize DialogUnitsToPixels(int width, int height);

class CMovieDialog : public QDialog {
    Q_OBJECT
public:
    // baseName and extension name the movie ("HkMsgBx", ".pbf"); size is the template size in
    // dialog units.
    CMovieDialog(QString baseName, QString extension, QSize dialogUnits, QWidget* parent = nullptr);
    ~CMovieDialog() override;

    // Runs the window's start-up (once) and then its modal loop; returns the result the window
    // ended with. Reports and other events keep being delivered inside the loop.
    int Show();

    // The window's start-up without the modal loop: load the movie, the window's own variables,
    // the language variables. Runs once; Show calls it. Screenshots and tests call it directly.
    void Prepare();

    CShockwaveFlash* Movie() const { return movie_; }
    QString MoviePathName() const { return moviePath_; }

    // Sends a command to the window exactly as its movie would (tests and tools).
    void DispatchCommand(const QString& command, const QString& args);

    // The window's own OK and Cancel actions (the hidden buttons, Enter on them, Escape, close).
    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

protected:
    // The window's own variables, set after the movie is loaded and before the language ones.
    virtual void OnInitDialog() {}
    // A movie command other than "IDC_FS_DRAG"; commands a window does not know are ignored.
    virtual void OnCommand(const QString& command, const QString& args) = 0;
    virtual void OnOK() { done(1); }
    virtual void OnCancel() { done(2); }

    // Moves the window with the mouse, as dragging its caption would.
    void DragWindow();

    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

    // Case-insensitive command comparison, as every window does it.
    static bool Is(const QString& command, const char* name) {
        return command.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    }

private slots:
    void OnFSCommand(const QString& command, const QString& args);

private:
    bool FilterInput(QObject* watched, QEvent* event);

    QString baseName_;
    QString extension_;
    QString moviePath_;
    CShockwaveFlash* movie_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    bool prepared_ = false;
    bool dragging_ = false;
    QPoint dragOffset_;
};

} // namespace hookwise::app
