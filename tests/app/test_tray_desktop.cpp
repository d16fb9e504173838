// The tray icon on a desktop that has a notification area: the real program
// on a private X display with a real tray host, clicked with the pointer.
#include "support/player_sandbox.h"
#include "support/servers/virtual_desktop.h"

#include <QStandardPaths>
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

class TrayDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
            QStandardPaths::findExecutable("trayer").isEmpty() ||
            QStandardPaths::findExecutable("xdotool").isEmpty())
            GTEST_SKIP() << "Xvfb, trayer or xdotool is not installed";
        ASSERT_TRUE(desktop_.running()) << "the X display or its tray did not come up";
        sandbox_.environment().insert("QT_QPA_PLATFORM", "xcb");
        sandbox_.environment().insert("DISPLAY", desktop_.display());
    }

    std::unique_ptr<BackgroundProcess> startPlayer(const QStringList& args = {}) {
        auto player = sandbox_.start(args);
        EXPECT_TRUE(waitUntilReady(*player, kTimeoutMs));
        return player;
    }

    VirtualDesktop desktop_;
    PlayerSandbox sandbox_;
};

} // namespace

TEST_F(TrayDesktopTest, ALeftClickHidesAndASecondRestoresTheWindow) {
    auto player = startPlayer();
    const auto icon = desktop_.waitForTrayIcon(kWindowClass, kTimeoutMs);
    ASSERT_TRUE(icon.has_value()) << "the icon is installed at creation";
    ASSERT_TRUE(desktop_.waitForWindowVisible(kTitle, true, kTimeoutMs));

    desktop_.click(*icon, 1);
    EXPECT_TRUE(desktop_.waitForWindowVisible(kTitle, false, kTimeoutMs));
    QThread::msleep(kSeparateClickGapMs);
    desktop_.click(*icon, 1);
    EXPECT_TRUE(desktop_.waitForWindowVisible(kTitle, true, kTimeoutMs));
    EXPECT_EQ(terminate(*player, kTimeoutMs).exitCode, 1);
}

TEST_F(TrayDesktopTest, OtherButtonsLeaveTheWindowAlone) {
    auto player = startPlayer();
    const auto icon = desktop_.waitForTrayIcon(kWindowClass, kTimeoutMs);
    ASSERT_TRUE(icon.has_value());
    ASSERT_TRUE(desktop_.waitForWindowVisible(kTitle, true, kTimeoutMs));

    desktop_.click(*icon, 3);
    desktop_.click(*icon, 2);
    // A left click afterwards still hides, so the earlier clicks reached the
    // icon and were ignored rather than lost.
    EXPECT_TRUE(desktop_.windowVisible(kTitle));
    desktop_.click(*icon, 1);
    EXPECT_TRUE(desktop_.waitForWindowVisible(kTitle, false, kTimeoutMs));
    EXPECT_EQ(terminate(*player, kTimeoutMs).exitCode, 1);
}

TEST_F(TrayDesktopTest, TheIconGoesAwayWithTheProgram) {
    auto player = startPlayer();
    ASSERT_TRUE(desktop_.waitForTrayIcon(kWindowClass, kTimeoutMs).has_value());
    EXPECT_EQ(terminate(*player, kTimeoutMs).exitCode, 1);
    EXPECT_TRUE(desktop_.waitForTrayIconGone(kWindowClass, kTimeoutMs));
}

TEST_F(TrayDesktopTest, AHiddenWindowStillTakesTheHandOverOfASecondStart) {
    sandbox_.writeIni("[Quaverly]\nGeneral_NoMultiInst=1\n");
    auto first = startPlayer();
    const auto icon = desktop_.waitForTrayIcon(kWindowClass, kTimeoutMs);
    ASSERT_TRUE(icon.has_value());
    desktop_.click(*icon, 1);
    ASSERT_TRUE(desktop_.waitForWindowVisible(kTitle, false, kTimeoutMs));

    auto second = sandbox_.start({sandbox_.folder() + "/"});
    const RunResult firstResult = first->wait(kTimeoutMs);
    ASSERT_TRUE(firstResult.finished) << "the hidden first instance was found and closed";
    EXPECT_EQ(firstResult.exitCode, 1);
    ASSERT_TRUE(waitUntilReady(*second, kTimeoutMs));
    EXPECT_TRUE(desktop_.waitForWindowVisible(kTitle, true, kTimeoutMs));
    EXPECT_EQ(terminate(*second, kTimeoutMs).exitCode, 1);
}
