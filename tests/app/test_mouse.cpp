// The mouse on the frame: a left click puts the position bar or the volume
// bar at the clicked point (the keys keep their steps), and a file, folder,
// playlist or URL dropped on the window opens as on the command line.
#include "frame_fixture.h"

#include "app/seek_bar.h"
#include "browser/form_view.h"
#include "platform/file_name.h"
#include "platform/shell_path.h"
#include "res/resource_ids.h"
#include "support/fixtures.h"
#include "tracklist/list_view.h"
#include "tracklist/row_location.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QStyleOptionSlider>
#include <QTest>
#include <filesystem>
#include <functional>

namespace {

// The point of the bar whose click puts the thumb's centre on value.
QPoint PointOf(const QSlider& bar, int value) {
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.orientation = bar.orientation();
    option.minimum = bar.minimum();
    option.maximum = bar.maximum();
    option.sliderPosition = option.sliderValue = bar.sliderPosition();
    const QStyle* style = bar.style();
    const QRect groove =
        style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, &bar);
    const QRect thumb =
        style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &bar);
    const int span = groove.width() - thumb.width();
    return {groove.x() + thumb.width() / 2 +
                QStyle::sliderPositionFromValue(bar.minimum(), bar.maximum(), value, span),
            bar.height() / 2};
}

double PositionSeconds(HSTREAM stream) {
    return BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
}

class MouseTest : public FrameTest {
protected:
    // A paused 20-second track, so that positions stay where they are put.
    app::CMainFrame& createPlaying() {
        setenv("QUAVERLY_AUDIO", "null", 1);
        auto& f = create();
        const std::string path = dir.file("01 - Intro.mp3");
        std::filesystem::copy_file(testsupport::fixture("tone_1k_20s.mp3"), path);
        f.trackList()->AppendRow(QString::fromStdString(path), "01 - Intro.mp3");
        f.trackList()->SetCurrentRow(0);
        f.OnCommand(res::ID_PLAY_PLAYPAUSE);
        f.OnCommand(res::ID_PLAY_PLAYPAUSE);
        f.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&f));
        return f;
    }
};

struct ClickCase {
    bool positionBar;
    int target; // seconds or percent
};

// A drop as a file manager or a browser makes it: a text/uri-list, or plain
// text alone.
struct DropCase {
    const char* what;
    std::function<QString(const QString& folder)> item; // URL or text of the drop
    bool asText;
    bool accepted;
    const char* playing;           // the file name that plays, "" for none
    std::vector<const char*> rows; // the row names afterwards
};

// A file URL of a path's bytes, percent-encoded as file managers send it.
QString FileUrlOf(const QByteArray& pathBytes) {
    return "file://" + QString::fromLatin1(pathBytes.toPercentEncoding("/"));
}

// Drags data over the track list and drops it there, as a file manager does;
// false when the window refused it at the drag's entry.
bool DropOnTheList(app::CMainFrame& f, QMimeData& data) {
    const QPoint onTheList = f.trackList()->mapTo(&f, f.trackList()->rect().center());
    QDragEnterEvent enter(onTheList, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&f, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(onTheList), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&f, &drop);
    EXPECT_TRUE(drop.isAccepted());
    return true;
}

struct KeyCase {
    bool positionBar;
    Qt::Key key;
    int step;
};

} // namespace

TEST_F(MouseTest, ALeftClickPutsEachBarAtTheClickedPoint) {
    auto& f = createPlaying();
    ASSERT_EQ(f.positionBar()->maximum(), 20);
    const ClickCase cases[] = {{true, 15}, {true, 5}, {false, 30}, {false, 90}};
    for (const ClickCase& c : cases) {
        QSlider* bar = c.positionBar ? static_cast<QSlider*>(f.positionBar()) : f.volumeBar();
        SCOPED_TRACE((c.positionBar ? "position " : "volume ") + std::to_string(c.target));
        QTest::mouseClick(bar, Qt::LeftButton, {}, PointOf(*bar, c.target));
        EXPECT_NEAR(bar->value(), c.target, 1);
        if (c.positionBar) {
            EXPECT_NEAR(PositionSeconds(f.engine().stream()), bar->value(), 0.05);
        } else {
            EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_GVOL_STREAM), DWORD(bar->value()) * 100);
        }
    }
}

TEST_F(MouseTest, AClickOnThePositionBarWithoutAThumbDoesNothing) {
    auto& f = createPlaying();
    f.OnCommand(res::ID_PLAY_STOP);
    ASSERT_FALSE(f.positionBar()->thumbVisible());
    QTest::mouseClick(f.positionBar(), Qt::LeftButton, {}, PointOf(*f.positionBar(), 15));
    EXPECT_EQ(f.positionBar()->value(), 0);
}

