// The sources load in the background: lookups of one list wait side by side,
// the rows keep the order a blocking load gives, a load the user leaves is
// dropped whole, and a lookup that failed keeps its bare URL for next time.
#include "browser_fixture.h"

#include "playback/station_probe.h"
#include "support/servers/test_http_server.h"
#include "support/title_recorder.h"

#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::TestHttpServer;
using testsupport::TestResponse;

namespace {

TestResponse NamedStation(const std::string& name) {
    TestResponse station = TestResponse::ok("audio", "audio/mpeg");
    station.headers = {"icy-name:" + name};
    return station;
}

// Lets the cancelled lookups end and their late answers reach the event
// loop, where they must be dropped.
void DrainBackgroundWork() {
    platform::finishBackgroundWork(60000);
    QCoreApplication::processEvents();
}

} // namespace

class BackgroundLoadTest : public BrowserTest {
protected:
    void SetUp() override {
        BrowserTest::SetUp();
        // Long enough that only a cancel ends the silent servers' lookups.
        audio::net::HttpLimits probes = playback::StationProbeLimits();
        probes.deadlineMs = 120000;
        probes.stallTimeoutMs = 120000;
        view.setNetworkLimits(browser::FeedDownloadLimits(), probes);
    }
    std::string silentStations(int count) {
        std::string lines;
        for (int i = 0; i < count; ++i) {
            const std::string path = "/silent" + std::to_string(i);
            server.route(path, TestResponse::silent());
            lines += server.url(path) + "\r\n";
        }
        return lines;
    }
    bool allAsked(int count) const {
        for (int i = 0; i < count; ++i) {
            if (server.requestCount("/silent" + std::to_string(i)) == 0)
                return false;
        }
        return true;
    }
    TestHttpServer server;
};

// A blocking load would ask the second station only after the first gave
// up; here every station is asked while none has answered.
TEST_F(BackgroundLoadTest, LookupsWaitSideBySideAndAnotherSourceDropsTheLoadWhole) {
    struct Case {
        const char* source;
        const char* file;
        std::function<void(browser::CFormView&)> load;
    };
    const Case cases[] = {
        {"radio list", "Netradio.txt", [](browser::CFormView& v) { v.LoadNetRadio(); }},
        {"playlist", "mix.m3u", [](browser::CFormView& v) { v.LoadM3u("mix.m3u"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        const std::string lines = silentStations(3);
        dir.write(c.file, lines);
        view.setCurrentFolder(folder());
        c.load(view);
        EXPECT_TRUE(view.isLoading());
        ASSERT_TRUE(QTest::qWaitFor([&] { return allAsked(3); }, 30000));
        TitleRecorder painted(title);
        view.ListDrives(); // another source
        EXPECT_FALSE(view.isLoading());
        const int driveRows = list.RowCount();
        DrainBackgroundWork();
        EXPECT_EQ(list.RowCount(), driveRows);
        EXPECT_EQ(list.RowCount(), 0) << "the drive list has no track rows";
        EXPECT_EQ(testsupport::readFile(dir.file(c.file)), lines) << "no rewrite";
        for (const QString& text : painted.texts)
            EXPECT_FALSE(text.contains("->")) << text.toStdString();
    }
}

TEST_F(BackgroundLoadTest, RowsKeepTheOrderOfTheLinesWhateverAnswersFirst) {
    std::string lines;
    QStringList expected;
    for (int i = 0; i < 12; ++i) {
        const std::string path = "/station" + std::to_string(i);
        const std::string name = "Station " + std::to_string(i);
        if (i % 3 == 2) {
            lines += "http://127.0.0.1:9" + path + "\r\n"; // refused at once
            expected.append("|http://127.0.0.1:9" + QString::fromStdString(path));
        } else {
            server.route(path, NamedStation(name));
            lines += server.url(path) + "\r\n";
            expected.append(QString::fromStdString(name + "|" + server.url(path)));
        }
        if (i == 5) {
            dir.write("Album/01 - Intro.flac", "x");
            lines += "Album/01 - Intro.flac\r\n";
            expected.append("01 - Intro.flac|" + folder() + "Album/01 - Intro.flac");
        }
    }
    dir.write("mix.m3u", lines);
    view.setCurrentFolder(folder());
    view.LoadM3u("mix.m3u");
    settle();
    EXPECT_EQ(Rows(list), expected);
    EXPECT_EQ(list.GetCurrentRow(), 0);
    EXPECT_EQ(frame.filled, 1);
}

// A server down for the moment must not turn the user's bare URL into a
// blank entry for good: the line stays bare and is looked up next time.
TEST_F(BackgroundLoadTest, ABareUrlWhoseLookupFailedIsKeptAndNamedOnceItAnswers) {
    struct Case {
        const char* file;
        std::function<void(browser::CFormView&)> load;
        TestResponse answer;
        const char* name;
    };
    const std::string feed = "<?xml version=\"1.0\"?><rss><channel><title>Weekly Show</title>"
                             "</channel></rss>";
    const Case cases[] = {
        {"Netradio.txt", [](browser::CFormView& v) { v.LoadNetRadio(); }, NamedStation("Radio One"),
         "Radio One"},
        {"Podcast.txt", [](browser::CFormView& v) { v.LoadPodcastList(); },
         TestResponse::ok(feed, "application/rss+xml"), "Weekly Show"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string url = server.url(std::string("/") + c.file);
        server.route(std::string("/") + c.file, TestResponse::notFound());
        dir.write(c.file, url + "\r\nKept,http://k/\r\n");
        c.load(view);
        settle();
        EXPECT_EQ(testsupport::readFile(dir.file(c.file)), "Kept,http://k/\r\n" + url + "\r\n");
        server.route(std::string("/") + c.file, c.answer);
        c.load(view);
        settle();
        EXPECT_EQ(testsupport::readFile(dir.file(c.file)),
                  std::string("Kept,http://k/\r\n") + c.name + "," + url + "\r\n");
    }
}

// A playlist that is not a regular file must neither hold the load (a FIFO
// blocks open() until a writer comes) nor fill the memory (a device without
// end): it reads as empty.
TEST_F(BackgroundLoadTest, APlaylistThatIsNotARegularFileGivesNoRows) {
    ASSERT_EQ(mkfifo(dir.file("fifo.m3u").c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", dir.file("zero.m3u8").c_str()), 0);
    ASSERT_EQ(symlink("/dev/urandom", dir.file("random.pls").c_str()), 0);
    view.setCurrentFolder(folder());
    for (const char* playlist : {"fifo.m3u", "zero.m3u8", "random.pls"}) {
        SCOPED_TRACE(playlist);
        view.LoadPlaylistFile(playlist);
        settle();
        EXPECT_EQ(list.RowCount(), 0);
    }
}
