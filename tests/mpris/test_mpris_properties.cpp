// The properties read the player's real state, whoever changed it, and the
// writable ones move the player's own controls.
#include "mpris_fixture.h"

#include "app/seek_bar.h"
#include "playback/play_order.h"
#include "settings/ini_file.h"

#include <QComboBox>
#include <QLabel>
#include <QMimeDatabase>
#include <QSlider>
#include <QUrl>

using testsupport::kRoot;

namespace {
constexpr qint64 kSecond = 1000000;
}

TEST_F(MprisTest, PlaybackStatusFollowsTheEngine) {
    auto& f = startPlayer();
    EXPECT_EQ(client->get("PlaybackStatus").toString(), "Stopped");
    playRow(0);
    EXPECT_EQ(client->get("PlaybackStatus").toString(), "Playing");
    f.OnCommand(res::ID_PLAY_PLAYPAUSE);
    EXPECT_EQ(client->get("PlaybackStatus").toString(), "Paused");
    f.OnCommand(res::ID_PLAY_STOP);
    EXPECT_EQ(client->get("PlaybackStatus").toString(), "Stopped");
}

TEST_F(MprisTest, MetadataDescribesTheOpenTrack) {
    auto& f = startPlayer();
    EXPECT_EQ(metadata().keys(), QStringList{"mpris:trackid"});
    EXPECT_EQ(trackId(), "/org/mpris/MediaPlayer2/TrackList/NoTrack");

    playRow(0);
    QVariantMap first = metadata();
    EXPECT_EQ(first.value("xesam:title").toString(), "Title");
    EXPECT_EQ(first.value("xesam:artist").toStringList(), QStringList{"Artist"});
    EXPECT_EQ(QUrl(first.value("xesam:url").toString()).toLocalFile(), rowPath("a.mp3"));
    EXPECT_NEAR(first.value("mpris:length").toLongLong(), 20 * kSecond, kSecond / 10);
    EXPECT_EQ(first.value("mpris:trackid").userType(), qMetaTypeId<QDBusObjectPath>());

    playRow(1);
    const QVariantMap second = metadata();
    EXPECT_NE(second.value("mpris:trackid").value<QDBusObjectPath>(),
              first.value("mpris:trackid").value<QDBusObjectPath>());
    EXPECT_EQ(second.value("xesam:title").toString(), "b") << "the name without its extension";
    EXPECT_EQ(second.value("mpris:length").toLongLong(), 10 * kSecond) << "PCM has an exact length";

    playRow(0);
    EXPECT_NE(trackId(), first.value("mpris:trackid").value<QDBusObjectPath>().path())
        << "each opening is a track of its own";
    f.OnCommand(res::ID_PLAY_STOP);
    EXPECT_EQ(trackId(), "/org/mpris/MediaPlayer2/TrackList/NoTrack");
}

TEST_F(MprisTest, AFileUrlEscapesWhatAUrlCannotHold) {
    auto& f = startPlayer(0);
    addRow("曲 #1.mp3");
    playRow(0);
    ASSERT_NE(f.engine().stream(), 0u);
    const QString url = metadata().value("xesam:url").toString();
    EXPECT_TRUE(url.startsWith("file:///"));
    EXPECT_FALSE(url.contains(' '));
    EXPECT_FALSE(url.contains('#')) << "a # would start a fragment";
    EXPECT_EQ(QUrl(url).toLocalFile(), rowPath("曲 #1.mp3"));
}

TEST_F(MprisTest, PositionFollowsThePlay) {
    auto& f = startPlayer();
    EXPECT_EQ(positionUs(), 0);
    playRow(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return positionUs() > kSecond / 2; }, 20000));
    f.OnCommand(res::ID_PLAY_STOP);
    EXPECT_EQ(positionUs(), 0) << "nothing open, nothing played";
}

TEST_F(MprisTest, VolumeReadsAndMovesTheVolumeBar) {
    auto& f = startPlayer();
    f.volumeBar()->triggerAction(QAbstractSlider::SliderPageStepSub); // the user's page step
    EXPECT_DOUBLE_EQ(client->get("Volume").toDouble(), 0.96);

    ASSERT_TRUE(client->set("Volume", 0.25));
    EXPECT_EQ(f.volumeBar()->value(), 25);
    EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_GVOL_STREAM), 2500u) << "the library volume follows";
    f.Save();
    EXPECT_EQ(settings::IniFile(iniPath()).ReadInt("_Volume", -1), 25);

    client->set("Volume", 1.7);
    EXPECT_EQ(f.volumeBar()->value(), 100);
    client->set("Volume", -0.5);
    EXPECT_EQ(f.volumeBar()->value(), 0);
    EXPECT_DOUBLE_EQ(client->get("Volume").toDouble(), 0.0);
}

TEST_F(MprisTest, LoopStatusAndShuffleReadTheOrderBox) {
    auto& f = startPlayer();
    struct Row {
        int order;
        const char* loop;
        bool shuffle;
    };
    const Row table[] = {{playback::OrderOnce, "None", false},
                         {playback::OrderRepeatAll, "Playlist", false},
                         {playback::OrderSingle, "None", false},
                         {playback::OrderRepeatSingle, "Track", false},
                         {playback::OrderRandom, "Playlist", true}};
    for (const Row& row : table) {
        f.orderBox()->setCurrentIndex(row.order);
        EXPECT_EQ(client->get("LoopStatus").toString(), row.loop)
            << f.orderBox()->currentText().toStdString();
        EXPECT_EQ(client->get("Shuffle").toBool(), row.shuffle)
            << f.orderBox()->currentText().toStdString();
    }
}

