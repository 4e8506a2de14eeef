// AboutWindow: the About movie ("AB", ".phs") and its two closing commands.
#include "app/settings/AboutWindow.h"

namespace hookwise::app {

namespace {

// The About template (dialog 100): 167 × 93 dialog units.
constexpr int kTemplateWidth = 167;
constexpr int kTemplateHeight = 93;

} // namespace

AboutWindow::AboutWindow(QString programVersion, QString engineVersion, QWidget* parent)
    : CMovieDialog(QStringLiteral("AB"), QStringLiteral(".phs"),
                   QSize(kTemplateWidth, kTemplateHeight), parent),
      programVersion_(std::move(programVersion)), engineVersion_(std::move(engineVersion)) {}

void AboutWindow::OnInitDialog() {
    // The box shows both versions, so a user can tell which program and engine run.
    Movie()->SetVariable(QStringLiteral("_root.strApplicationVersion"), programVersion_);
    Movie()->SetVariable(QStringLiteral("_root.strBaitgardSecurityEngineVersion"), engineVersion_);
}

void AboutWindow::OnCommand(const QString& command, const QString& /*args*/) {
    if (Is(command, "IDC_FS_CLOSE") || Is(command, "IDC_FS_OK"))
        done(0);
}

} // namespace hookwise::app
