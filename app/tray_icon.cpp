#include "app/tray_icon.h"

namespace app {

TrayIconHost::TrayIconHost(std::function<void()> onLeftClick)
    : onLeftClick_(std::move(onLeftClick)) {}

TrayIconHost::~TrayIconHost() = default;

bool TrayIconHost::InstallIcon() {
    if (installed_)
        return true;
    installed_ = true;
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    icon_ = std::make_unique<QSystemTrayIcon>();
    connect(icon_.get(), &QSystemTrayIcon::activated, this, &TrayIconHost::OnSystemTrayAction);
    icon_->show();
    return true;
}

void TrayIconHost::ModifyIcon(const QIcon* icon, const QString* tip) {
    if (!icon_)
        return;
    if (tip)
        icon_->setToolTip(tip->left(kMaxTrayTip));
    if (icon)
        icon_->setIcon(*icon);
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
    // The desktop reports a completed left click as Trigger; other buttons,
    // double clicks and wheel events do nothing.
    if (reason == QSystemTrayIcon::Trigger && onLeftClick_)
        onLeftClick_();
}

} // namespace app
