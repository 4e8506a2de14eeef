// CSplash: the splash movie's three start calls and its end.
#include "app/desktop/Splash.h"

#include "app/desktop/MovieFiles.h"

CSplash::CSplash(QWidget* parent) : CShockwaveFlash(parent) {
    limit_.setSingleShot(true);
    limit_.setInterval(kLongestSplashMs);
    connect(&limit_, &QTimer::timeout, this, &CSplash::End);
    connect(this, &CShockwaveFlash::FSCommand, this, &CSplash::OnSplashCommand);
}

bool CSplash::LoadMovie(const QString& path) {
    const QString file =
        path.isEmpty() ? MoviePath(QStringLiteral("HkSplsh"), QStringLiteral(".pbs")) : path;
    const bool loaded = SetMovie(file);
    SetScale(QStringLiteral("NoScale"));
    SetBackgroundColor(51);
    return loaded;
}

void CSplash::GotoFrame(long frame) {
    SetVariable(QStringLiteral("_root.dwFrame"), QString::number(frame));
}

void CSplash::SetLoop(bool loop) {
    SetVariable(QStringLiteral("_root.bLoop"),
                loop ? QStringLiteral("true") : QStringLiteral("false"));
}

bool CSplash::PlaySplash(const QString& path) {
    const bool loaded = LoadMovie(path);
    GotoFrame(0);
    SetLoop(false);
    playing_ = true;
    show();
    raise();
    // A movie that failed to load has nothing to show.
    limit_.start(loaded ? kLongestSplashMs : 0);
    return loaded;
}

void CSplash::OnSplashCommand(const QString& command, const QString& /*args*/) {
    if (command.compare(QLatin1String("IDC_FS_SplashEnd"), Qt::CaseInsensitive) == 0)
        End();
}

void CSplash::End() {
    if (!playing_)
        return;
    playing_ = false;
    limit_.stop();
    hide();
    emit Finished();
}
