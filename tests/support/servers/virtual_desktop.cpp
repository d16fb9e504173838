#include "support/servers/virtual_desktop.h"

#include "support/process_runner.h"

#include <QElapsedTimer>
#include <QMargins>
#include <QRegularExpression>
#include <QThread>

namespace testsupport {

namespace {

// Generous: on a machine busy with builds the X server, the tray host and the
// window manager come up many times slower; the wait ends once they are up.
constexpr int kStartTimeoutMs = 30000;

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (condition())
            return true;
        QThread::msleep(50);
    }
    return condition();
}

void stop(std::unique_ptr<QProcess>& process) {
    if (!process)
        return;
    process->terminate();
    if (!process->waitForFinished(3000)) {
        process->kill();
        process->waitForFinished(3000);
    }
    process.reset();
}

int indentOf(const QString& line) {
    int spaces = 0;
    while (spaces < line.size() && line[spaces] == QLatin1Char(' '))
        ++spaces;
    return spaces;
}

} // namespace

VirtualDesktop::VirtualDesktop(DesktopParts parts) {
    running_ = startDisplay() &&
               (parts.windowManager.isEmpty() || startWindowManager(parts.windowManager)) &&
               (!parts.tray || startTray());
}

VirtualDesktop::~VirtualDesktop() {
    stop(tray_);
    stop(windowManager_);
    stop(xvfb_);
}

bool VirtualDesktop::startWindowManager(const QString& program) {
    // A home of its own: window managers write their settings there.
    windowManager_ = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display_);
    env.insert(QStringLiteral("HOME"), QString::fromStdString(home_.path()));
    windowManager_->setProcessEnvironment(env);
    windowManager_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    endWithTestProgram(*windowManager_);
    windowManager_->start(program, {});
    if (!windowManager_->waitForStarted(kStartTimeoutMs))
        return false;
    // A window manager announces itself on the root window once it runs.
    return waitFor(
        [&] {
            return windowManager_->state() == QProcess::Running &&
                   runTool(QStringLiteral("xprop"),
                           {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                       .contains(QStringLiteral("window id"));
        },
        kStartTimeoutMs);
}

bool VirtualDesktop::startDisplay() {
    // Xvfb picks a free display number itself and writes it to the given
    // descriptor (its standard output here) once it accepts connections.
    xvfb_ = std::make_unique<QProcess>();
    xvfb_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    endWithTestProgram(*xvfb_);
    xvfb_->start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                  QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                  QStringLiteral("tcp")});
    if (!xvfb_->waitForStarted(kStartTimeoutMs))
        return false;
    QByteArray number;
    waitFor(
        [&] {
            xvfb_->waitForReadyRead(50);
            number += xvfb_->readAllStandardOutput();
            return number.contains('\n') || xvfb_->state() != QProcess::Running;
        },
        kStartTimeoutMs);
    if (!number.contains('\n') || xvfb_->state() != QProcess::Running)
        return false;
    display_ = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    return true;
}

bool VirtualDesktop::startTray() {
    // A tray host started while the new server still sets up may fail to
    // connect and exit; it is started again then.
    for (int attempt = 0; attempt < 3; ++attempt) {
        stop(tray_);
        tray_ = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display_);
        tray_->setProcessEnvironment(env);
        endWithTestProgram(*tray_);
        tray_->start(QStringLiteral("trayer"),
                     {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                      QStringLiteral("left"), QStringLiteral("--widthtype"),
                      QStringLiteral("pixel"), QStringLiteral("--width"), QStringLiteral("200"),
                      QStringLiteral("--heighttype"), QStringLiteral("pixel"),
                      QStringLiteral("--height"), QStringLiteral("32"),
                      QStringLiteral("--SetDockType"), QStringLiteral("true"),
                      QStringLiteral("--transparent"), QStringLiteral("false")});
        if (!tray_->waitForStarted(kStartTimeoutMs))
            return false;
        // The tray is ready once its panel window exists.
        const bool ready = waitFor(
            [&] {
                return tray_->state() != QProcess::Running ||
                       runTool(QStringLiteral("xwininfo"),
                               {QStringLiteral("-root"), QStringLiteral("-tree")})
                           .contains(QStringLiteral("(\"panel\" \"trayer\")"));
            },
            kStartTimeoutMs);
        if (ready && tray_->state() == QProcess::Running)
            return true;
    }
    return false;
}