TEST_F(MprisTest, SettingLoopStatusAndShuffleSelectsTheMatchingOrder) {
    auto& f = startPlayer();
    client->set("LoopStatus", QString("Track"));
    EXPECT_EQ(f.orderBox()->currentText(), "1曲リピート");
    client->set("LoopStatus", QString("Playlist"));
    EXPECT_EQ(f.orderBox()->currentText(), "全曲リピート");
    client->set("LoopStatus", QString("None"));
    EXPECT_EQ(f.orderBox()->currentText(), "全曲");
    client->set("LoopStatus", QString("Sometimes"));
    EXPECT_EQ(f.orderBox()->currentText(), "全曲") << "an unknown status changes nothing";

    client->set("Shuffle", true);
    EXPECT_EQ(f.orderBox()->currentText(), "ランダム");
    client->set("LoopStatus", QString("Playlist"));
    EXPECT_EQ(f.orderBox()->currentText(), "ランダム") << "random order already repeats";
    client->set("Shuffle", false);
    EXPECT_EQ(f.orderBox()->currentText(), "全曲リピート") << "leaving random keeps the repeat";
    EXPECT_EQ(client->get("LoopStatus").toString(), "Playlist");

    f.orderBox()->setCurrentIndex(playback::OrderSingle);
    client->set("LoopStatus", QString("None"));
    EXPECT_EQ(f.orderBox()->currentText(), "1曲") << "1曲 already stops after the track";
    client->set("Shuffle", false);
    EXPECT_EQ(f.orderBox()->currentText(), "1曲");
    f.Save();
    EXPECT_EQ(settings::IniFile(iniPath()).ReadInt("_Order", -1), playback::OrderSingle);
}

TEST_F(MprisTest, CapabilitiesFollowTheListAndTheStream) {
    auto& f = startPlayer(0);
    for (const char* can : {"CanPlay", "CanPause", "CanSeek", "CanGoNext", "CanGoPrevious"})
        EXPECT_FALSE(client->get(can).toBool()) << can << " with an empty list";
    EXPECT_TRUE(client->get("CanControl").toBool());

    addRow("a.mp3");
    addRow("b.wav");
    EXPECT_TRUE(client->get("CanPlay").toBool());
    EXPECT_FALSE(client->get("CanGoNext").toBool()) << "nothing open yet";
    playRow(0);
    for (const char* can : {"CanPlay", "CanPause", "CanSeek", "CanGoNext", "CanGoPrevious"})
        EXPECT_TRUE(client->get(can).toBool()) << can << " while a file plays";
    f.OnCommand(res::ID_PLAY_STOP);
    EXPECT_FALSE(client->get("CanSeek").toBool());
    EXPECT_FALSE(client->get("CanPause").toBool());
}

TEST_F(MprisTest, TheRateIsFixed) {
    startPlayer();
    for (const char* rate : {"Rate", "MinimumRate", "MaximumRate"})
        EXPECT_DOUBLE_EQ(client->get(rate).toDouble(), 1.0) << rate;
    client->set("Rate", 2.0);
    EXPECT_DOUBLE_EQ(client->get("Rate").toDouble(), 1.0);
}

TEST_F(MprisTest, TheRootObjectNamesThePlayerAndWhatItOpens) {
    startPlayer();
    EXPECT_EQ(client->get("Identity", kRoot).toString(), "Quaverly");
    EXPECT_EQ(client->get("DesktopEntry", kRoot).toString(), "quaverly");
    EXPECT_TRUE(client->get("CanQuit", kRoot).toBool());
    EXPECT_TRUE(client->get("CanRaise", kRoot).toBool());
    EXPECT_FALSE(client->get("HasTrackList", kRoot).toBool());
    EXPECT_EQ(client->get("SupportedUriSchemes", kRoot).toStringList(),
              (QStringList{"file", "http", "https"}));

    QStringList types = client->get("SupportedMimeTypes", kRoot).toStringList();
    // Every extension the folder filter takes, and the playlists, by the
    // desktop's own MIME database (which has no name for MPEG layer I).
    const QMimeDatabase mime;
    for (const char* ext : {"aac", "aif", "aiff", "flac", "m4a", "m4b", "mp2", "mp3", "mp4", "oga",
                            "ogg", "opus", "wav", "wma", "m3u", "m3u8"}) {
        QStringList names;
        for (const QMimeType& type : mime.mimeTypesForFileName(QString("x.") + ext))
            names << type.name() << type.aliases();
        const bool listed = std::any_of(names.begin(), names.end(),
                                        [&](const QString& name) { return types.contains(name); });
        EXPECT_TRUE(listed) << ext << " is " << names.join(' ').toStdString();
    }
    EXPECT_TRUE(types.contains("audio/mpeg")) << "mp1 and mp3";
    EXPECT_EQ(types.removeDuplicates(), 0);
}
