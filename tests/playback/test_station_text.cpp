// Station names and titles in the encodings stations send (UTF-8, Latin-1,
// Shift-JIS), served with ICY headers and metadata by the tests' HTTP server.
#include "audio/api/bass.h"
#include "playback/station_probe.h"
#include "playback/track_title.h"
#include "support/fixtures.h"
#include "support/servers/test_http_server.h"
#include "support/temp_dir.h"

#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

constexpr size_t kMetaInterval = 4000;

// The MP3 with a metadata block after every kMetaInterval bytes of audio:
// the title in the first, empty blocks after it.
std::string WithMetadata(const std::string& audio, const std::string& title) {
    const std::string text = "StreamTitle='" + title + "';";
    const size_t units = (text.size() + 15) / 16;
    std::string body;
    for (size_t at = 0; at + kMetaInterval <= audio.size(); at += kMetaInterval) {
        body += audio.substr(at, kMetaInterval);
        if (at == 0) {
            body += static_cast<char>(units);
            body += text + std::string(units * 16 - text.size(), '\0');
        } else {
            body += '\0';
        }
    }
    return body;
}

class StationTextTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("QUAVERLY_AUDIO", "null:fast", 1);
        BASS_Init(-1, 44100, 0, nullptr, nullptr);
    }
    static void TearDownTestSuite() { BASS_Free(); }
};

} // namespace

TEST_F(StationTextTest, NamesAndTitlesAreReadInTheEncodingTheStationSent) {
    const std::string audio = testsupport::readFile(testsupport::fixture("tone_1k_3s.mp3"));
    const struct {
        std::string name;
        std::string title;
        QString shownName;
        QString shownTitle;
    } cases[] = {
        {"Radio Fran\xE7"
         "aise",
         "Bj\xF6rk - J\xF3ga", "Radio Française", "Björk - Jóga"},
        {"\xD7\xBC\xDE\xB5", "\x83\x65\x83\x58\x83\x67 - \x8B\xC8", "ﾗｼﾞｵ", "テスト - 曲"},
        {"Caf\xC3\xA9 FM", "\xE6\x97\xA5\xE6\x9C\xAC - Song", "Café FM", "日本 - Song"},
    };
    testsupport::TestHttpServer server;
    for (const auto& c : cases) {
        testsupport::TestResponse response =
            testsupport::TestResponse::ok(WithMetadata(audio, c.title), "audio/mpeg");
        response.headers = {"icy-metaint: " + std::to_string(kMetaInterval), "icy-name: " + c.name};
        server.route("/station", response);
        const std::string url = server.url("/station");
        EXPECT_EQ(playback::ProbeStationName(QString::fromStdString(url)), " " + c.shownName);

        const HSTREAM stream = BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr);
        ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
        ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
        ASSERT_TRUE(QTest::qWaitFor([&] { return BASS_ChannelGetTags(stream, BASS_TAG_META); }));
        QString title;
        ASSERT_TRUE(playback::StationTitleText(BASS_ChannelGetTags(stream, BASS_TAG_META), &title));
        EXPECT_EQ(title, c.shownTitle);
        BASS_StreamFree(stream);
    }
}
