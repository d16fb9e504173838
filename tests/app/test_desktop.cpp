// The real program on a private X display: the tray icon in a real tray host,
// clicked with the pointer, also in a tray that starts after the program; the
// dialogs' frames as a real window manager offers them, opened with the
// keyboard alone; and a file dragged over from another program.
#include "support/fixtures.h"
#include "support/player_sandbox.h"
#include "support/servers/virtual_desktop.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

constexpr int kTimeoutMs = 20000;
const QString kTitle = QStringLiteral("Quaverly");
const QString kWindowClass = QStringLiteral("Quaverly");
// Two left clicks closer together than the double-click time are a double
// click, which the icon ignores; separate clicks wait this long.
constexpr unsigned long kSeparateClickGapMs = 800;

class DesktopTest : public ::testing::Test {
protected:
    explicit DesktopTest(DesktopParts parts = {}) : desktop_(std::move(parts)) {}

    void SetUp() override {
        for (const char* tool : {"Xvfb", "trayer", "xdotool", "xprop", "fluxbox"})
            ASSERT_FALSE(QStandardPaths::findExecutable(tool).isEmpty())
                << tool << " is installed by scripts/install-deps.sh";
        ASSERT_TRUE(desktop_.running())
            << "the X display, its tray or its window manager did not come up";
        sandbox_.environment().insert("QT_QPA_PLATFORM", "xcb");
        sandbox_.environment().insert("DISPLAY", desktop_.display());
    }

    std::unique_ptr<BackgroundProcess> startPlayer(const QStringList& args = {}) {
        auto player = sandbox_.start(args);
        EXPECT_TRUE(waitUntilReady(*player, kTimeoutMs));
        return player;
    }

    // The centre of the player's tray icon once it and the window show.
    std::optional<QPoint> iconOfShownPlayer() {
        const auto icon = desktop_.waitForTrayIcon(kWindowClass, kTimeoutMs);
        if (!desktop_.waitForWindowVisible(kTitle, true, kTimeoutMs))
            return std::nullopt;
        return icon;
    }

    // A player under the single-instance rule, its window hidden by a click
    // on its tray icon; nothing when that did not come about.
    std::unique_ptr<BackgroundProcess> startSingleInstanceHiddenInTheTray() {
        sandbox_.writeIni("[Quaverly]\nGeneral_NoMultiInst=1\n");
        auto player = startPlayer();
        const auto icon = iconOfShownPlayer();
        if (!icon)
            return nullptr;
        desktop_.click(*icon, 1);
        if (!desktop_.waitForWindowVisible(kTitle, false, kTimeoutMs))
            return nullptr;
        return player;
    }

    VirtualDesktop desktop_;
    PlayerSandbox sandbox_;
};

class LateTrayTest : public DesktopTest {
protected:
    LateTrayTest() : DesktopTest({.tray = false, .windowManager = {}}) {}
};

class WindowManagerTest : public DesktopTest {
protected:
    // Fluxbox takes a window's buttons from the hints it gives.
    WindowManagerTest() : DesktopTest({.tray = false, .windowManager = "fluxbox"}) {}
};

struct TrayClick {
    bool doubleClick;
    bool visibleAfter;
};

// The window's stored rectangle, as the settings file holds it.
QRect StoredGeometry(const QString& ini) {
    const auto value = [&](const char* key) {
        const QRegularExpression line(QStringLiteral("^%1=(-?\\d+)\r?$").arg(QLatin1String(key)),
                                      QRegularExpression::MultilineOption);
        return line.match(ini).captured(1).toInt();
    };
    return QRect(value("_WndX"), value("_WndY"), value("_WndCX"), value("_WndCY"));
}

std::string Describe(const std::optional<QRect>& r) {
    if (!r)
        return "none";
    return QStringLiteral("%1,%2 %3x%4")
        .arg(r->x())
        .arg(r->y())
        .arg(r->width())
        .arg(r->height())
        .toStdString();
}