QString VirtualDesktop::runTool(const QString& program, const QStringList& args) const {
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display_);
    tool.setProcessEnvironment(env);
    tool.start(program, args);
    if (!tool.waitForFinished(kStartTimeoutMs)) {
        tool.kill();
        tool.waitForFinished();
        return QString();
    }
    return QString::fromUtf8(tool.readAllStandardOutput());
}

std::optional<QPoint> VirtualDesktop::trayIconCentre(const QString& windowClass) const {
    // xwininfo -tree lists the panel, then its descendants indented deeper;
    // an embedded icon reads `0x.. "Name": ("class" "Class")  WxH+x+y  +X+Y`.
    static const QRegularExpression iconLine(QStringLiteral(
        "\\(\"[^\"]*\" "
        "\"([^\"]*)\"\\)\\s+(\\d+)x(\\d+)\\+-?\\d+\\+-?\\d+\\s+\\+(-?\\d+)\\+(-?\\d+)"));
    const QStringList lines =
        runTool(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")})
            .split(QLatin1Char('\n'));
    int panelIndent = -1;
    for (const QString& line : lines) {
        if (panelIndent < 0) {
            if (line.contains(QStringLiteral("(\"panel\" \"trayer\")")))
                panelIndent = indentOf(line);
            continue;
        }
        if (!line.trimmed().isEmpty() && indentOf(line) <= panelIndent)
            break;
        const QRegularExpressionMatch match = iconLine.match(line);
        if (match.hasMatch() && match.captured(1) == windowClass)
            return QPoint(match.captured(4).toInt() + match.captured(2).toInt() / 2,
                          match.captured(5).toInt() + match.captured(3).toInt() / 2);
    }
    return std::nullopt;
}

std::optional<QPoint> VirtualDesktop::waitForTrayIcon(const QString& windowClass,
                                                      int timeoutMs) const {
    std::optional<QPoint> centre;
    waitFor([&] { return (centre = trayIconCentre(windowClass)).has_value(); }, timeoutMs);
    return centre;
}

bool VirtualDesktop::waitForTrayIconGone(const QString& windowClass, int timeoutMs) const {
    return waitFor([&] { return !trayIconCentre(windowClass).has_value(); }, timeoutMs);
}

bool VirtualDesktop::windowVisible(const QString& title) const {
    const QString found = runTool(
        QStringLiteral("xdotool"),
        {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
         QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$')});
    return !found.trimmed().isEmpty();
}

bool VirtualDesktop::waitForWindowVisible(const QString& title, bool visible, int timeoutMs) const {
    return waitFor([&] { return windowVisible(title) == visible; }, timeoutMs);
}

void VirtualDesktop::click(QPoint at, int button) const {
    runTool(QStringLiteral("xdotool"),
            {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
             QStringLiteral("click"), QString::number(button)});
}

void VirtualDesktop::doubleClick(QPoint at) const {
    runTool(QStringLiteral("xdotool"),
            {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
             QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
             QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
}

void VirtualDesktop::hover(QPoint at) const {
    runTool(QStringLiteral("xdotool"),
            {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())});
}

void VirtualDesktop::drag(QPoint from, QPoint to) const {
    // A person's drag: the press, a few moves that the drag follows, and the
    // release over the target.
    QStringList steps = {QStringLiteral("mousemove"), QString::number(from.x()),
                         QString::number(from.y()), QStringLiteral("mousedown"),
                         QStringLiteral("1")};
    constexpr int kSteps = 8;
    for (int i = 1; i <= kSteps; ++i) {
        const QPoint at = from + (to - from) * i / kSteps;
        steps += {QStringLiteral("sleep"), QStringLiteral("0.1"), QStringLiteral("mousemove"),
                  QString::number(at.x()), QString::number(at.y())};
    }
    steps += {QStringLiteral("sleep"), QStringLiteral("0.3"), QStringLiteral("mouseup"),
              QStringLiteral("1")};
    runTool(QStringLiteral("xdotool"), steps);
}

std::optional<QRect> VirtualDesktop::windowGeometry(const QString& title) const {
    const QString id = windowId(title);
    if (id.isEmpty())
        return std::nullopt;
    const QString shell = runTool(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"),
                                                              QStringLiteral("--shell"), id});
    const auto value = [&](const char* name) {
        const QRegularExpression line(QStringLiteral("^%1=(-?\\d+)$").arg(QLatin1String(name)),
                                      QRegularExpression::MultilineOption);
        return line.match(shell).captured(1).toInt();
    };
    return QRect(value("X"), value("Y"), value("WIDTH"), value("HEIGHT"));
}

std::optional<QRect> VirtualDesktop::outerGeometry(const QString& title) const {
    const QString id = windowId(title);
    if (id.isEmpty())
        return std::nullopt;
    // xwininfo gives the client's own place on the screen (xdotool would add
    // the frame's extents to it under a reparenting window manager).
    const QString info = runTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
    const auto value = [&](const char* label) {
        const QRegularExpression line(
            QStringLiteral("^\\s*%1:\\s*(-?\\d+)").arg(QLatin1String(label)),
            QRegularExpression::MultilineOption);
        return line.match(info).captured(1).toInt();
    };
    const QRect client(value("Absolute upper-left X"), value("Absolute upper-left Y"),
                       value("Width"), value("Height"));
    // "_NET_FRAME_EXTENTS(CARDINAL) = left, right, top, bottom"
    const QRegularExpression extents(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)"));
    const QRegularExpressionMatch m =
        extents.match(runTool(QStringLiteral("xprop"),
                              {QStringLiteral("-id"), id, QStringLiteral("_NET_FRAME_EXTENTS")}));
    if (!m.hasMatch())
        return client;
    return client.marginsAdded(QMargins(m.captured(1).toInt(), m.captured(3).toInt(),
                                        m.captured(2).toInt(), m.captured(4).toInt()));
}

void VirtualDesktop::placeWindow(const QString& title, QPoint at, QSize clientSize) const {
    const QString id = windowId(title);
    if (id.isEmpty())
        return;
    runTool(QStringLiteral("xdotool"),
            {QStringLiteral("windowmove"), id, QString::number(at.x()), QString::number(at.y()),
             QStringLiteral("windowsize"), id, QString::number(clientSize.width()),
             QString::number(clientSize.height())});
}

void VirtualDesktop::minimize(const QString& title) const {
    const QString id = windowId(title);
    if (!id.isEmpty())
        runTool(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), id});
}

int VirtualDesktop::visibleWindowCount(const QString& windowClass) const {
    const QString found = runTool(
        QStringLiteral("xdotool"),
        {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--classname"),
         QLatin1Char('^') + QRegularExpression::escape(windowClass) + QLatin1Char('$')});
    return static_cast<int>(found.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size());
}

QString VirtualDesktop::windowId(const QString& title) const {
    return runTool(QStringLiteral("xdotool"),
                   {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                    QStringLiteral("--name"),
                    QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$')})
        .section(QLatin1Char('\n'), 0, 0)
        .trimmed();
}

void VirtualDesktop::typeKeys(const QString& title, const QStringList& keys) const {
    const QString id = windowId(title);
    if (id.isEmpty())
        return;
    runTool(QStringLiteral("xdotool"),
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), id});
    // At a person's pace, so that a menu has opened before the next key.
    runTool(QStringLiteral("xdotool"),
            QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("150")} +
                keys);
}

QString VirtualDesktop::windowProperty(const QString& title, const QString& property) const {
    const QString id = windowId(title);
    if (id.isEmpty())
        return QString();
    return runTool(QStringLiteral("xprop"), {QStringLiteral("-id"), id, property});
}

} // namespace testsupport
