// The main frame: its controls, texts, menus, keys and window behaviour.
#include "frame_fixture.h"

#include "app/keyboard_accelerators.h"
#include "app/seek_bar.h"
#include "res/resource_ids.h"
#include "settings/ini_file.h"
#include "tracklist/list_view.h"

#include <QAction>
#include <QComboBox>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>
#include <QToolBar>

namespace {

QStringList MenuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* action : menu->actions())
        texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

} // namespace

TEST_F(FrameTest, BuildsTheMenusWithTheirExactTexts) {
    auto& f = create();
    const QList<QAction*> popups = f.frameMenuBar()->actions();
    ASSERT_EQ(popups.size(), 3);
    EXPECT_EQ(popups[0]->text(), "ファイル");
    EXPECT_EQ(popups[1]->text(), "演奏");
    EXPECT_EQ(popups[2]->text(), "ヘルプ");
    EXPECT_EQ(MenuTexts(popups[0]->menu()),
              (QStringList{"設定", "-", "イコライザ", "コンプレッサ", "リバーブ", "-", "終了"}));
    EXPECT_EQ(MenuTexts(popups[1]->menu()),
              (QStringList{"再生/一時停止\tSpace", "停止", "前へ\t,", "次へ\t.", "スキップ"}));
    EXPECT_EQ(MenuTexts(popups[2]->menu()), QStringList{"バージョン情報"});
    for (QAction* popup : popups) {
        for (QAction* item : popup->menu()->actions()) {
            EXPECT_FALSE(item->isChecked());
            EXPECT_TRUE(item->isEnabled());
        }
    }
    EXPECT_EQ(f.commandAction(res::ID_PLAY_SKIP)->data().toInt(), 0x8009);
    EXPECT_EQ(f.commandAction(res::ID_APP_ABOUT)->data().toInt(), 0xE140);
}

TEST_F(FrameTest, BuildsTheBarsWithTheirInitialState) {
    auto& f = create();
    EXPECT_EQ(f.windowTitle(), "Quaverly");
    EXPECT_TRUE(f.titleLabel()->text().isEmpty());
    EXPECT_EQ(f.titleLabel()->textFormat(), Qt::PlainText);
    EXPECT_FALSE(f.positionBar()->thumbVisible());
    EXPECT_EQ(f.positionBar()->pageStep(), 0);
    EXPECT_EQ(f.volumeBar()->minimum(), 0);
    EXPECT_EQ(f.volumeBar()->maximum(), 100);
    EXPECT_EQ(f.volumeBar()->pageStep(), 4);
    EXPECT_EQ(f.volumeBar()->value(), 100);
    QStringList orders;
    for (int i = 0; i < f.orderBox()->count(); ++i)
        orders.append(f.orderBox()->itemText(i));
    EXPECT_EQ(orders, (QStringList{"全曲", "全曲リピート", "1曲", "1曲リピート", "ランダム"}));
    std::vector<int> buttons;
    for (QAction* action : f.toolBar()->actions())
        buttons.push_back(action->data().toInt());
    EXPECT_EQ(buttons, (std::vector<int>{res::ID_PLAY_PLAYPAUSE, res::ID_PLAY_STOP,
                                         res::ID_PLAY_PREV, res::ID_PLAY_NEXT}));
    EXPECT_FALSE(f.playPauseShowsPause());
    EXPECT_FALSE(f.positionTimerActive());
}

TEST_F(FrameTest, OpensWithTheDefaultsWhenThereIsNoSettingsFile) {
    auto& f = create();
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(f.frameGeometry().size(), QSize(480, 360));
    EXPECT_EQ(f.frameGeometry().topLeft(),
              QPoint((screen.width() - 480) / 2, (screen.height() - 360) / 2));
    EXPECT_EQ(f.volumeBar()->value(), 100);
    EXPECT_EQ(f.orderBox()->currentIndex(), 0);
    EXPECT_EQ(f.SplitterPos(), 160);
    EXPECT_EQ(f.TrackColumnWidth(1), 30);
    EXPECT_EQ(f.TrackColumnWidth(2), 240);
    EXPECT_FALSE(f.commandAction(res::ID_FILE_EQUALIZER)->isChecked());
    EXPECT_TRUE(f.isVisible());
}