struct DialogCase {
    const char* title;
    QStringList keys; // from the main window
};

} // namespace

TEST_F(DesktopTest, EachLeftClickTogglesTheWindowSoADoubleClickTogglesTwice) {
    // A double click leaves the window as it was; the single click after it
    // shows that it did.
    const TrayClick clicks[] = {{false, false}, {false, true}, {true, true}, {false, false}};
    auto player = startPlayer();
    const auto icon = iconOfShownPlayer();
    ASSERT_TRUE(icon.has_value()) << "the icon is installed at creation";
    for (const TrayClick& click : clicks) {
        SCOPED_TRACE(click.doubleClick ? "double click" : "click");
        if (click.doubleClick) {
            desktop_.doubleClick(*icon);
        } else {
            desktop_.click(*icon, 1);
            EXPECT_TRUE(desktop_.waitForWindowVisible(kTitle, click.visibleAfter, kTimeoutMs));
        }
        QThread::msleep(kSeparateClickGapMs);
    }
    EXPECT_EQ(terminate(*player, kTimeoutMs).exitCode, 1);
}

TEST_F(DesktopTest, OtherButtonsLeaveTheWindowAlone) {
    auto player = startPlayer();
    const auto icon = iconOfShownPlayer();
    ASSERT_TRUE(icon.has_value());

    desktop_.click(*icon, 3);
    desktop_.click(*icon, 2);
    // A left click afterwards still hides, so the earlier clicks reached the
    // icon and were ignored rather than lost.
    EXPECT_TRUE(desktop_.windowVisible(kTitle));
    desktop_.click(*icon, 1);
    EXPECT_TRUE(desktop_.waitForWindowVisible(kTitle, false, kTimeoutMs));
    EXPECT_EQ(terminate(*player, kTimeoutMs).exitCode, 1);
}

TEST_F(DesktopTest, TheIconGoesAwayWithTheProgram) {
    auto player = startPlayer();
    ASSERT_TRUE(desktop_.waitForTrayIcon(kWindowClass, kTimeoutMs).has_value());
    EXPECT_EQ(terminate(*player, kTimeoutMs).exitCode, 1);
    EXPECT_TRUE(desktop_.waitForTrayIconGone(kWindowClass, kTimeoutMs));
}

TEST_F(DesktopTest, AHiddenWindowStillTakesTheHandOverOfASecondStart) {
    auto first = startSingleInstanceHiddenInTheTray();
    ASSERT_TRUE(first);

    auto second = sandbox_.start({sandbox_.folder() + "/"});
    const RunResult firstResult = first->wait(kTimeoutMs);
    ASSERT_TRUE(firstResult.finished) << "the hidden first instance was found and closed";
    EXPECT_EQ(firstResult.exitCode, 1);
    ASSERT_TRUE(waitUntilReady(*second, kTimeoutMs));
    EXPECT_TRUE(desktop_.waitForWindowVisible(kTitle, true, kTimeoutMs));
    EXPECT_EQ(terminate(*second, kTimeoutMs).exitCode, 1);
}

TEST_F(LateTrayTest, ATrayHostThatStartsAfterThePlayerShowsTheIconWithItsTip) {
    auto player = startPlayer();
    ASSERT_TRUE(desktop_.waitForWindowVisible(kTitle, true, kTimeoutMs));
    ASSERT_TRUE(desktop_.startTray());
    const auto icon = iconOfShownPlayer();
    ASSERT_TRUE(icon.has_value()) << "the icon appears in the tray that came later";
    const int windows = desktop_.visibleWindowCount(kWindowClass.toLower());
    desktop_.hover(*icon);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return desktop_.visibleWindowCount(kWindowClass.toLower()) > windows; }, kTimeoutMs))
        << "resting on the icon shows its tip";
    desktop_.click(*icon, 1);
    EXPECT_TRUE(desktop_.waitForWindowVisible(kTitle, false, kTimeoutMs));
    EXPECT_EQ(terminate(*player, kTimeoutMs).exitCode, 1);
}

