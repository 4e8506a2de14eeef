// PasswordDialog: the password window, in login, set or change mode, with the validation of a new
// password and the messages of each refusal.
#pragma once

#include "app/desktop/MovieDialog.h"

#include <string>

namespace hookwise::app {

class PasswordDialog : public CMovieDialog {
    Q_OBJECT
public:
    enum { ModeLogin = 0, ModeSet = 1, ModeChange = 2 };

    // mode: ModeLogin, ModeSet or ModeChange; password: the stored (encoded) password.
    PasswordDialog(int mode, std::string password, QWidget* parent = nullptr);

    // Mode in force (set becomes change at start-up when a password is stored).
    int Mode = ModeLogin;
    // The encoded stored password on entry; after OK in set or change mode the new one ("" when
    // the user accepted a blank password).
    std::string Password;

protected:
    // Set mode with a stored password becomes change mode; the three password variables are
    // cleared and the movie goes to the mode's start label.
    void OnInitDialog() override;
    // "IDC_FS_LoginPassword" is OK, "IDC_FS_CancelLoginPassword" ends with 2.
    void OnCommand(const QString& command, const QString& args) override;
    // Login: the typed password must match, else 7003 / 7004 and the field is cleared. Set and
    // change: the new password is validated; on a refusal its message is shown, the fields are
    // cleared and the window stays open.
    void OnOK() override;

private:
    void Login();
    void StoreNewPassword();
    void ClearFields(unsigned fields);
};

} // namespace hookwise::app
