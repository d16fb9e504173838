// Playlist answers (.pls, .m3u) lead to the stream they name.
#include "audio/test_net_stream_helpers.h"
#include "support/servers/test_http_server.h"

#include <gtest/gtest.h>

using audio::net::HttpOpenError;
using audio::net::HttpSource;
using nettest::drain;
using testsupport::TestHttpServer;
using testsupport::TestResponse;

TEST(NetPlaylist, PlsAnswerLeadsToItsFirstHttpEntry) {
    TestHttpServer server;
    server.route("/stream", TestResponse::ok("the audio", "audio/mpeg"));
    server.route("/listen", TestResponse::ok("[playlist]\r\nNumberOfEntries=2\r\n"
                                             "File1=" +
                                                 server.url("/stream") +
                                                 "\r\n"
                                                 "Title1=Station\r\nFile2=http://127.0.0.1:1/x\r\n",
                                             "audio/x-scpls"));
    auto source = HttpSource::open(server.url("/listen"), nettest::quickOptions(), nullptr);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->contentType(), "audio/mpeg");
    EXPECT_EQ(drain(*source).bytes, "the audio");
}

TEST(NetPlaylist, M3uRecognisedByItsNameSkipsCommentsAndOtherSchemes) {
    TestHttpServer server;
    server.route("/stream", TestResponse::ok("m3u audio", "audio/mpeg"));
    server.route("/radio.m3u", TestResponse::ok("#EXTM3U\n#EXTINF:-1,Station\n"
                                                "file:///etc/hostname\n\n" +
                                                    server.url("/stream") + "\n",
                                                "text/plain"));
    auto source =
        HttpSource::open(server.url("/radio.m3u?session=1"), nettest::quickOptions(), nullptr);
    ASSERT_TRUE(source);
    EXPECT_EQ(drain(*source).bytes, "m3u audio");
}

TEST(NetPlaylist, AudioAtAPlaylistNameIsPlayedAsIs) {
    TestHttpServer server;
    server.route("/odd.pls", TestResponse::ok("really audio", "audio/mpeg"));
    auto source = HttpSource::open(server.url("/odd.pls"), nettest::quickOptions(), nullptr);
    ASSERT_TRUE(source);
    EXPECT_EQ(drain(*source).bytes, "really audio");
}

TEST(NetPlaylist, SelfReferenceAndChainsEndInsteadOfLooping) {
    TestHttpServer server;
    server.route("/self.pls",
                 TestResponse::ok("File1=" + server.url("/self.pls") + "\n", "audio/x-scpls"));
    server.route("/a.m3u", TestResponse::ok(server.url("/b.m3u") + "\n", "audio/x-mpegurl"));
    server.route("/b.m3u", TestResponse::ok(server.url("/a.m3u") + "\n", "audio/mpegurl"));

    EXPECT_EQ(nettest::openFailure(server.url("/self.pls"), nettest::quickOptions()),
              HttpOpenError::NotAudio);
    EXPECT_EQ(server.requestCount("/self.pls"), 1u);

    EXPECT_EQ(nettest::openFailure(server.url("/a.m3u"), nettest::quickOptions()),
              HttpOpenError::NotAudio);
    EXPECT_EQ(server.requestCount("/a.m3u"), 1u);
    EXPECT_EQ(server.requestCount("/b.m3u"), 1u);
}

TEST(NetPlaylist, UnfollowedEmptyOrOversizedPlaylistsFail) {
    TestHttpServer server;
    server.route("/stream", TestResponse::ok("audio", "audio/mpeg"));
    server.route("/list.pls",
                 TestResponse::ok("File1=" + server.url("/stream") + "\n", "audio/x-scpls"));
    server.route("/empty.pls",
                 TestResponse::ok("[playlist]\nNumberOfEntries=0\n", "audio/x-scpls"));
    server.route("/huge.m3u",
                 TestResponse::ok(std::string(200 * 1024, '#') + "\n" + server.url("/stream"),
                                  "audio/x-mpegurl"));

    EXPECT_EQ(nettest::openFailure(server.url("/list.pls"), nettest::quickOptions(2000, false)),
              HttpOpenError::NotAudio);
    EXPECT_EQ(nettest::openFailure(server.url("/empty.pls"), nettest::quickOptions()),
              HttpOpenError::NotAudio);
    EXPECT_EQ(nettest::openFailure(server.url("/huge.m3u"), nettest::quickOptions()),
              HttpOpenError::NotAudio);
    EXPECT_EQ(server.requestCount("/stream"), 0u);
}
