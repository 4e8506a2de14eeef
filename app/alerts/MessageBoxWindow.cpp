// MessageBoxWindow: the message box's start-up variables, its answers and its resize on request.
#include "app/alerts/MessageBoxWindow.h"

#include "app/desktop/MovieValues.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace hookwise::app {

namespace {

// The message box template: 164 × 76 dialog units.
constexpr int kTemplateWidth = 164;
constexpr int kTemplateHeight = 76;

} // namespace

MessageBoxWindow::MessageBoxWindow(QString messageText, QString caption, int flags, QWidget* parent)
    : CMovieDialog(QStringLiteral("HkMsgBx"), QStringLiteral(".pbf"),
                   QSize(kTemplateWidth, kTemplateHeight), parent),
      messageText_(std::move(messageText)), caption_(std::move(caption)), flags_(flags) {
    setWindowTitle(caption_);
}

void MessageBoxWindow::OnInitDialog() {
    CShockwaveFlash* movie = Movie();
    movie->SetVariable(QStringLiteral("_root.strMessageText"), messageText_);
    movie->SetVariable(QStringLiteral("_root.strCaption"), caption_);
    movie->SetVariable(QStringLiteral("_root.dwFlags"), QString::number(flags_));
    movie->SetVariable(QStringLiteral("_root.bMessageChanged"), QString());
}

void MessageBoxWindow::SetMessage(const QString& messageText, int flags) {
    messageText_ = messageText;
    flags_ = flags;
    CShockwaveFlash* movie = Movie();
    movie->SetVariable(QStringLiteral("_root.strMessageText"), messageText_);
    movie->SetVariable(QStringLiteral("_root.dwFlags"), QString::number(flags_));
    movie->SetVariable(QStringLiteral("_root.bMessageChanged"), QString::number(++changes_));
}

void MessageBoxWindow::OnCommand(const QString& command, const QString& args) {
    if (Is(command, "IDC_FS_YES") || Is(command, "IDC_FS_OK")) {
        done(1);
        return;
    }
    if (Is(command, "IDC_FS_NO") || Is(command, "IDC_FS_Cancel")) {
        done(2);
        return;
    }
    if (Is(command, "IDC_FS_WIDTH")) {
        TakeWidth(args);
        return;
    }
    if (Is(command, "IDC_FS_HIGH")) {
        TakeHeight(args);
        ResizeToRequest();
    }
}

namespace {

// The largest size a message box may take: the work area of the screen it is on.
QSize LargestSize(const QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return {4096, 4096};
    return screen->availableGeometry().size();
}

} // namespace

void MessageBoxWindow::TakeWidth(const QString& args) {
    if (IsUndefined(args))
        return;
    const int value = MovieNumber(args);
    if (value <= 0)
        return;
    width_ = std::min(value, LargestSize(this).width());
}

void MessageBoxWindow::TakeHeight(const QString& args) {
    if (IsUndefined(args))
        return;
    const int value = MovieNumber(args);
    if (value <= 0)
        return;
    height_ = std::min(value, LargestSize(this).height());
}

void MessageBoxWindow::ResizeToRequest() {
    // The top-left corner stays; window and movie take the requested size.
    const QSize size(RequestedWidth(), RequestedHeight());
    resize(size);
    Movie()->setGeometry(0, 0, size.width(), size.height());
}

int ShowMessageBox(const QString& text, const QString& caption, int flags, QWidget* parent) {
    MessageBoxWindow box(text, caption, flags, parent);
    return box.Show();
}

} // namespace hookwise::app
