// ProtectionOptionsWindow: page and option into the movie, the chosen option back on OK.
#include "app/lists/ProtectionOptionsWindow.h"

#include "app/desktop/MovieValues.h"

namespace hookwise::app {

namespace {

// The protection options template: 167 × 155 dialog units.
constexpr int kTemplateWidth = 167;
constexpr int kTemplateHeight = 155;

} // namespace

ProtectionOptionsWindow::ProtectionOptionsWindow(QWidget* parent)
    : CMovieDialog(QStringLiteral("HkAdvSet"), QStringLiteral(".pbf"),
                   QSize(kTemplateWidth, kTemplateHeight), parent) {}

const char* ProtectionOptionsWindow::OptionVariable() const {
    if (List == MailList)
        return "_root.selectedMailOption";
    if (List == SiteList)
        return "_root.selectedWebOption";
    return nullptr;
}

void ProtectionOptionsWindow::OnInitDialog() {
    const char* variable = OptionVariable();
    if (!variable)
        return;
    const char* label = List == MailList ? "mailProtection" : "siteBlocking";
    Movie()->TGotoLabel(QStringLiteral("_root"), QLatin1String(label));
    Movie()->SetVariable(QLatin1String(variable), QString::number(Option));
}

void ProtectionOptionsWindow::OnCommand(const QString& command, const QString& /*args*/) {
    if (Is(command, "IDC_FS_OK")) {
        OnOK();
        return;
    }
    if (Is(command, "IDC_FS_Cancel"))
        done(2);
}

void ProtectionOptionsWindow::OnOK() {
    if (const char* variable = OptionVariable()) {
        const int chosen = MovieNumber(Movie()->GetVariable(QLatin1String(variable)));
        // Only the three permission modes reach the list; anything else keeps the current one.
        if (chosen >= 0 && chosen <= 2)
            Option = chosen;
    }
    done(1);
}

} // namespace hookwise::app
