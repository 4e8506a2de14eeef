// GeneralSettings: the "Overview" subkey of the product key.
#include "core/settings/GeneralSettings.h"

#include "core/FileNames.h"
#include "core/RegistryValues.h"
#include "core/settings/VersionInfo.h"
#include "platform/Registry.h"

namespace hookwise::core {

namespace {
constexpr const char* kSubKey = "Overview";

void LoadCounter(HKEY key, const char* name, std::uint32_t& field) {
    std::uint32_t value = 0;
    if (ReadRegUInt32(key, name, value))
        field = value;
}

void LoadFlag(HKEY key, const char* name, BOOL& field) {
    BYTE low = 0;
    if (ReadRegLowByte(key, name, low))
        field = low;
}
} // namespace

GeneralSettings::GeneralSettings()
    : ProgramVersion(ProgramVersionText()), EngineVersion(EngineVersionText(ProgramFolder())) {}

void GeneralSettings::Load(HKEY productKey) {
    RegKey key;
    if (RegOpenKeyExA(productKey, kSubKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return;
    HKEY k = key.Get();
    LoadCounter(k, "NoOfBlockedInstructions", NoOfBlockedInstructions);
    LoadCounter(k, "NoOfBlockedInstructionsHaveHighRating", NoOfBlockedInstructionsHaveHighRating);
    LoadCounter(k, "NoOfEmailProtection", NoOfEmailProtection);
    LoadCounter(k, "NoOfWebProtection", NoOfWebProtection);
    std::string password;
    if (ReadRegText(k, "Password", password) && !password.empty())
        Password = password;
    LoadFlag(k, "LoadwithWindowsStartup", LoadwithWindowsStartup);
    LoadFlag(k, "LoadSplashScreen", LoadSplashScreen);
    LoadFlag(k, "IsLogin", IsLogin);
    LoadFlag(k, "CheckVer", CheckVer);
}

bool GeneralSettings::Save(HKEY productKey) const {
    RegKey key;
    if (RegCreateKeyExA(productKey, kSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        return false;
    HKEY k = key.Get();
    bool ok = WriteRegNumber(k, "NoOfBlockedInstructions", NoOfBlockedInstructions);
    ok &= WriteRegNumber(k, "NoOfBlockedInstructionsHaveHighRating",
                         NoOfBlockedInstructionsHaveHighRating);
    ok &= WriteRegNumber(k, "NoOfEmailProtection", NoOfEmailProtection);
    ok &= WriteRegNumber(k, "NoOfWebProtection", NoOfWebProtection);
    ok &= WriteRegNumber(k, "LoadwithWindowsStartup",
                         static_cast<std::uint32_t>(LoadwithWindowsStartup));
    ok &= WriteRegText(k, "Password", Password);
    ok &= WriteRegNumber(k, "IsLogin", static_cast<std::uint32_t>(IsLogin));
    ok &= WriteRegNumber(k, "CheckVer", static_cast<std::uint32_t>(CheckVer));
    ok &= WriteRegNumber(k, "LoadSplashScreen", static_cast<std::uint32_t>(LoadSplashScreen));
    return ok;
}

} // namespace hookwise::core