TEST_F(FrameTest, AppliesStoredValuesAsTheControlsTakeThem) {
    writeIni("[Quaverly]\n_Column1CX=70000\n_Order=7\n_Volume=37\n_WndX=5000\n_WndY=20\n"
             "_SplitterPos=210\nDSP_EnableComp=1\n");
    auto& f = create();
    EXPECT_EQ(f.TrackColumnWidth(1), 4464);
    EXPECT_EQ(f.orderBox()->currentIndex(), -1);
    EXPECT_EQ(f.volumeBar()->value(), 37);
    EXPECT_EQ(f.frameGeometry().topLeft(), QPoint(5000, 20)); // outside every screen
    EXPECT_EQ(f.SplitterPos(), 210);
    EXPECT_TRUE(f.commandAction(res::ID_FILE_COMPRESSOR)->isChecked());
    EXPECT_FALSE(f.commandAction(res::ID_FILE_REVERB)->isChecked());
    f.Save();
    const settings::IniFile ini(iniPath());
    EXPECT_EQ(ini.ReadInt("_Order", 0), -1);
    EXPECT_EQ(ini.ReadInt("_Volume", 0), 37);
    EXPECT_EQ(ini.ReadInt("_Column1CX", 0), 4464);
    EXPECT_EQ(ini.ReadInt("_SplitterPos", 0), 210);
}

TEST_F(FrameTest, SavesTheRestoredRectangleOfAMaximisedWindow) {
    writeIni("[Quaverly]\n_WndX=30\n_WndY=40\n_WndCX=500\n_WndCY=300\n_WndMax=1\n");
    auto& f = create();
    EXPECT_TRUE(f.isMaximized());
    f.Save();
    const settings::IniFile ini(iniPath());
    EXPECT_EQ(ini.ReadInt("_WndMax", 0), 1);
    EXPECT_EQ(ini.ReadInt("_WndX", 0), 30);
    EXPECT_EQ(ini.ReadInt("_WndY", 0), 40);
    EXPECT_EQ(ini.ReadInt("_WndCX", 0), 500);
    EXPECT_EQ(ini.ReadInt("_WndCY", 0), 300);
}

TEST_F(FrameTest, TheBrowserKeepsItsWidthWhenTheFrameGrows) {
    auto& f = create();
    f.SetSplitterPos(200);
    f.resize(900, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.SplitterPos(), 200);
    f.resize(600, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.SplitterPos(), 200);
}

TEST_F(FrameTest, ATitleWithAnAmpersandShowsTheAmpersand) {
    auto& f = create();
    f.titleLabel()->setText("Rock & Roll");
    EXPECT_EQ(f.titleLabel()->text(), "Rock & Roll");
    EXPECT_EQ(f.titleLabel()->textFormat(), Qt::PlainText);
}

TEST_F(FrameTest, MinimisingWithoutATrayKeepsAWayBack) {
    auto& f = create();
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()); // offscreen has no tray
    f.showMinimized();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.isVisible());
}

TEST_F(FrameTest, CommandsWithoutAHandlerAreIgnored) {
    auto& f = create();
    for (int id : {0xE122, 0xE123, 0xE125, 0xE12B, 0xE100, 0xE101, 0xE107, 0xE103, 0xE150, 0xE151})
        EXPECT_FALSE(f.HasCommandHandler(id));
    for (int id :
         {res::ID_PLAY_PLAYPAUSE, res::ID_PLAY_STOP, res::ID_PLAY_PREV, res::ID_PLAY_NEXT,
          res::ID_PLAY_SKIP, res::ID_FILE_SETTINGS, res::ID_FILE_EQUALIZER, res::ID_FILE_COMPRESSOR,
          res::ID_FILE_REVERB, res::ID_APP_ABOUT, res::ID_APP_EXIT})
        EXPECT_TRUE(f.HasCommandHandler(id));
    f.OnCommand(0xE122);
    f.OnCommand(12345);
    EXPECT_TRUE(f.isVisible());
}

// Many windows come and go in one process (the tests, a frame that failed to
// start): only closing one ends the application.
TEST_F(FrameTest, DestroyingTheWindowLeavesLaterEventLoopsRunning) {
    create();
    frame.reset();
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&loop] { loop.exit(5); });
    EXPECT_EQ(loop.exec(), 5) << "a modal dialog opened now would close before it shows";
}

