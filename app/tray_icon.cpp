#include "app/tray_icon.h"

#include <QGuiApplication>

namespace app {

TrayIconHost::TrayIconHost(std::function<void()> onLeftClick)
    : onLeftClick_(std::move(onLeftClick)) {}

TrayIconHost::~TrayIconHost() = default;

bool TrayIconHost::InstallIcon() {
    if (installed_)
        return true;
    installed_ = true;
    // On X11 the icon is made also while the desktop has no notification
    // area: it appears in the first one that comes up later. It shows once it
    // has its picture (ModifyIcon). Platforms without any (offscreen,
    // minimal) get none.
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    if (!available && QGuiApplication::platformName() != QLatin1String("xcb"))
        return false;
    icon_ = std::make_unique<QSystemTrayIcon>();
    connect(icon_.get(), &QSystemTrayIcon::activated, this, &TrayIconHost::OnSystemTrayAction);
    return available;
}

void TrayIconHost::ModifyIcon(const QIcon* icon, const QString* tip) {
    if (!icon_)
        return;
    if (tip)
        icon_->setToolTip(tip->left(kMaxTrayTip));
    if (icon)
        icon_->setIcon(*icon);
    if (!icon_->isVisible() && !icon_->icon().isNull())
        icon_->show();
}

bool TrayIconHost::RemoveIcon() {
    if (!installed_)
        return false;
    installed_ = false;
    const bool shown = icon_ != nullptr;
    icon_.reset();
    return shown;
}

QString TrayIconHost::tip() const {
    return icon_ ? icon_->toolTip() : QString();
}

void TrayIconHost::OnSystemTrayAction(QSystemTrayIcon::ActivationReason reason) {
    // Each left click toggles the window. The desktop reports the first
    // click of a double click as Trigger and the second as DoubleClick, so a
    // double click toggles twice and leaves the window as it was. Other
    // buttons and the wheel do nothing.
    if ((reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) &&
        onLeftClick_)
        onLeftClick_();
}

} // namespace app
