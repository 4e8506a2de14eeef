// AlertPopup: the alert's start-up variables, its corner placement, growth and the two answers.
#include "app/alerts/AlertPopup.h"

#include "app/desktop/QtText.h"
#include "app/settings/RequireAdministrator.h"
#include "core/DetectionHandlers.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace hookwise::app {

using namespace hookwise::core;

namespace {

// The alert template: 200 × 130 dialog units.
constexpr int kTemplateWidth = 200;
constexpr int kTemplateHeight = 130;

QRect WorkArea(const QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

} // namespace

AlertPopup::AlertPopup(QWidget* parent)
    : CMovieDialog(QStringLiteral("HkAlerts"), QStringLiteral(".pbf"),
                   QSize(kTemplateWidth, kTemplateHeight), parent) {
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
}

void AlertPopup::Fill(const AlertRequest& request) {
    AlertKind = request.AlertKind;
    StrictedData = Q(request.StrictedData);
    Type = Q(request.Type);
    Application = Q(request.Application);
    DateTime = Q(request.DateTime);
    Attachment = Q(request.Attachment);
    Protocol = Q(request.Protocol);
    From = Q(request.From);
    To = Q(request.To);
    Subject = Q(request.Subject);
    IPAddress = Q(request.IPAddress);
    ScamSite = Q(request.ScamSite);
    ToolTip = Q(request.ToolTip);
}

void AlertPopup::OnInitDialog() {
    CShockwaveFlash* movie = Movie();
    movie->SetVariable(QStringLiteral("_root.bRememberAnswer"), QString());
    movie->SetVariable(QStringLiteral("_root.strToolTip"), ToolTip);
    PlaceInCorner();
    if (AlertKind == MailAlert)
        SetMailVariables();
    else if (AlertKind == WebAlert)
        SetWebVariables();
}

void AlertPopup::SetMailVariables() {
    // Only the exact word "From" names the sender; other Type words read as they are.
    const bool source = Type == QLatin1String("From");
    const QString spamType = source
                                 ? QStringLiteral("Phishing e-mail Source Address :")
                                 : QStringLiteral("Phishing e-mail ") + Type + QStringLiteral(" :");
    const QString rememberText = source
                                     ? QStringLiteral("an email from this Phishing Source Address")
                                     : QStringLiteral("this Phishing e-mail ") + Type;
    CShockwaveFlash* movie = Movie();
    movie->SetVariable(QStringLiteral("_root.strPopupName"), QStringLiteral("SpamMail"));
    movie->SetVariable(QStringLiteral("_root.strSpamType"), spamType);
    movie->SetVariable(QStringLiteral("_root.strStrictedData"), StrictedData);
    movie->SetVariable(QStringLiteral("_root.strFrom"), From);
    movie->SetVariable(QStringLiteral("_root.strTo"), To);
    movie->SetVariable(QStringLiteral("_root.strSubject"), Subject);
    movie->SetVariable(QStringLiteral("_root.strApplication"), Application);
    movie->SetVariable(QStringLiteral("_root.strDateTime"), DateTime);
    movie->SetVariable(QStringLiteral("_root.strProtocol"), Protocol);
    movie->SetVariable(QStringLiteral("_root.strAttachment"), Attachment);
    movie->SetVariable(QStringLiteral("_root.strRememberAnswer"), rememberText);
}

void AlertPopup::SetWebVariables() {
    CShockwaveFlash* movie = Movie();
    movie->SetVariable(QStringLiteral("_root.strPopupName"), QStringLiteral("SpamWebsite"));
    movie->SetVariable(QStringLiteral("_root.strScamSite"), ScamSite);
    movie->SetVariable(QStringLiteral("_root.strSpamType"), QStringLiteral("Phishing Website"));
    movie->SetVariable(QStringLiteral("_root.strStrictedData"), StrictedData);
    movie->SetVariable(QStringLiteral("_root.strIPAddress"), IPAddress);
    movie->SetVariable(QStringLiteral("_root.strApplication"), Application);
    movie->SetVariable(QStringLiteral("_root.strDateTime"), DateTime);
    movie->SetVariable(QStringLiteral("_root.strProtocol"), Protocol);
}

void AlertPopup::PlaceInCorner() {
    const QRect area = WorkArea(this);
    move(area.x() + area.width() - width(), area.y() + area.height() - height());
}

void AlertPopup::OnCommand(const QString& command, const QString& /*args*/) {
    if (Is(command, "IDC_FS_MoreInfo")) {
        MoreInfo();
        return;
    }
    if (Is(command, "IDC_FS_ALLOW")) {
        Answer(1);
        return;
    }
    if (Is(command, "IDC_FS_BLOCK"))
        Answer(2);
}

void AlertPopup::MoreInfo() {
    // Taller by the growth step, never taller than the work area, so the answer buttons stay on
    // the screen; then back into the corner, so the window grows upward.
    const int height = std::min(this->height() + kMoreInfoGrowth, WorkArea(this).height());
    resize(width(), height);
    Movie()->setGeometry(0, 0, width(), height);
    PlaceInCorner();
}

void AlertPopup::Answer(int result) {
    if (!RequireAdministrator(this))
        return;
    remember = Movie()
                   ->GetVariable(QStringLiteral("_root.bRememberAnswer"))
                   .compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    done(result);
}

} // namespace hookwise::app
