// A window-system-free menu: items with text, command id and pop-ups, as the resource menus
// hold them, so the language layer can translate a menu before a window shows it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hookwise::core {

struct MenuItem {
    std::string text;          // with its '&' mnemonic; empty for a separator
    std::uint32_t command = 0; // 0 for separators and pop-ups
    bool isPopup = false;      // true: `items` is the pop-up's content
    std::vector<MenuItem> items;

    bool IsSeparator() const { return !isPopup && command == 0; }
};

using Menu = std::vector<MenuItem>;

// The tray icon's menu resource (id 1031): one pop-up "SystemTrayPopUpMenu" holding "&Restore",
// a separator, "&Help", "&About Baitguard..." (the About window, as the main window's system menu
// opens it), a separator, "&Exit".
constexpr std::uint32_t kTrayMenuId = 1031;
constexpr std::uint32_t kCmdTrayRestore = 32771;
constexpr std::uint32_t kCmdTrayExit = 32772;
constexpr std::uint32_t kCmdTrayHelp = 32774;
constexpr std::uint32_t kCmdTrayAbout = 16; // the system menu's About command
Menu LoadTrayMenu();

// The first item with that command anywhere in menu (depth first), or null.
MenuItem* FindMenuCommand(Menu& menu, std::uint32_t command);

} // namespace hookwise::core
