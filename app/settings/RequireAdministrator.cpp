// RequireAdministrator: asks for the password through the password window when the gate is shut.
#include "app/settings/RequireAdministrator.h"

#include "app/settings/PasswordDialog.h"
#include "core/settings/GeneralSettings.h"
#include "core/settings/PasswordRules.h"

namespace hookwise::app {

using namespace hookwise::core;

namespace {

struct Gate {
    GeneralSettings* settings = nullptr;
    std::function<void()> refreshMainMovie;
};

Gate& TheGate() {
    static Gate gate;
    return gate;
}

} // namespace

void SetAdministratorGate(GeneralSettings* settings, std::function<void()> refreshMainMovie) {
    TheGate() = Gate{settings, std::move(refreshMainMovie)};
}

bool RequireAdministrator(QWidget* parent) {
    Gate& gate = TheGate();
    if (!gate.settings)
        return true;
    if (!NeedsAdministratorLogin(gate.settings->IsLogin, gate.settings->Password))
        return true;
    PasswordDialog login(PasswordDialog::ModeLogin, gate.settings->Password, parent);
    if (login.Show() != 1)
        return false;
    gate.settings->IsLogin = 1;
    if (gate.refreshMainMovie)
        gate.refreshMainMovie();
    return true;
}

} // namespace hookwise::app