TEST_F(FrameTest, TogglingAnEffectWritesTheKeyAndTheCheckMark) {
    auto& f = create();
    f.OnCommand(res::ID_FILE_EQUALIZER);
    EXPECT_TRUE(f.commandAction(res::ID_FILE_EQUALIZER)->isChecked());
    EXPECT_EQ(settings::IniFile(iniPath()).ReadInt("DSP_EnableEq", 0), 1);
    // Triggered from the menu the same way: the item flips back.
    f.commandAction(res::ID_FILE_EQUALIZER)->trigger();
    EXPECT_FALSE(f.commandAction(res::ID_FILE_EQUALIZER)->isChecked());
    EXPECT_EQ(settings::IniFile(iniPath()).ReadInt("DSP_EnableEq", 1), 0);
}

TEST_F(FrameTest, VolumeBarSetsTheGlobalStreamVolumeAndItsTip) {
    auto& f = create();
    f.volumeBar()->setSliderPosition(37);
    f.volumeBar()->triggerAction(QAbstractSlider::SliderMove);
    EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_GVOL_STREAM), 3700u);
    EXPECT_EQ(f.ToolTipText(res::IDC_VOLUME), "37%");
    EXPECT_EQ(f.ToolTipText(res::IDC_POSITION), ""); // nothing plays
    EXPECT_EQ(f.ToolTipText(res::IDC_ORDER), "");
}

// Keys of the accelerator table act anywhere in the window, before the
// focused control sees them.
TEST(KeyboardAccelerators, ReachTheFrameWhileAnotherControlHasTheFocus) {
    QWidget window;
    auto* combo = new QComboBox(&window);
    combo->addItems({"a", "b"});
    auto* list = new QListWidget(&window);
    list->addItems({"x", "y", "z"});
    list->move(0, 40);
    std::vector<int> received;
    app::KeyboardAccelerators keys(&window, [&](int id) { received.push_back(id); });
    window.show();
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Space);
    list->setFocus();
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Period);
    QTest::keyClick(list, Qt::Key_Comma);
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_F6, Qt::ShiftModifier);
    QTest::keyClick(list, Qt::Key_Down); // not in the table: the list takes it
    EXPECT_EQ(received, (std::vector<int>{res::ID_PLAY_PLAYPAUSE, res::ID_PLAY_NEXT,
                                          res::ID_PLAY_PREV, 0xE122, 0xE151}));
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(combo->currentIndex(), 0);
}

TEST(KeyboardAccelerators, LeaveOtherWindowsAlone) {
    QWidget window;
    QWidget other;
    auto* field = new QComboBox(&other);
    std::vector<int> received;
    app::KeyboardAccelerators keys(&window, [&](int id) { received.push_back(id); });
    other.show();
    QTest::keyClick(field, Qt::Key_Space);
    EXPECT_TRUE(received.empty());
}

namespace {
bool IsUniform(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != image.pixel(0, 0))
                return false;
    return true;
}
} // namespace

TEST_F(FrameTest, ThePositionBarDrawsItsGrooveWithAndWithoutTheThumb) {
    auto& f = create();
    const QImage without = f.positionBar()->grab().toImage();
    f.SetSeekThumb(true);
    const QImage with = f.positionBar()->grab().toImage();
    EXPECT_FALSE(IsUniform(without));
    EXPECT_NE(with, without);
}

namespace {
// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Tells where the style puts the thumb for a value.
class ProbedSeekBar : public app::SeekBar {
public:
    int thumbXAt(int value) const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        option.sliderPosition = option.sliderValue = value;
        return style()
            ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this)
            .x();
    }
};
} // namespace

TEST(SeekBar, RepaintsOnlyWhenTheThumbMoves) {
    ProbedSeekBar bar;
    bar.setRange(0, 600); // a ten-minute track, in seconds
    bar.resize(200, 20);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    QApplication::processEvents();
    PaintCounter counter;
    bar.installEventFilter(&counter);
    // The first second that moves the thumb off its first pixel.
    int moving = 1;
    while (bar.thumbXAt(moving) == bar.thumbXAt(0))
        ++moving;
    ASSERT_GT(moving, 1) << "the bar is too wide for this check";

    bar.setValue(moving - 1);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 0) << "the thumb stayed on its pixel";
    bar.setValue(moving + 5);
    QTRY_VERIFY_WITH_TIMEOUT(counter.paints > 0, 2000);
    // Hiding the thumb repaints even without a move.
    counter.paints = 0;
    bar.setThumbVisible(false);
    QTRY_VERIFY_WITH_TIMEOUT(counter.paints > 0, 2000);
}
