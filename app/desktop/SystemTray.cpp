// CSystemTray: icon, menu 1031 through the language layer, default command, tray moves, re-adding.
#include "app/desktop/SystemTray.h"

#include "core/settings/LanguagePack.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScreen>
#include <QStyleHints>
#include <QWidget>

namespace hookwise::app {

using namespace hookwise::core;

namespace {

// The longest tooltip the notification area keeps (127 characters and a terminator).
constexpr int kMaxToolTip = 127;

// The pop-up of a loaded menu resource: the first pop-up item.
const MenuItem* FirstPopup(const Menu& menu) {
    for (const MenuItem& item : menu) {
        if (item.isPopup)
            return &item;
    }
    return nullptr;
}

} // namespace

CSystemTray::CSystemTray(QObject* parent) : QObject(parent) {
    trayCheck_.setInterval(kTrayCheckMs);
    connect(&trayCheck_, &QTimer::timeout, this, &CSystemTray::CheckTrayReturned);
}

CSystemTray::~CSystemTray() = default;

bool CSystemTray::IsTrayAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool CSystemTray::Create(QWidget* owner, UINT callbackMessage, const QString& tooltip,
                         const QIcon& icon, UINT id) {
    enabled_ = IsTrayAvailable();
    if (!enabled_)
        return false;
    owner_ = owner;
    callbackMessage_ = callbackMessage;
    id_ = id;
    tooltip_ = tooltip.left(kMaxToolTip);

    menu_ = std::make_unique<QMenu>();
    connect(menu_.get(), &QMenu::aboutToShow, this, &CSystemTray::BuildMenu);
    BuildMenu();

    icon_ = std::make_unique<QSystemTrayIcon>(icon.isNull() ? DefaultIcon() : icon);
    icon_->setToolTip(tooltip_);
    icon_->setContextMenu(menu_.get());
    connect(icon_.get(), &QSystemTrayIcon::activated, this, &CSystemTray::OnActivated);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        connect(screen, &QScreen::availableGeometryChanged, this, &CSystemTray::OnWorkAreaChanged);

    removed_ = false;
    AddIcon();
    trayWasAvailable_ = true;
    trayCheck_.start();
    return true;
}

void CSystemTray::AddIcon() {
    if (!icon_)
        return;
    icon_->show();
    hidden_ = !icon_->isVisible();
    // An icon the notification area did not take is added again when the area comes back.
    if (hidden_)
        removed_ = true;
}

void CSystemTray::RemoveIcon() {
    trayCheck_.stop();
    if (icon_)
        icon_->hide();
    hidden_ = true;
    removed_ = true;
}

void CSystemTray::CheckTrayReturned() {
    const bool available = IsTrayAvailable();
    const bool returned = available && !trayWasAvailable_;
    trayWasAvailable_ = available;
    if (!returned || !icon_)
        return;
    // The notification area was restarted: register the icon anew.
    icon_->hide();
    removed_ = false;
    AddIcon();
}

void CSystemTray::OnWorkAreaChanged() {
    if (!icon_ || hidden_ || removed_)
        return;
    icon_->hide();
    AddIcon();
}

void CSystemTray::SetMenuDefaultItem(UINT item, bool byPosition) {
    defaultMenuItem_ = item;
    defaultByPosition_ = byPosition;
    if (menu_)
        BuildMenu();
}

void CSystemTray::Retranslate(const QString& tooltip) {
    if (!icon_)
        return;
    tooltip_ = tooltip.left(kMaxToolTip);
    icon_->setToolTip(tooltip_);
    if (menu_)
        BuildMenu();
}

UINT CSystemTray::DefaultCommand() const {
    if (!defaultByPosition_)
        return defaultMenuItem_;
    const Menu menu = LoadTrayMenu();
    const MenuItem* popup = FirstPopup(menu);
    if (!popup || defaultMenuItem_ >= popup->items.size())
        return 0;
    return popup->items[defaultMenuItem_].command;
}

QMenu* CSystemTray::PopupMenu() {
    if (!menu_) {
        menu_ = std::make_unique<QMenu>();
        connect(menu_.get(), &QMenu::aboutToShow, this, &CSystemTray::BuildMenu);
    }
    BuildMenu();
    return menu_.get();
}

void CSystemTray::BuildMenu() {
    Menu resource = LoadTrayMenu();
    TranslateMenu(resource, kTrayMenuSection);
    const MenuItem* popup = FirstPopup(resource);
    menu_->clear();
    if (!popup)
        return;
    const UINT defaultCommand = DefaultCommand();
    for (const MenuItem& item : popup->items) {
        if (item.IsSeparator()) {
            menu_->addSeparator();
            continue;
        }
        QAction* action = menu_->addAction(QString::fromStdString(item.text));
        const UINT command = item.command;
        connect(action, &QAction::triggered, this, [this, command] { emit Command(command); });
        if (command != 0 && command == defaultCommand)
            menu_->setDefaultAction(action);
    }
}

void CSystemTray::BringOwnerForward() {
    if (!owner_)
        return;
    owner_->raise();
    owner_->activateWindow();
}

void CSystemTray::OnTrayNotification(UINT id, UINT mouseMessage) {
    if (id != id_)
        return;
    if (mouseMessage == kRightButtonUp) {
        QMenu* menu = PopupMenu();
        BringOwnerForward();
        menu->popup(QCursor::pos());
        return;
    }
    if (mouseMessage == kLeftButtonUp) {
        BringOwnerForward();
        if (DefaultCommand() != kCmdTrayRestore)
            return;
        lastRestoreClick_.start();
        emit Command(kCmdTrayRestore);
        return;
    }
    if (mouseMessage == kLeftButtonDoubleClick) {
        // A double-click comes after the single click of its first press, which restored the
        // window already: it must not go on to the default item that restore made "&Exit".
        if (lastRestoreClick_.isValid() &&
            lastRestoreClick_.elapsed() <=
                2 * QGuiApplication::styleHints()->mouseDoubleClickInterval())
            return;
        BringOwnerForward();
        if (const UINT command = DefaultCommand())
            emit Command(command);
    }
}

void CSystemTray::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger)
        OnTrayNotification(id_, kLeftButtonUp);
    else if (reason == QSystemTrayIcon::DoubleClick)
        OnTrayNotification(id_, kLeftButtonDoubleClick);
    // The context menu is the icon's own: the notification area opens it, rebuilt on showing.
}

