// The tray icon's menu resource and menu look-ups.
#include "core/settings/MenuModel.h"

namespace hookwise::core {

namespace {
MenuItem Command(const char* text, std::uint32_t command) {
    MenuItem item;
    item.text = text;
    item.command = command;
    return item;
}
MenuItem Separator() {
    return MenuItem{};
}
} // namespace

Menu LoadTrayMenu() {
    MenuItem popup;
    popup.text = "SystemTrayPopUpMenu";
    popup.isPopup = true;
    popup.items = {
        Command("&Restore", kCmdTrayRestore),          Separator(), Command("&Help", kCmdTrayHelp),
        Command("&About Baitguard...", kCmdTrayAbout), Separator(), Command("&Exit", kCmdTrayExit)};
    return Menu{popup};
}

MenuItem* FindMenuCommand(Menu& menu, std::uint32_t command) {
    for (MenuItem& item : menu) {
        if (item.isPopup) {
            if (MenuItem* found = FindMenuCommand(item.items, command))
                return found;
            continue;
        }
        if (command != 0 && item.command == command)
            return &item;
    }
    return nullptr;
}

} // namespace hookwise::core