TEST_F(LateTrayTest, ASignalWhileAStartUpMessageShowsEndsTheProgram) {
    // A file named on the command line that cannot be opened shows its
    // message before the program's own event loop runs.
    const QString broken = sandbox_.folder() + "/01 - Intro.mp3";
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(64 * 1024, '\x5a'));
    file.close();
    sandbox_.environment().remove("QUAVERLY_MESSAGE_LOG");
    auto player = startPlayer({broken});
    const QString windowClass = kWindowClass.toLower();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return desktop_.visibleWindowCount(windowClass) >= 2; }, kTimeoutMs))
        << "the window and its message box show";
    const RunResult result = terminate(*player, kTimeoutMs);
    ASSERT_TRUE(result.finished) << "the program ends instead of running on without a window";
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(sandbox_.readIni().contains("_Volume=")) << "settings saved";
}

TEST_F(WindowManagerTest, TheDialogsOfferOnlyTheirCloseButton) {
    const DialogCase cases[] = {
        {"設定", {"F10", "Return"}},
        {"バージョン情報", {"F10", "Left", "Return"}},
    };
    auto player = startPlayer();
    ASSERT_TRUE(desktop_.waitForWindowVisible(kTitle, true, kTimeoutMs));
    const QString frameActions = desktop_.windowProperty(kTitle, "_NET_WM_ALLOWED_ACTIONS");
    EXPECT_TRUE(frameActions.contains("_NET_WM_ACTION_MINIMIZE")) << frameActions.toStdString();
    for (const DialogCase& c : cases) {
        SCOPED_TRACE(c.title);
        desktop_.typeKeys(kTitle, c.keys);
        ASSERT_TRUE(desktop_.waitForWindowVisible(c.title, true, kTimeoutMs));
        const QString actions = desktop_.windowProperty(c.title, "_NET_WM_ALLOWED_ACTIONS");
        EXPECT_TRUE(actions.contains("_NET_WM_ACTION_CLOSE")) << actions.toStdString();
        EXPECT_FALSE(actions.contains("_NET_WM_ACTION_MINIMIZE")) << actions.toStdString();
        EXPECT_FALSE(actions.contains("_NET_WM_ACTION_MAXIMIZE")) << actions.toStdString();
        desktop_.typeKeys(c.title, {"Escape"});
        EXPECT_TRUE(desktop_.waitForWindowVisible(c.title, false, kTimeoutMs));
    }
    EXPECT_EQ(terminate(*player, kTimeoutMs).exitCode, 1);
}

TEST_F(DesktopTest, AFileDraggedFromAnotherProgramPlays) {
    const QString album = sandbox_.folder() + "/Album A";
    QDir().mkpath(album);
    const QString song = album + "/2 - b.mp3";
    ASSERT_TRUE(QFile::copy(QString::fromStdString(fixture("tone_1k_3s.mp3")), song));
    const QString playLog = sandbox_.folder() + "/played.log";
    sandbox_.environment().insert("QUAVERLY_PLAY_LOG", playLog);
    auto player = startPlayer();
    ASSERT_TRUE(desktop_.waitForWindowVisible(kTitle, true, kTimeoutMs));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", desktop_.display());
    env.insert("QT_QPA_PLATFORM", "xcb");
    BackgroundProcess source(QString::fromStdString(binaryDir()) + "/tests/qv_drag_source", {song},
                             env);
    ASSERT_TRUE(desktop_.waitForWindowVisible("drag source", true, kTimeoutMs));
    const auto from = desktop_.windowGeometry("drag source");
    const auto to = desktop_.windowGeometry(kTitle);
    ASSERT_TRUE(from && to);
    desktop_.drag(from->center(), to->center());
    EXPECT_TRUE(waitForFileContaining(playLog, song, kTimeoutMs)) << "the dropped file plays";
    EXPECT_EQ(terminate(*player, kTimeoutMs).exitCode, 1);
}

