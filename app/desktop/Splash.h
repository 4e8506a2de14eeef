// CSplash: the splash player in the main window, which plays the splash movie once and hides
// itself when the movie has ended.
#pragma once

#include "app/desktop/ShockwaveFlash.h"

#include <QTimer>

namespace hookwise::app {

class CSplash : public CShockwaveFlash {
    Q_OBJECT
public:
    // The longest a splash stays up, even when its movie never says it has ended.
    static constexpr int kLongestSplashMs = 8000;

    explicit CSplash(QWidget* parent = nullptr);

    // Method 22: loads the splash movie (movie folder, "HkSplsh", ".pbs" when path is empty).
    bool LoadMovie(const QString& path = QString());
    // Method 19: starts the movie at a frame ("_root.dwFrame").
    void GotoFrame(long frame);
    // Method 15: whether the movie starts again when it ends ("_root.bLoop").
    void SetLoop(bool loop);

    // The three calls in their order: load, frame 0, no loop; then shows the player.
    bool PlaySplash(const QString& path = QString());

    // Shows the splash movie as the progress of work that takes a while ("_root.dwProgress",
    // 0 to 100, under the movie's loading text): the first call loads and shows it, later ones
    // move its bar. The movie does not end by itself meanwhile; EndProgress hides it.
    void ShowProgress(int percent, const QString& path = QString());
    void EndProgress();

signals:
    // The movie has ended ("IDC_FS_SplashEnd") or the longest splash time has passed.
    void Finished();

private slots:
    void OnSplashCommand(const QString& command, const QString& args);
    void End();

private:
    QTimer limit_;
    bool playing_ = false;
    bool progress_ = false;
};

} // namespace hookwise::app