void CSystemTray::MinimiseToTray(QWidget* window) {
    if (!window)
        return;
    window->hide();
}

void CSystemTray::MaximiseFromTray(QWidget* window) {
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}

QIcon CSystemTray::DefaultIcon() {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal w = size * 0.86;
        const qreal h = size;
        const qreal x0 = (size - w) / 2;
        QPainterPath shield;
        shield.moveTo(x0 + w * 0.5, 0);
        shield.lineTo(x0 + w, h * 0.16);
        shield.lineTo(x0 + w, h * 0.46);
        shield.cubicTo(x0 + w, h * 0.76, x0 + w * 0.72, h * 0.9, x0 + w * 0.5, h);
        shield.cubicTo(x0 + w * 0.28, h * 0.9, x0, h * 0.76, x0, h * 0.46);
        shield.lineTo(x0, h * 0.16);
        shield.closeSubpath();
        QLinearGradient fill(0, 0, size, size);
        fill.setColorAt(0, QColor(0x2D, 0x6C, 0xDF));
        fill.setColorAt(1, QColor(0x0B, 0x1D, 0x38));
        painter.fillPath(shield, fill);
        QPen pen(Qt::white, std::max(1.5, size * 0.1), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter.setPen(pen);
        QPainterPath check;
        check.moveTo(x0 + w * 0.28, h * 0.5);
        check.lineTo(x0 + w * 0.45, h * 0.66);
        check.lineTo(x0 + w * 0.74, h * 0.34);
        painter.drawPath(check);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void CSystemTray::ShowMessage(const QString& title, const QString& text) {
    if (!icon_ || removed_)
        return;
    icon_->showMessage(title, text, QSystemTrayIcon::Critical);
}

} // namespace hookwise::app
