// RequireAdministrator: the login gate in front of every settings change and alert answer.
#pragma once

#include <functional>

namespace hookwise::core {
class GeneralSettings;
}
class QWidget;

namespace hookwise::app {

// The settings the gate reads (IsLogin, Password) and the main-movie refresh it runs after a
// successful login. The application object sets them once; null settings turn the gate off.
void SetAdministratorGate(core::GeneralSettings* settings, std::function<void()> refreshMainMovie);

// Returns true at once when the administrator is logged in or no password is stored (or no
// settings were given). Otherwise shows the password window in login mode, modally over parent:
// false when it is cancelled; on a correct password IsLogin becomes 1, the main movie is
// refreshed and the result is true.
bool RequireAdministrator(QWidget* parent = nullptr);

} // namespace hookwise::app
