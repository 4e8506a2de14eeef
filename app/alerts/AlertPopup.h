// AlertPopup: the topmost window in the bottom-right corner that asks whether to allow or block
// one detected phishing mail or web target, and whether to remember the answer.
#pragma once

#include "app/desktop/MovieDialog.h"

#include <QString>

namespace hookwise::core {
struct AlertRequest;
}

namespace hookwise::app {

class AlertPopup : public CMovieDialog {
    Q_OBJECT
public:
    enum { MailAlert = 0, WebAlert = 1 };
    // How much each "IDC_FS_MoreInfo" makes the window taller, in pixels.
    static constexpr int kMoreInfoGrowth = 162;

    explicit AlertPopup(QWidget* parent = nullptr);

    // Filled by the caller before Show; all but AlertKind are texts for the movie.
    int AlertKind = MailAlert; // MailAlert, WebAlert; any other value fills no detection texts
    QString StrictedData;      // the matched data: sender, subject, text, link, host or URL
    QString Type;              // "From", "Link", "Subject", "Message" (mail); "IP", "URL" (web)
    QString Application;
    QString DateTime;
    QString Attachment;
    QString Protocol;
    QString From;
    QString To;
    QString Subject;
    QString IPAddress;
    QString ScamSite;
    QString ToolTip;
    // Every field above from the detection handlers' request.
    void Fill(const core::AlertRequest& request);

    // After Show: true only when the movie's remember box was ticked at the answer.
    bool remember = false;

    // Show (from CMovieDialog): 1 when the user allowed the traffic, 2 when the user blocked it
    // or closed the window.

protected:
    // Remember box cleared, tool tip, placement, the detection texts of the kind.
    void OnInitDialog() override;
    // "IDC_FS_MoreInfo" grows the window; "IDC_FS_ALLOW" and "IDC_FS_BLOCK" answer.
    void OnCommand(const QString& command, const QString& args) override;
    void OnOK() override { Answer(1); }
    void OnCancel() override { Answer(2); }

private:
    // The bottom-right corner of the screen's work area, keeping the size.
    void PlaceInCorner();
    void MoreInfo();
    // Passes the login gate, reads the remember box and ends with result; a refused login
    // leaves the window open and remember unchanged.
    void Answer(int result);
    void SetMailVariables();
    void SetWebVariables();
};

} // namespace hookwise::app
