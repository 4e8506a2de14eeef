// CShockwaveFlash: the movie player control every window is filled with, a QML movie in a
// QQuickWidget.
//
// A movie is a QML file (any extension) whose root object offers setVariable(name, value),
// getVariable(name) and gotoLabel(target, label) and emits fsCommand(command, args). All values
// cross as strings; variable names keep their "_root." form. The control sits inside a plain
// container item so that the scale modes can size or scale the movie without the widget resizing.
#pragma once

#include <QQuickWidget>
#include <QString>
#include <QVariant>

class QQmlComponent;
class QQuickItem;

namespace hookwise::app {

class CShockwaveFlash : public QQuickWidget {
    Q_OBJECT
public:
    explicit CShockwaveFlash(QWidget* parent = nullptr);
    ~CShockwaveFlash() override;

    // Movie property: loads the QML movie at path, whatever its extension, replacing any movie
    // shown before. Relative imports inside the movie resolve against the movie's folder. Returns
    // false and leaves the control empty (after a message on standard error that names the path and
    // the reason) when the file cannot be read, does not compile or its root is not a visual item.
    bool SetMovie(const QString& path);
    QString Movie() const { return moviePath_; }
    bool IsMovieLoaded() const { return movie_ != nullptr; }

    // Scale property: "NoScale" gives the movie the control's size unscaled; "ShowAll" (the
    // initial mode) scales it uniformly to fit, "NoBorder" uniformly to cover, "ExactFit" stretches
    // it. Names compare ignoring case; an unknown name means "ShowAll".
    void SetScale(const QString& scale);
    QString Scale() const { return scale_; }

    // AlignMode property: bit 1 left, 2 right, 4 top, 8 bottom; no bit on an axis centres the movie
    // on it. It places a movie that does not fill the control (the scaled modes).
    void SetAlignMode(long mode);
    long AlignMode() const { return alignMode_; }

    // BackgroundColor property: 0xRRGGBB, shown wherever the movie does not paint.
    void SetBackgroundColor(long color);

    // TGotoLabel method: asks the movie to jump to label on target ("_root" for the main page).
    // Does nothing when no movie is loaded.
    void TGotoLabel(const QString& target, const QString& label);

    // SetVariable method: sets one movie variable; does nothing when no movie is loaded.
    void SetVariable(const QString& name, const QString& value);

    // GetVariable method: the movie's value of one variable as text, "" when no movie is loaded
    // or the movie offers no getVariable.
    QString GetVariable(const QString& name);

    // The movie's own root object (null when none is loaded), for the windows' tests.
    QQuickItem* MovieRoot() const { return movie_; }

signals:
    // FSCommand event: a command sent by the movie, with its argument text.
    void FSCommand(const QString& command, const QString& args);

protected:
    void resizeEvent(QResizeEvent* event) override;

private slots:
    void OnMovieCommand(const QString& command, const QString& args);
    void OnMovieCommandVariant(const QVariant& command, const QVariant& args);
    void PlaceMovie();

private:
    void UnloadMovie();
    void FailMovie(const QString& path, const QString& reason);
    bool ConnectCommandSignal();
    // Calls a function of the movie root by name with string arguments; false when there is none.
    bool CallMovie(const char* function, const QStringList& args, QString* result);

    QString moviePath_;
    QString scale_ = QStringLiteral("ShowAll");
    long alignMode_ = 0;
    QSizeF naturalSize_;
    QQuickItem* container_ = nullptr;
    QQuickItem* movie_ = nullptr;
    QQmlComponent* component_ = nullptr;
};

} // namespace hookwise::app
