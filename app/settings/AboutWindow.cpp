// AboutWindow: the About movie ("AB", ".phs") and its two closing commands.
#include "app/settings/AboutWindow.h"

namespace {

// The About template (dialog 100): 167 × 93 dialog units.
constexpr int kTemplateWidth = 167;
constexpr int kTemplateHeight = 93;

} // namespace

AboutWindow::AboutWindow(QWidget* parent)
    : CMovieDialog(QStringLiteral("AB"), QStringLiteral(".phs"),
                   QSize(kTemplateWidth, kTemplateHeight), parent) {}

void AboutWindow::OnCommand(const QString& command, const QString& /*args*/) {
    if (Is(command, "IDC_FS_CLOSE") || Is(command, "IDC_FS_OK"))
        done(0);
}
