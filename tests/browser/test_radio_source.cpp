// The internet radio list: reading, ordering by code units, splitting at the
// last comma and the normalised rewrite of Netradio.txt.
#include "browser_fixture.h"

#include "playback/station_probe.h"
#include "support/servers/icecast_server.h"
#include "support/servers/loopback.h"
#include "support/servers/test_http_server.h"
#include "support/temp_dir.h"

#include <QElapsedTimer>
#include <QFile>

namespace {

std::string ReadBytes(const std::string& path) {
    return testsupport::readFile(path);
}

} // namespace

class RadioTest : public BrowserTest {
protected:
    std::string stations() const { return dir.file("Netradio.txt"); }
    QStringList rows() const {
        QStringList result;
        for (int row = 0; row < list.RowCount(); ++row)
            result.append(list.GetName(row) + "|" + list.GetLocation(row));
        return result;
    }
};

TEST_F(RadioTest, StationsComeOutInCodeUnitOrderWithTheCommaTakingPart) {
    dir.write("Netradio.txt", "B station,http://b/\nA station,http://a/\nalpha,http://x/\n"
                              "Zeta,http://z/\nAB,http://ab/\nA,http://a1/\nA B,http://ab2/\n");
    view.LoadNetRadio();
    settle();
    EXPECT_EQ(rows(), (QStringList{"A B|http://ab2/", "A station|http://a/", "A|http://a1/",
                                   "AB|http://ab/", "B station|http://b/", "Zeta|http://z/",
                                   "alpha|http://x/"}));
    EXPECT_EQ(ReadBytes(stations()),
              "A B,http://ab2/\nA station,http://a/\nA,http://a1/\nAB,http://ab/\n"
              "B station,http://b/\nZeta,http://z/\nalpha,http://x/\n");
    EXPECT_TRUE(entryTexts().isEmpty());
    EXPECT_EQ(frame.filled, 0) << "the radio list does not rebuild the play order";
}

TEST_F(RadioTest, DuplicatesMergeAndTheLastCommaSplits) {
    dir.write("Netradio.txt", "Rock, Pop,http://r/\r\nSame,http://2/\r\nSame,http://1/\r\n"
                              "Same,http://1/\r\n\r\n\r\n");
    view.LoadNetRadio();
    settle();
    EXPECT_EQ(rows(),
              (QStringList{"|", "Rock, Pop|http://r/", "Same|http://1/", "Same|http://2/"}));
    EXPECT_EQ(ReadBytes(stations()),
              ",\r\nRock, Pop,http://r/\r\nSame,http://1/\r\nSame,http://2/\r\n");
}

TEST_F(RadioTest, AMissingListGivesNoStationsAndAnEmptyFile) {
    view.LoadNetRadio();
    settle();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(stations())));
    EXPECT_EQ(ReadBytes(stations()), "");
}

TEST_F(RadioTest, Cp932AndUtf8NamesRoundTripByteForByte) {
    const std::string cp932 = "\x83\x89\x83\x57\x83\x49,http://jp/\r\n";     // ラジオ
    const std::string utf8 = "Caf\xC3\xA9 \xF0\x9F\x8E\xB5,http://utf/\r\n"; // no CP932 form
    dir.write("Netradio.txt", cp932 + utf8);
    view.LoadNetRadio();
    settle();
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.GetName(1), "ラジオ");
    EXPECT_EQ(list.GetName(0), QString::fromUtf8("Café \xF0\x9F\x8E\xB5"));
    EXPECT_EQ(ReadBytes(stations()), utf8 + cp932);
}

// A Western line keeps its Windows-1252 bytes, a line nothing decodes its
// bytes too.
TEST_F(RadioTest, Windows1252NamesReadAndUndecodableLinesKeepTheirBytes) {
    const std::string western = "Radio Fran\xE7"
                                "aise,http://fr/\r\n";
    const std::string undecodable = "\x81 \x8D,http://x/\r\n"; // in neither CP932 nor 1252
    dir.write("Netradio.txt", western + undecodable);
    view.LoadNetRadio();
    settle();
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.GetName(0), "Radio Française");
    EXPECT_EQ(ReadBytes(stations()), western + undecodable);
}

TEST_F(RadioTest, ABareUrlWhoseStationIsDownIsShownNamelessAndKeptBare) {
    const QString url =
        QStringLiteral("http://127.0.0.1:%1/live").arg(testsupport::freeLoopbackPort());
    dir.write("Netradio.txt", url.toStdString() + "\r\n");
    view.LoadNetRadio();
    settle();
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.GetName(0), "");
    EXPECT_EQ(list.GetLocation(0), url);
    EXPECT_EQ(ReadBytes(stations()), url.toStdString() + "\r\n");
    EXPECT_EQ(title.text(), "");
}

TEST_F(RadioTest, ABareUrlIsNamedByItsStation) {
    testsupport::IcecastServer icecast({"/named.mp3"});
    ASSERT_TRUE(icecast.running()) << icecast.errorLog();
    ASSERT_TRUE(icecast.startSource("/named.mp3", "Radio Quaverly"));
    const std::string url = icecast.url("/named.mp3");
    dir.write("Netradio.txt", url + "\n");
    view.LoadNetRadio();
    settle();
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.GetName(0), "Radio Quaverly");
    EXPECT_EQ(list.GetLocation(0), QString::fromStdString(url));
    EXPECT_EQ(ReadBytes(stations()), "Radio Quaverly," + url + "\n");
}

TEST_F(RadioTest, AStationThatKeepsTheProbeWaitingIsNamedEmptyAtTheProbesDeadline) {
    testsupport::TestHttpServer server;
    server.route("/head", testsupport::TestResponse::trickledHeaders(100));
    // Named at once: the probe needs the headers only, not the audio.
    testsupport::TestResponse slow = testsupport::TestResponse::trickle("audio/mpeg", 5000);
    slow.headers = {"icy-name: Slow but Named"};
    server.route("/slow", slow);
    audio::net::HttpLimits probes = playback::StationProbeLimits();
    probes.stallTimeoutMs = 400;
    probes.deadlineMs = 1000;
    view.setNetworkLimits(browser::FeedDownloadLimits(), probes);
    dir.write("Netradio.txt", server.url("/slow") + "\n" + server.url("/head") + "\n");
    QElapsedTimer clock;
    clock.start();
    view.LoadNetRadio();
    settle();
    EXPECT_GE(clock.elapsed(), probes.deadlineMs - 50);
    EXPECT_LT(clock.elapsed(), probes.deadlineMs + 3000);
    // The space after the header's colon belongs to the name.
    EXPECT_EQ(rows(), (QStringList{" Slow but Named|" + QString::fromStdString(server.url("/slow")),
                                   "|" + QString::fromStdString(server.url("/head"))}));
    EXPECT_EQ(title.text(), "");
}
