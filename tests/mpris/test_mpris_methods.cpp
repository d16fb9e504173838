// The Player and root methods: each moves the player as the matching button,
// bar or menu item does, because each goes through the frame's own path.
#include "mpris_fixture.h"

#include "app/seek_bar.h"
#include "settings/ini_file.h"
#include "tracklist/row_location.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QUrl>
#include <cmath>
#include <limits>

using testsupport::kRoot;

namespace {
constexpr qint64 kSecond = 1000000;
}

TEST_F(MprisTest, PlayPauseAndStopActAsTheToolbarButtons) {
    auto& f = startPlayer();
    f.trackList()->SetCurrentRow(1);
    client->call("PlayPause");
    ASSERT_NE(f.engine().stream(), 0u);
    EXPECT_EQ(engineState(), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
    EXPECT_EQ(marks(), (QStringList{"", ">", ""}));
    EXPECT_TRUE(f.playPauseShowsPause());
    EXPECT_TRUE(f.positionTimerActive());
    EXPECT_EQ(f.positionBar()->maximum(), 10);
    EXPECT_EQ(settings::IniFile(iniPath()).ReadString("_LastPlayed", ""), rowPath("b.wav"));

    client->call("PlayPause");
    EXPECT_EQ(engineState(), static_cast<DWORD>(BASS_ACTIVE_PAUSED));
    EXPECT_EQ(marks(), (QStringList{"", "<", ""}));
    EXPECT_FALSE(f.playPauseShowsPause());

    client->call("Stop");
    EXPECT_EQ(f.engine().stream(), 0u);
    EXPECT_EQ(marks(), (QStringList{"", "", ""}));
    EXPECT_EQ(f.titleLabel()->text(), "");
    EXPECT_FALSE(f.positionBar()->thumbVisible());
}

TEST_F(MprisTest, PlayOnlyStartsOrResumesAndPauseOnlyPauses) {
    auto& f = startPlayer();
    f.trackList()->SetCurrentRow(0);
    client->call("Pause"); // nothing plays: nothing starts
    EXPECT_EQ(f.engine().stream(), 0u);

    client->call("Play");
    const HSTREAM stream = f.engine().stream();
    ASSERT_NE(stream, 0u);
    client->call("Play");
    EXPECT_EQ(f.engine().stream(), stream) << "a second Play neither reopens nor pauses";
    EXPECT_EQ(engineState(), static_cast<DWORD>(BASS_ACTIVE_PLAYING));

    client->call("Pause");
    EXPECT_EQ(engineState(), static_cast<DWORD>(BASS_ACTIVE_PAUSED));
    client->call("Pause");
    EXPECT_EQ(engineState(), static_cast<DWORD>(BASS_ACTIVE_PAUSED))
        << "a second Pause resumes nothing";

    client->call("Play");
    EXPECT_EQ(f.engine().stream(), stream) << "resumed, not reopened";
    EXPECT_EQ(engineState(), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
    EXPECT_EQ(marks(), (QStringList{">", "", ""}));
}

TEST_F(MprisTest, NextAndPreviousStepThroughTheListAsTheButtonsDo) {
    auto& f = startPlayer();
    client->call("Next"); // nothing open: the button does nothing either
    EXPECT_EQ(f.engine().stream(), 0u);

    playRow(0);
    client->call("Next");
    EXPECT_EQ(f.engine().trackRow(), 1);
    EXPECT_EQ(marks(), (QStringList{"", ">", ""}));
    client->call("Next");
    EXPECT_EQ(f.engine().trackRow(), 2);
    client->call("Previous");
    client->call("Previous");
    EXPECT_EQ(f.engine().trackRow(), 0);
    EXPECT_EQ(marks(), (QStringList{">", "", ""}));
    client->call("Previous"); // wraps to the last row, as the button does
    EXPECT_EQ(f.engine().trackRow(), 2);
}

TEST_F(MprisTest, AnEmptyListPlaysNothing) {
    auto& f = startPlayer(0);
    for (const char* method : {"Play", "PlayPause", "Next", "Previous", "Stop"})
        EXPECT_EQ(client->call(method).type(), QDBusMessage::ReplyMessage) << method;
    EXPECT_EQ(f.engine().stream(), 0u);
    EXPECT_EQ(client->get("PlaybackStatus").toString(), "Stopped");
}

TEST_F(MprisTest, SeekAndSetPositionGoThroughThePositionBar) {
    auto& f = startPlayer();
    playRow(0);
    const QDBusObjectPath track(trackId());

    client->call("Seek", {qlonglong(7 * kSecond + 400000)});
    ASSERT_TRUE(client->waitForSeek());
    // The bar counts whole seconds; its handler did the seek.
    EXPECT_EQ(f.positionBar()->value(), 7);
    EXPECT_GE(client->seeks().front(), 7 * kSecond);
    EXPECT_LT(client->seeks().front(), 8 * kSecond);
    EXPECT_GE(positionUs(), 7 * kSecond);

    client->clearSignals();
    client->call("Seek", {qlonglong(-100 * kSecond)});
    ASSERT_TRUE(client->waitForSeek());
    EXPECT_LT(client->seeks().front(), 2 * kSecond) << "a seek before the start goes to the start";
    EXPECT_EQ(f.positionBar()->value(), 0);

    client->clearSignals();
    client->call("SetPosition", {QVariant::fromValue(track), qlonglong(15 * kSecond)});
    ASSERT_TRUE(client->waitForSeek());
    EXPECT_EQ(f.positionBar()->value(), 15);
    EXPECT_GE(positionUs(), 15 * kSecond);

    // A stale track id, a negative position and one past the end are ignored.
    client->clearSignals();
    client->call("SetPosition", {QVariant::fromValue(QDBusObjectPath("/quaverly/track/99999")),
                                 qlonglong(2 * kSecond)});
    client->call("SetPosition", {QVariant::fromValue(track), qlonglong(-kSecond)});
    client->call("SetPosition", {QVariant::fromValue(track), qlonglong(21 * kSecond)});
    EXPECT_GE(positionUs(), 15 * kSecond);
    EXPECT_TRUE(client->seeks().empty());

    client->call("Seek", {qlonglong(30 * kSecond)});
    EXPECT_EQ(f.engine().trackRow(), 1) << "seeking past the end moves to the next track";
}

TEST_F(MprisTest, OpenUriOpensAsTheCommandLineDoes) {
    auto& f = startPlayer(0);
    addRow("a.mp3");
    addRow("b.wav");
    f.trackList()->ClearRows();
    const QString url = QString::fromUtf8(QUrl::fromLocalFile(rowPath("b.wav")).toEncoded());
    openUri(url);
    ASSERT_NE(f.engine().stream(), 0u);
    EXPECT_EQ(tracklist::FromRowLocation(f.engine().trackLocation()), rowPath("b.wav"));
    EXPECT_EQ(f.trackList()->RowCount(), 2) << "the folder of the file was listed";

    // Schemes the player does not open, and empty text, change nothing.
    const HSTREAM playing = f.engine().stream();
    for (const char* uri : {"ftp://127.0.0.1/a.mp3", "", "   "})
        openUri(QString::fromUtf8(uri));
    EXPECT_EQ(f.engine().stream(), playing);
    EXPECT_EQ(f.trackList()->RowCount(), 2);
}

TEST_F(MprisTest, ANameThatIsNotUtf8KeepsItsBytesThroughTheFileUrls) {
    const char* names[] = {"caf\xE9.mp3", "\x83\x65\x83\x58\x83\x67.mp3"}; // Latin-1, CP932
    auto& f = startPlayer(0);
    for (const char* name : names) {
        SCOPED_TRACE(name);
        addRow(name);
        f.trackList()->ClearRows();
        const QByteArray bytes = QByteArray::fromStdString(dir.file(name));
        const QString url = "file://" + QString::fromLatin1(bytes.toPercentEncoding("/"));
        openUri(url);
        ASSERT_NE(f.engine().stream(), 0u);
        EXPECT_EQ(platform::encodeFileName(tracklist::FromRowLocation(f.engine().trackLocation())),
                  bytes);
        EXPECT_EQ(metadata().value("xesam:url").toString(), url) << "the same URL names it";
    }
}

TEST_F(MprisTest, OpenUriTakesAPlainPathWithSpaces) {
    auto& f = startPlayer(0);
    addRow("a b.mp3");
    f.trackList()->ClearRows();
    openUri(rowPath("a b.mp3"));
    ASSERT_NE(f.engine().stream(), 0u);
    EXPECT_EQ(tracklist::FromRowLocation(f.engine().trackLocation()), rowPath("a b.mp3"));
}

TEST_F(MprisTest, RaiseBringsBackAHiddenOrMinimisedWindow) {
    auto& f = startPlayer();
    f.hide();
    client->call("Raise", {}, kRoot);
    EXPECT_TRUE(f.isVisible());
    f.showMinimized();
    client->call("Raise", {}, kRoot);
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(f.isMinimized());
}

TEST_F(MprisTest, ExtremeArgumentsNeitherCrashNorMisplaceThePlayer) {
    auto& f = startPlayer();
    playRow(0);
    const QVariant track = QVariant::fromValue(QDBusObjectPath(trackId()));
    const qlonglong most = std::numeric_limits<qlonglong>::max();
    const qlonglong least = std::numeric_limits<qlonglong>::min();

    client->call("Seek", {least});
    EXPECT_EQ(f.positionBar()->value(), 0);
    client->call("SetPosition", {track, most});
    client->call("SetPosition", {track, least});
    EXPECT_EQ(f.engine().trackRow(), 0);
    EXPECT_LT(positionUs(), 5 * kSecond);
    client->call("Seek", {most});
    EXPECT_EQ(f.engine().trackRow(), 1) << "past any end: the next track";

    client->set("Volume", 0.5);
    client->set("Volume", std::nan(""));
    EXPECT_EQ(f.volumeBar()->value(), 50) << "not a number changes nothing";
    client->set("Volume", std::numeric_limits<double>::infinity());
    EXPECT_EQ(f.volumeBar()->value(), 100);
    client->set("Volume", -std::numeric_limits<double>::infinity());
    EXPECT_EQ(f.volumeBar()->value(), 0);
    EXPECT_EQ(client->call("OpenUri", {QString(100000, QChar('x'))}).type(),
              QDBusMessage::ReplyMessage);
    EXPECT_EQ(f.engine().trackRow(), 1);
}

TEST_F(MprisTest, CommandsWaitWhileAModalWindowIsOpen) {
    auto& f = startPlayer();
    f.trackList()->SetCurrentRow(0);
    QDialog sheet(&f);
    sheet.setModal(true);
    sheet.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &sheet);
    client->call("PlayPause");
    openUri(rowPath("b.wav"));
    client->call("Quit", {}, kRoot);
    EXPECT_EQ(f.engine().stream(), 0u) << "the toolbar cannot be reached either";
    client->set("Volume", 0.3);
    EXPECT_EQ(f.volumeBar()->value(), 30) << "the volume harms nothing and follows";

    sheet.close();
    client->call("PlayPause");
    EXPECT_NE(f.engine().stream(), 0u);
    EXPECT_TRUE(f.isVisible()) << "Quit was dropped, not kept for later";
}
