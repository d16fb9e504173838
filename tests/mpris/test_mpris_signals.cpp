// PropertiesChanged follows every change of what the properties report,
// whatever made it: a new track, a station's new title, pause and play, the
// volume bar and the order box; one user action makes one announcement.
#include "mpris_fixture.h"

#include "support/servers/icecast_server.h"

#include <QComboBox>
#include <QLabel>
#include <QSlider>

namespace {

QString StatusIn(const QVariantMap& change) {
    return change.value("PlaybackStatus").toString();
}

QString TitleIn(const QVariantMap& change) {
    return testsupport::AsMap(change.value("Metadata")).value("xesam:title").toString();
}

// Runs a frame command and waits for the first announcement that carries
// the property.
std::optional<QVariantMap> AnnouncedAfter(app::CMainFrame& frame, testsupport::MprisClient& client,
                                          int command, const QString& property) {
    client.clearSignals();
    frame.OnCommand(command);
    return client.waitForChange([&](const QVariantMap& c) { return c.contains(property); });
}

} // namespace

TEST_F(MprisTest, ANewTrackPauseAndPlayAreAnnounced) {
    auto& f = startPlayer();
    playRow(0);
    auto opened =
        client->waitForChange([](const QVariantMap& c) { return c.contains("Metadata"); });
    ASSERT_TRUE(opened);
    EXPECT_EQ(StatusIn(*opened), "Playing");
    EXPECT_EQ(TitleIn(*opened), "Title");
    EXPECT_TRUE(opened->value("CanSeek").toBool());

    auto paused = AnnouncedAfter(f, *client, res::ID_PLAY_PLAYPAUSE, "PlaybackStatus");
    ASSERT_TRUE(paused);
    EXPECT_EQ(StatusIn(*paused), "Paused");
    EXPECT_FALSE(paused->contains("Metadata")) << "only what changed is announced";

    auto next = AnnouncedAfter(f, *client, res::ID_PLAY_NEXT, "Metadata");
    ASSERT_TRUE(next);
    EXPECT_EQ(StatusIn(*next), "Playing");
    EXPECT_EQ(TitleIn(*next), "b");
    EXPECT_EQ(client->changes().size(), 1u)
        << "stop, open and play of one step make one announcement";
}

TEST_F(MprisTest, StopAndTheEndOfTheListAreAnnounced) {
    auto& f = startPlayer(2);
    playRow(0);
    ASSERT_TRUE(
        client->waitForChange([](const QVariantMap& c) { return StatusIn(c) == "Playing"; }));
    auto stopped = AnnouncedAfter(f, *client, res::ID_PLAY_STOP, "PlaybackStatus");
    ASSERT_TRUE(stopped);
    EXPECT_EQ(StatusIn(*stopped), "Stopped");
    EXPECT_EQ(testsupport::AsMap(stopped->value("Metadata"))
                  .value("mpris:trackid")
                  .value<QDBusObjectPath>()
                  .path(),
              "/org/mpris/MediaPlayer2/TrackList/NoTrack");

    // The last row of a 全曲 list ends by itself: the player stops.
    f.orderBox()->setCurrentIndex(0);
    playRow(1);
    client->call("SetPosition",
                 {QVariant::fromValue(QDBusObjectPath(trackId())), qlonglong(9000000)});
    client->clearSignals();
    EXPECT_TRUE(
        client->waitForChange([](const QVariantMap& c) { return StatusIn(c) == "Stopped"; }));
    EXPECT_EQ(f.engine().stream(), 0u);
}

TEST_F(MprisTest, VolumeAndOrderChangesAreAnnouncedAndNothingElse) {
    auto& f = startPlayer();
    f.volumeBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    auto volume = client->waitForChange([](const QVariantMap& c) { return c.contains("Volume"); });
    ASSERT_TRUE(volume);
    EXPECT_DOUBLE_EQ(volume->value("Volume").toDouble(), 0.99);
    EXPECT_EQ(volume->size(), 1);

    client->clearSignals();
    f.orderBox()->setCurrentIndex(4); // ランダム
    auto order = client->waitForChange([](const QVariantMap& c) { return c.contains("Shuffle"); });
    ASSERT_TRUE(order);
    EXPECT_TRUE(order->value("Shuffle").toBool());
    EXPECT_EQ(order->value("LoopStatus").toString(), "Playlist");

    // A change that changes nothing is not announced: the next announcement
    // carries only the volume that follows it.
    client->clearSignals();
    f.orderBox()->setCurrentIndex(4);
    client->set("Volume", 0.5);
    auto next = client->waitForChange([](const QVariantMap&) { return true; });
    ASSERT_TRUE(next);
    EXPECT_EQ(next->keys(), QStringList{"Volume"});
}

TEST_F(MprisTest, AStationAndItsNewTitlesAreAnnounced) {
    testsupport::IcecastServer icecast({"/live.mp3"});
    ASSERT_TRUE(icecast.running()) << icecast.errorLog();
    ASSERT_TRUE(icecast.startSource("/live.mp3", "Test Station"));
    ASSERT_TRUE(icecast.setTitle("/live.mp3", "Artist - First Song"));
    const QString url = QString::fromStdString(icecast.url("/live.mp3"));

    auto& f = startPlayer(0);
    openUri(url);
    ASSERT_NE(f.engine().stream(), 0u);
    auto first = client->waitForChange(
        [](const QVariantMap& c) { return TitleIn(c) == "Artist - First Song"; }, 30000);
    ASSERT_TRUE(first) << f.titleLabel()->text().toStdString();
    const QVariantMap meta = metadata();
    EXPECT_EQ(meta.value("xesam:url").toString(), url);
    EXPECT_EQ(meta.value("xesam:album").toString(), "Test Station") << "the station's own name";
    EXPECT_FALSE(meta.contains("mpris:length")) << "a station has no length";
    EXPECT_FALSE(client->get("CanSeek").toBool());

    const QString firstId = trackId();
    ASSERT_TRUE(icecast.setTitle("/live.mp3", "日本語のタイトル"));
    auto second = client->waitForChange(
        [](const QVariantMap& c) { return TitleIn(c) == "日本語のタイトル"; }, 30000);
    ASSERT_TRUE(second);
    EXPECT_EQ(trackId(), firstId) << "the same stream plays on";

    client->clearSignals();
    const HSTREAM station = f.engine().stream();
    client->call("Seek", {qlonglong(5000000)});
    client->get("Position"); // one more round trip: a Seeked would have arrived
    EXPECT_EQ(f.engine().stream(), station) << "a station cannot seek, nor skip";
    EXPECT_TRUE(client->seeks().empty());
    f.OnCommand(res::ID_PLAY_STOP);
}
