// ProtectionOptionsWindow: edits the permission mode of the mail list or of the site list
// (0 allow all, 1 block all, 2 decide per item) on the movie page of that list.
#pragma once

#include "app/desktop/MovieDialog.h"

namespace hookwise::app {

class ProtectionOptionsWindow : public CMovieDialog {
    Q_OBJECT
public:
    enum { MailList = 0, SiteList = 1 };

    explicit ProtectionOptionsWindow(QWidget* parent = nullptr);

    int List = MailList; // MailList or SiteList; any other value shows no page
    int Option = 2;      // the permission edited; after OK the one chosen

    // Show (from CMovieDialog): 1 (OK) with Option chosen, or 2 (Cancel).

protected:
    // The list's page ("mailProtection" / "siteBlocking"), then its option variable.
    void OnInitDialog() override;
    // "IDC_FS_OK" runs OnOK, "IDC_FS_Cancel" ends with 2.
    void OnCommand(const QString& command, const QString& args) override;
    // Reads the list's option variable back (a text without a leading number gives 0; a number
    // that is no permission mode keeps Option) and ends with 1.
    void OnOK() override;

private:
    // The option variable of the list, or null for another list value.
    const char* OptionVariable() const;
};

} // namespace hookwise::app
