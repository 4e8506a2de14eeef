// PasswordDialog: start label per mode, the login check and the new-password validation messages.
#include "app/settings/PasswordDialog.h"

#include "app/alerts/MessageBoxWindow.h"
#include "core/settings/LanguagePack.h"
#include "core/settings/PasswordRules.h"

namespace hookwise::app {

using namespace hookwise::core;

namespace {

// The password window template: 190 × 168 dialog units.
constexpr int kTemplateWidth = 190;
constexpr int kTemplateHeight = 168;

const QString kNewPassword = QStringLiteral("_root.strPasswordValue");
const QString kVerifyPassword = QStringLiteral("_root.strVerifyPassword");
const QString kOldPassword = QStringLiteral("_root.strOldPasswordValue");

// The message box sign for a password message: warnings under "Password Warning" (7006), errors
// otherwise.
constexpr std::uint32_t kPasswordWarningCaption = 7006;

QString Text(std::uint32_t id) {
    return QString::fromStdString(LoadText(id));
}

int Flags(std::uint32_t captionId) {
    return captionId == kPasswordWarningCaption ? MB_ICONWARNING : MB_ICONERROR;
}

} // namespace

PasswordDialog::PasswordDialog(int mode, std::string password, QWidget* parent)
    : CMovieDialog(QStringLiteral("HkPass"), QStringLiteral(".pbf"),
                   QSize(kTemplateWidth, kTemplateHeight), parent),
      Mode(mode), Password(std::move(password)) {}

void PasswordDialog::OnInitDialog() {
    if (Mode == ModeSet && !Password.empty())
        Mode = ModeChange;
    CShockwaveFlash* movie = Movie();
    movie->SetVariable(kNewPassword, QString());
    movie->SetVariable(kVerifyPassword, QString());
    movie->SetVariable(kOldPassword, QString());
    const char* label = Mode == ModeLogin ? "login" : Mode == ModeSet ? "setps" : "changeps";
    movie->TGotoLabel(QStringLiteral("_root"), QLatin1String(label));
}

void PasswordDialog::OnCommand(const QString& command, const QString& /*args*/) {
    if (Is(command, "IDC_FS_LoginPassword")) {
        OnOK();
        return;
    }
    if (Is(command, "IDC_FS_CancelLoginPassword"))
        done(2);
}

void PasswordDialog::OnOK() {
    if (Mode == ModeLogin)
        Login();
    else
        StoreNewPassword();
}

void PasswordDialog::Login() {
    const QString typed = Movie()->GetVariable(kNewPassword);
    if (CheckPassword(typed.toStdString(), Password)) {
        done(1);
        return;
    }
    ShowMessageBox(Text(7003), Text(7004), MB_ICONERROR, this);
    Movie()->SetVariable(kNewPassword, QString());
}

void PasswordDialog::StoreNewPassword() {
    CShockwaveFlash* movie = Movie();
    const std::string newPassword = movie->GetVariable(kNewPassword).toStdString();
    const std::string verify = movie->GetVariable(kVerifyPassword).toStdString();
    const std::string old = movie->GetVariable(kOldPassword).toStdString();

    const PasswordValidation check = ValidateNewPassword(Password, old, newPassword, verify);
    switch (check.outcome) {
    case PasswordValidation::Accept:
        Password = EncodePassword(newPassword);
        done(1);
        return;
    case PasswordValidation::AskBlank:
        if (ShowMessageBox(Text(check.messageId), Text(check.captionId),
                           MB_OKCANCEL | MB_ICONWARNING, this) == 1) {
            Password.clear();
            done(1);
            return;
        }
        break;
    case PasswordValidation::Refuse:
        ShowMessageBox(Text(check.messageId), Text(check.captionId), Flags(check.captionId), this);
        ClearFields(check.clear);
        break;
    }
    ClearFields(kFieldNew | kFieldVerify | kFieldOld);
}

void PasswordDialog::ClearFields(unsigned fields) {
    CShockwaveFlash* movie = Movie();
    if (fields & kFieldNew)
        movie->SetVariable(kNewPassword, QString());
    if (fields & kFieldVerify)
        movie->SetVariable(kVerifyPassword, QString());
    if (fields & kFieldOld)
        movie->SetVariable(kOldPassword, QString());
}

} // namespace hookwise::app
