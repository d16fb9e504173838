// CTaskTrayImpl: keeps one icon in the desktop's notification area for as
// long as the frame exists; a left click hides or restores the frame.
#pragma once

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

namespace app {

class TrayIconHost : public QObject {
    Q_OBJECT
public:
    explicit TrayIconHost(std::function<void()> onLeftClick);
    ~TrayIconHost() override;

    bool InstallIcon();
    void ModifyIcon(const QIcon* icon, const QString* tip);
    bool RemoveIcon();
    bool installed() const { return installed_; }
    QString tip() const;
    QSystemTrayIcon* icon() const { return icon_.get(); }
    // A click on the icon as the desktop reports it.
    void OnSystemTrayAction(QSystemTrayIcon::ActivationReason reason);

private:
    std::function<void()> onLeftClick_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    bool installed_ = false;
};

// Longest tip, in characters: the Windows notification area's limit, kept so
// that a long title is cut at the same place on every desktop.
inline constexpr int kMaxTrayTip = 127;

template <class Frame> class CTaskTrayImpl {
public:
    bool InstallIcon() { return tray_.InstallIcon(); }
    void ModifyIcon(const QIcon* icon, const QString* tip) { tray_.ModifyIcon(icon, tip); }
    bool RemoveIcon() { return tray_.RemoveIcon(); }
    TrayIconHost& tray() { return tray_; }

protected:
    CTaskTrayImpl() : tray_([this] { static_cast<Frame*>(this)->OnTrayLButtonUp(); }) {}
    ~CTaskTrayImpl() { tray_.RemoveIcon(); }

private:
    TrayIconHost tray_;
};

} // namespace app
