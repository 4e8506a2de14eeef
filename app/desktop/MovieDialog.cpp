// CMovieDialog: movie start-up, the drag command, the input filter and the hidden OK and Cancel.
#include "app/desktop/MovieDialog.h"

#include "app/desktop/MovieFiles.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QWindow>

namespace hookwise::app {

namespace {

// The common movie set-up every window applies right after loading its movie.
constexpr const char* kMovieScale = "NoScale";
constexpr long kMovieAlignMode = 5;
constexpr long kMovieBackgroundColor = 51;

} // namespace

QSize DialogUnitsToPixels(int width, int height) {
    // MulDiv rounding, as the dialog manager converts template units.
    return {(width * 6 + 2) / 4, (height * 13 + 4) / 8};
}

CMovieDialog::CMovieDialog(QString baseName, QString extension, QSize dialogUnits, QWidget* parent)
    : QDialog(parent), baseName_(std::move(baseName)), extension_(std::move(extension)) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    resize(DialogUnitsToPixels(dialogUnits.width(), dialogUnits.height()));

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setDefault(true);
    okButton_->hide();
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->hide();
    connect(okButton_, &QPushButton::clicked, this, &CMovieDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &CMovieDialog::reject);

    movie_ = new CShockwaveFlash(this);
    movie_->setGeometry(0, 0, width(), height());
    movie_->installEventFilter(this);
    connect(movie_, &CShockwaveFlash::FSCommand, this, &CMovieDialog::OnFSCommand);
}

CMovieDialog::~CMovieDialog() = default;

void CMovieDialog::Prepare() {
    if (prepared_)
        return;
    prepared_ = true;
    moviePath_ = MoviePath(baseName_, extension_);
    movie_->SetMovie(moviePath_);
    movie_->SetScale(QLatin1String(kMovieScale));
    movie_->SetAlignMode(kMovieAlignMode);
    movie_->SetBackgroundColor(kMovieBackgroundColor);
    OnInitDialog();
    movie_->SetVariable(QStringLiteral("_root.strCurrentLanguage"), CurrentLanguageName());
    movie_->SetVariable(QStringLiteral("_root.bLanguageChanged"), QStringLiteral("true"));
}

int CMovieDialog::Show() {
    Prepare();
    return exec();
}

void CMovieDialog::DispatchCommand(const QString& command, const QString& args) {
    OnFSCommand(command, args);
}

void CMovieDialog::OnFSCommand(const QString& command, const QString& args) {
    if (Is(command, "IDC_FS_DRAG")) {
        DragWindow();
        return;
    }
    OnCommand(command, args);
}

void CMovieDialog::DragWindow() {
    // The window manager moves the window while the button is held, as a caption drag does.
    if (QWindow* window = windowHandle(); window && window->startSystemMove())
        return;
    // Without one, the window follows the mouse until the button is released.
    dragging_ = true;
    dragOffset_ = QCursor::pos() - pos();
}

void CMovieDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    movie_->setGeometry(0, 0, width(), height());
}

void CMovieDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    movie_->setFocus(Qt::ActiveWindowFocusReason);
}

bool CMovieDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == movie_ && FilterInput(watched, event))
        return true;
    return QDialog::eventFilter(watched, event);
}

bool CMovieDialog::FilterInput(QObject* /*watched*/, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // The player's own context menu never opens.
        return static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
    case QEvent::ContextMenu:
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // The Applications key and F1 reach neither the movie nor the window.
        const int key = static_cast<QKeyEvent*>(event)->key();
        return key == Qt::Key_Menu || key == Qt::Key_F1;
    }
    case QEvent::MouseMove:
        if (dragging_)
            move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragOffset_);
        return false;
    case QEvent::MouseButtonRelease:
        dragging_ = false;
        return false;
    default:
        return false;
    }
}

} // namespace hookwise::app
