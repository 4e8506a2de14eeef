// CSplash: the splash movie's three start calls and its end.
#include "app/desktop/Splash.h"

#include "app/desktop/MovieFiles.h"

#include <algorithm>

namespace hookwise::app {

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

void CSplash::ShowProgress(int percent, const QString& path) {
    if (!progress_) {
        progress_ = true;
        LoadMovie(path);
        show();
        raise();
    }
    SetVariable(QStringLiteral("_root.dwProgress"), QString::number(std::clamp(percent, 0, 100)));
}

void CSplash::EndProgress() {
    if (!progress_)
        return;
    progress_ = false;
    hide();
}

void CSplash::OnSplashCommand(const QString& command, const QString& /*args*/) {
    if (progress_)
        return; // the movie's end means nothing while it shows progress
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

} // namespace hookwise::app
