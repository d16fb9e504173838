// A private X display (Xvfb) with a real notification area (trayer) and,
// when asked, a real window manager, for tests of what only a desktop shows:
// the tray icon and its clicks, window frames, keys typed into the real
// program. Pointer clicks, keys and window state go through xdotool, xwininfo
// and xprop. Everything ends with the object.
#pragma once

#include "support/temp_dir.h"

#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>
#include <memory>
#include <optional>

namespace testsupport {

struct DesktopParts {
    bool tray = true;      // a tray host from the start
    QString windowManager; // "openbox", "fluxbox", or none
};

class VirtualDesktop {
public:
    explicit VirtualDesktop(DesktopParts parts = {});
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
    // Two left clicks as one double click.
    void doubleClick(QPoint at) const;
    // Moves the pointer there and leaves it.
    void hover(QPoint at) const;
    // Presses the left button at from, moves to to in steps, and releases.
    void drag(QPoint from, QPoint to) const;
    // The outer rectangle of the mapped window with this title.
    std::optional<QRect> windowGeometry(const QString& title) const;
    // The window with its window manager's frame (_NET_FRAME_EXTENTS added).
    std::optional<QRect> outerGeometry(const QString& title) const;
    // Moves the window and sizes its client area, as a person's drag would.
    void placeWindow(const QString& title, QPoint at, QSize clientSize) const;
    // Asks the window manager to minimise (iconify) the window.
    void minimize(const QString& title) const;
    // How many mapped top-level windows have this class.
    int visibleWindowCount(const QString& windowClass) const;
    // Activates the window with this title and types the keys (xdotool key
    // names: "F10", "Down", "Return").
    void typeKeys(const QString& title, const QStringList& keys) const;
    // An X property of the mapped window with this title, as xprop prints it.
    QString windowProperty(const QString& title, const QString& property) const;

    // Starts the tray host now (for a tray that comes after the program).
    bool startTray();

private:
    QString runTool(const QString& program, const QStringList& args) const;
    QString windowId(const QString& title) const;
    std::optional<QPoint> trayIconCentre(const QString& windowClass) const;
    bool startDisplay();
    bool startWindowManager(const QString& program);

    QString display_;
    TempDir home_; // the window manager's settings
    std::unique_ptr<QProcess> xvfb_;
    std::unique_ptr<QProcess> windowManager_;
    std::unique_ptr<QProcess> tray_;
    bool running_ = false;
};

} // namespace testsupport
