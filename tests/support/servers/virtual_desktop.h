// A private X display (Xvfb) with a real notification area (trayer), for
// tests of what only a desktop shows: the tray icon and its clicks. Pointer
// clicks and window state go through xdotool and xwininfo. Everything ends
// with the object.
#pragma once

#include <QPoint>
#include <QProcess>
#include <QString>
#include <memory>
#include <optional>

namespace testsupport {

class VirtualDesktop {
public:
    VirtualDesktop();
    ~VirtualDesktop();
    VirtualDesktop(const VirtualDesktop&) = delete;
    VirtualDesktop& operator=(const VirtualDesktop&) = delete;

    // True when the display and the tray host both came up.
    bool running() const { return running_; }
    // The DISPLAY value of this desktop, ":N".
    QString display() const { return display_; }

    // The centre of the tray icon whose window has this class, once the tray
    // holds it (bounded wait).
    std::optional<QPoint> waitForTrayIcon(const QString& windowClass, int timeoutMs) const;
    // True once the tray holds no icon of that class (bounded wait).
    bool waitForTrayIconGone(const QString& windowClass, int timeoutMs) const;
    // Whether a top-level window with exactly this title is mapped.
    bool windowVisible(const QString& title) const;
    // Waits until windowVisible(title) == visible.
    bool waitForWindowVisible(const QString& title, bool visible, int timeoutMs) const;
    // Presses and releases a mouse button (1 left, 2 middle, 3 right) at a
    // point of the screen.
    void click(QPoint at, int button) const;

private:
    QString runTool(const QString& program, const QStringList& args) const;
    std::optional<QPoint> trayIconCentre(const QString& windowClass) const;
    bool startDisplay();
    bool startTray();

    QString display_;
    std::unique_ptr<QProcess> xvfb_;
    std::unique_ptr<QProcess> tray_;
    bool running_ = false;
};

} // namespace testsupport