TEST(DesktopGeometryTest, ARestartAfterAMoveAndAResizeKeepsTheWindowWhereItWas) {
    for (const char* windowManager : {"openbox", "fluxbox"}) {
        SCOPED_TRACE(windowManager);
        VirtualDesktop desktop({.tray = false, .windowManager = windowManager});
        ASSERT_TRUE(desktop.running());
        PlayerSandbox sandbox;
        sandbox.environment().insert("QT_QPA_PLATFORM", "xcb");
        sandbox.environment().insert("DISPLAY", desktop.display());
        const QRect stored(100, 80, 520, 400);
        sandbox.writeIni("[Quaverly]\n_WndX=100\n_WndY=80\n_WndCX=520\n_WndCY=400\n");

        // Each start shows the stored rectangle, frame and all.
        auto player = sandbox.start({});
        ASSERT_TRUE(waitUntilReady(*player, kTimeoutMs));
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return desktop.outerGeometry(kTitle) == stored; }, kTimeoutMs))
            << Describe(desktop.outerGeometry(kTitle));
        desktop.placeWindow(kTitle, QPoint(160, 120), QSize(600, 450));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                const auto now = desktop.windowGeometry(kTitle);
                return now && now->size() == QSize(600, 450);
            },
            kTimeoutMs));
        const std::optional<QRect> moved = desktop.outerGeometry(kTitle);
        ASSERT_EQ(terminate(*player, kTimeoutMs).exitCode, 1);
        const QRect saved = StoredGeometry(sandbox.readIni());
        EXPECT_EQ(Describe(saved), Describe(moved)) << "the outer rectangle is stored";

        for (int start = 0; start < 2; ++start) {
            SCOPED_TRACE(start);
            auto again = sandbox.start({});
            ASSERT_TRUE(waitUntilReady(*again, kTimeoutMs));
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return desktop.outerGeometry(kTitle) == saved; }, kTimeoutMs))
                << Describe(desktop.outerGeometry(kTitle));
            ASSERT_EQ(terminate(*again, kTimeoutMs).exitCode, 1);
            EXPECT_EQ(Describe(StoredGeometry(sandbox.readIni())), Describe(saved));
        }
    }
}

TEST_F(DesktopTest, ASecondStartWithNothingToOpenShowsTheHiddenWindow) {
    auto first = startSingleInstanceHiddenInTheTray();
    ASSERT_TRUE(first);

    auto second = sandbox_.start({});
    const RunResult secondResult = second->wait(kTimeoutMs);
    ASSERT_TRUE(secondResult.finished);
    EXPECT_EQ(secondResult.exitCode, 0) << "the second start ends at once, as before";
    EXPECT_TRUE(desktop_.waitForWindowVisible(kTitle, true, kTimeoutMs))
        << "the first instance shows its window";
    EXPECT_EQ(terminate(*first, kTimeoutMs).exitCode, 1) << "and runs on";
}

TEST_F(WindowManagerTest, ASecondStartWithNothingToOpenRestoresTheMinimisedWindow) {
    sandbox_.writeIni("[Quaverly]\nGeneral_NoMultiInst=1\n");
    auto first = startPlayer();
    ASSERT_TRUE(desktop_.waitForWindowVisible(kTitle, true, kTimeoutMs));
    desktop_.minimize(kTitle);
    ASSERT_TRUE(desktop_.waitForWindowVisible(kTitle, false, kTimeoutMs));

    auto second = sandbox_.start({});
    const RunResult secondResult = second->wait(kTimeoutMs);
    ASSERT_TRUE(secondResult.finished);
    EXPECT_EQ(secondResult.exitCode, 0);
    EXPECT_TRUE(desktop_.waitForWindowVisible(kTitle, true, kTimeoutMs));
    EXPECT_EQ(terminate(*first, kTimeoutMs).exitCode, 1);
}