TEST_F(MouseTest, TheKeysKeepTheirStepsOnBothBars) {
    auto& f = createPlaying();
    f.positionBar()->setValue(10);
    f.volumeBar()->setValue(50);
    const KeyCase cases[] = {{true, Qt::Key_Right, 1},      {true, Qt::Key_Left, -1},
                             {true, Qt::Key_PageUp, 0},     {false, Qt::Key_Left, -1},
                             {false, Qt::Key_PageDown, -4}, {false, Qt::Key_PageUp, 4}};
    for (const KeyCase& c : cases) {
        QSlider* bar = c.positionBar ? static_cast<QSlider*>(f.positionBar()) : f.volumeBar();
        SCOPED_TRACE(QKeySequence(c.key).toString().toStdString());
        bar->setFocus();
        const int before = bar->value();
        QTest::keyClick(bar, c.key);
        EXPECT_EQ(bar->value(), before + c.step);
        if (c.positionBar) {
            EXPECT_NEAR(PositionSeconds(f.engine().stream()), bar->value(), 0.05);
        }
    }
}

TEST_F(FrameTest, ADroppedFileFolderPlaylistOrUrlOpensAsOnTheCommandLine) {
    setenv("QUAVERLY_AUDIO", "null", 1);
    const QString album = QString::fromStdString(dir.path()) + "/Album A";
    for (const char* name : {"01 - Intro.mp3", "2 - b.mp3", "10 - a.mp3"})
        dir.write(std::string("Album A/") + name,
                  testsupport::readFile(testsupport::fixture("tone_1k_3s.mp3")));
    dir.write("Album A/best.m3u", "10 - a.mp3\r\n01 - Intro.mp3\r\n");
    const DropCase cases[] = {
        {"a file",
         [](const QString& a) { return FileUrlOf(QFile::encodeName(a + "/2 - b.mp3")); },
         false,
         true,
         "2 - b.mp3",
         {"01 - Intro.mp3", "10 - a.mp3", "2 - b.mp3"}},
        {"a folder",
         [](const QString& a) { return FileUrlOf(QFile::encodeName(a)); },
         false,
         true,
         "",
         {"01 - Intro.mp3", "10 - a.mp3", "2 - b.mp3"}},
        {"a playlist",
         [](const QString& a) { return FileUrlOf(QFile::encodeName(a + "/best.m3u")); },
         false,
         true,
         "10 - a.mp3",
         {"10 - a.mp3", "01 - Intro.mp3"}},
        {"a path as plain text",
         [](const QString& a) { return a + "/best.m3u"; },
         true,
         true,
         "10 - a.mp3",
         {"10 - a.mp3", "01 - Intro.mp3"}},
        {"a station's URL from a browser",
         [](const QString&) { return QStringLiteral("http://127.0.0.1:9/stream.mp3"); },
         false,
         true,
         "",
         {""}},
        {"an ftp URL",
         [](const QString&) { return QStringLiteral("ftp://127.0.0.1/a.mp3"); },
         false,
         false,
         "",
         {}},
        {"a relative path",
         [](const QString&) { return QStringLiteral("Album A/2 - b.mp3"); },
         true,
         false,
         "",
         {}},
    };
    for (const DropCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto& f = create();
        QMimeData data;
        if (c.asText)
            data.setText(c.item(album));
        else
            data.setUrls({QUrl::fromEncoded(c.item(album).toLatin1())});
        EXPECT_EQ(DropOnTheList(f, data), c.accepted);
        QStringList expected;
        for (const char* name : c.rows)
            expected.append(QString::fromUtf8(name));
        expected.sort();
        const auto rows = [&] {
            QStringList names;
            for (int row = 0; row < f.trackList()->RowCount(); ++row)
                names.append(f.trackList()->GetName(row));
            names.sort();
            return names;
        };
        const QString expectedPlaying = QString::fromUtf8(c.playing);
        const auto playing = [&] {
            return platform::namePart(f.engine().stream() ? f.engine().trackLocation() : QString());
        };
        // A folder loads in the background: wait for its rows and its play.
        (void)QTest::qWaitFor([&] { return rows() == expected && playing() == expectedPlaying; },
                              10000);
        EXPECT_EQ(rows(), expected);
        EXPECT_EQ(playing(), expectedPlaying);
        frame.reset();
    }
}

TEST_F(FrameTest, ADroppedFileWhoseNameIsNotUtf8PlaysThatFile) {
    setenv("QUAVERLY_AUDIO", "null", 1);
    const std::string mp3 = testsupport::readFile(testsupport::fixture("tone_1k_3s.mp3"));
    for (const char* name : {"caf\xE9.mp3", "\x83\x65\x83\x58\x83\x67.mp3"}) {
        SCOPED_TRACE(name);
        const QByteArray path =
            QByteArray::fromStdString(dir.write(std::string("Old/") + name, mp3));
        auto& f = create();
        QMimeData data;
        data.setUrls({QUrl::fromEncoded(FileUrlOf(path).toLatin1())});
        ASSERT_TRUE(DropOnTheList(f, data));
        ASSERT_TRUE(QTest::qWaitFor([&] { return f.engine().stream() != 0; }, 5000));
        EXPECT_EQ(platform::encodeFileName(tracklist::FromRowLocation(f.engine().trackLocation())),
                  path);
        frame.reset();
    }
}
