// CSystemTray: the program's icon in the notification area, its translated pop-up menu, the
// default command of a double-click, and moving the main window into and out of the tray.
//
// The icon is a QSystemTrayIcon; "no notification area" stands where an old shell did: Create
// then returns false. Menu commands and the double-click's default command reach the owner
// through the Command signal, as WM_COMMAND messages would.
#pragma once

#include "core/settings/MenuModel.h"
#include "platform/ProductNames.h"
#include "platform/WinTypes.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>

#include <memory>

class QMenu;
class QWidget;

namespace hookwise::app {

class CSystemTray : public QObject {
    Q_OBJECT
public:
    // The values the main window uses: icon and menu id, callback message.
    static constexpr UINT kIconId = platform::kTrayIconId;
    static constexpr UINT kCallbackMessage = 32769;
    // The mouse notifications OnTrayNotification acts on.
    static constexpr UINT kRightButtonUp = 0x0205;         // WM_RBUTTONUP
    static constexpr UINT kLeftButtonUp = 0x0202;          // WM_LBUTTONUP
    static constexpr UINT kLeftButtonDoubleClick = 0x0203; // WM_LBUTTONDBLCLK
    // How often the tray's coming back is checked.
    static constexpr int kTrayCheckMs = 2000;

    explicit CSystemTray(QObject* parent = nullptr);
    ~CSystemTray() override;

    // Returns false without adding an icon when there is no notification area. Otherwise adds
    // the icon with its tooltip (at most 127 characters) and returns true. owner receives the
    // commands and is brought to the front for them; it may be null.
    bool Create(QWidget* owner, UINT callbackMessage, const QString& tooltip, const QIcon& icon,
                UINT id);
    // Takes the icon away and marks it removed; it is not added again.
    void RemoveIcon();

    // The default item: a position in the pop-up (byPosition) or a command id. The default item
    // is shown in bold and is what a double-click runs.
    void SetMenuDefaultItem(UINT item, bool byPosition);

    // After a change of language: the menu texts again through the language layer, and the
    // tooltip (the application title in the new language). Nothing while there is no icon.
    void Retranslate(const QString& tooltip);
    // The command a double-click sends: the command at the default position, or the default
    // command itself; 0 when the position holds no command.
    UINT DefaultCommand() const;

    // Hides window into the tray / shows it again in front.
    void MinimiseToTray(QWidget* window);
    void MaximiseFromTray(QWidget* window);

    // A mouse notification for icon id: right button up opens the menu at the cursor, a
    // double-click sends the default command. A single click (what StatusNotifier hosts send for
    // the left button) brings the window back as the double-click does: it sends the default
    // command when that is "&Restore", else only brings the owner forward; the double-click that
    // may follow it from the same clicks then does nothing more. Other ids and messages are
    // ignored.
    void OnTrayNotification(UINT id, UINT mouseMessage);

    // A message from the icon (a notification). Nothing while there is no icon.
    void ShowMessage(const QString& title, const QString& text);

    // The pop-up as it is shown now: loaded, translated, the default item marked. Rebuilt at
    // every opening, so a language change shows at once.
    QMenu* PopupMenu();

    bool Enabled() const { return enabled_; }
    bool Hidden() const { return hidden_; }
    bool Removed() const { return removed_; }
    QString ToolTip() const { return tooltip_; }
    // The menu as the notification area holds it, without rebuilding it.
    QMenu* ContextMenu() const { return menu_.get(); }

    // The program's shield icon, for callers without one of their own.
    static QIcon DefaultIcon();

signals:
    // A menu command or the double-click's default command, for the owner.
    void Command(UINT command);

protected:
    // Whether a notification area is there now.
    virtual bool IsTrayAvailable() const;

private slots:
    void OnActivated(QSystemTrayIcon::ActivationReason reason);
    void CheckTrayReturned();
    void OnWorkAreaChanged();

private:
    void BuildMenu();
    void AddIcon();
    void BringOwnerForward();

    std::unique_ptr<QSystemTrayIcon> icon_;
    std::unique_ptr<QMenu> menu_;
    QPointer<QWidget> owner_;
    QTimer trayCheck_;
    QString tooltip_;
    UINT id_ = 0;
    UINT callbackMessage_ = 0;
    UINT defaultMenuItem_ = 0;
    bool defaultByPosition_ = true;
    bool enabled_ = false;
    bool hidden_ = true;
    bool removed_ = true;
    bool trayWasAvailable_ = false;
    QElapsedTimer lastRestoreClick_; // the single click that restored the window
};

} // namespace hookwise::app
