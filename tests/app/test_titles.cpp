// The title label: tag titles of new tracks, and live titles of chained Ogg
// streams and of a real Icecast station whose song title changes.
#include "frame_fixture.h"

#include "app/seek_bar.h"
#include "browser/form_view.h"
#include "playback/station_probe.h"
#include "res/resource_ids.h"
#include "support/fixtures.h"
#include "support/servers/icecast_server.h"
#include "support/title_recorder.h"
#include "tracklist/list_view.h"

#include <QLabel>
#include <QTest>
#include <functional>

using namespace res;

class TitleTest : public FrameTest {
protected:
    app::CMainFrame& play(const QString& location, const char* audio = "null") {
        setenv("QUAVERLY_AUDIO", audio, 1);
        auto& f = frame ? *frame : create();
        f.trackList()->ClearRows();
        f.trackList()->AppendRow(location, "row");
        f.trackList()->SetCurrentRow(0);
        f.OnCommand(ID_PLAY_PLAYPAUSE);
        settleConnection();
        return f;
    }
    QString fixturePath(const char* name) {
        return QString::fromStdString(testsupport::fixture(name));
    }
    bool waitForTitle(const QString& text, int ms = 15000) {
        return QTest::qWaitFor([&] { return frame->titleLabel()->text() == text; }, ms);
    }
};

TEST_F(TitleTest, TagTitlesCarryTheLengthSuffix) {
    auto& f = play(fixturePath("tone_1k_3s.mp3"));
    EXPECT_EQ(f.titleLabel()->text(), "Artist - Album (1999) CD1 #3 Title (0:03)");
    play(fixturePath("tone_1k_3s_title_only.mp3"));
    EXPECT_EQ(f.titleLabel()->text(), "Title (0:03)");
    play(fixturePath("tone_1k_3s_notags.mp3"));
    EXPECT_EQ(f.titleLabel()->text(), "(0:03)");
    play(fixturePath("tone_1k_3s_japanese.mp3"));
    EXPECT_TRUE(f.titleLabel()->text().endsWith("(0:03)"));
    EXPECT_FALSE(f.titleLabel()->text().contains(QChar::ReplacementCharacter));
}

TEST_F(TitleTest, AChainedOggShowsTheCommentsOfItsNextLogicalStream) {
    auto& f = play(fixturePath("chained.ogg")); // in real time, to see the change
    EXPECT_TRUE(f.titleLabel()->text().startsWith("First Artist - First Title"));
    EXPECT_TRUE(waitForTitle("Second Artist - Second Title"));
}

TEST_F(TitleTest, AStationShowsItsNameAndFollowsItsSongTitles) {
    testsupport::IcecastServer icecast({"/live.mp3"});
    ASSERT_TRUE(icecast.running()) << icecast.errorLog();
    ASSERT_TRUE(icecast.startSource("/live.mp3", "Test Station"));
    const QString url = QString::fromStdString(icecast.url("/live.mp3"));
    ASSERT_TRUE(icecast.setTitle("/live.mp3", "Artist - First Song"));
    auto& f = play(url);
    EXPECT_EQ(playback::ProbeStationName(url), "Test Station");
    ASSERT_NE(f.engine().stream(), 0u);
    EXPECT_FALSE(f.positionBar()->thumbVisible()) << "a station has nothing to seek in";
    EXPECT_EQ(f.ToolTipText(IDC_POSITION), "") << "a station has no length";
    EXPECT_TRUE(waitForTitle("Artist - First Song"));
    ASSERT_TRUE(icecast.setTitle("/live.mp3", "日本語のタイトル"));
    EXPECT_TRUE(waitForTitle("日本語のタイトル"));
    ASSERT_TRUE(icecast.setTitle("/live.mp3", ""));
    EXPECT_TRUE(waitForTitle(""));
    f.OnCommand(ID_PLAY_STOP);
}

namespace {

struct SourceCase {
    const char* source;
    std::function<void(browser::CFormView&)> load;
    const char* progress; // a progress text the source shows on the way
};

} // namespace

TEST_F(TitleTest, AfterASourcesProgressTheLabelShowsWhatPlaysAgain) {
    // A port nobody listens on: each lookup fails at once.
    const std::string station = "http://127.0.0.1:9/live\r\n";
    const SourceCase cases[] = {
        {"a playlist with a station", [](browser::CFormView& v) { v.LoadM3u("mix.m3u"); },
         "http://127.0.0.1:9/live -> "},
        {"the radio list", [](browser::CFormView& v) { v.LoadNetRadio(); },
         "http://127.0.0.1:9/live -> "},
        {"the podcast list", [](browser::CFormView& v) { v.LoadPodcastList(); },
         "http://127.0.0.1:9/live -> "},
    };
    for (const bool playing : {true, false}) {
        for (const SourceCase& c : cases) {
            SCOPED_TRACE(std::string(c.source) + (playing ? " while a track plays" : ""));
            // The lists are rewritten with the names found; each run starts
            // from bare URLs again.
            for (const char* list : {"Netradio.txt", "Podcast.txt", "mix.m3u"})
                dir.write(list, station);
            auto& f = play(fixturePath("tone_1k_20s.mp3"));
            if (!playing)
                f.OnCommand(ID_PLAY_STOP);
            const QString title = f.titleLabel()->text();
            ASSERT_EQ(title.isEmpty(), !playing);
            f.formView()->setListFolder(QString::fromStdString(dir.path()) + "/");
            f.formView()->setCurrentFolder(QString::fromStdString(dir.path()) + "/");
            TitleRecorder painted(*f.titleLabel());
            c.load(*f.formView());
            settle();
            EXPECT_TRUE(painted.texts.contains(QString::fromUtf8(c.progress)))
                << painted.texts.join(" | ").toStdString();
            EXPECT_EQ(f.titleLabel()->text(), title);
        }
    }
}
