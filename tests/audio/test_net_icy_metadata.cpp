// Station streams: "ICY 200 OK" answers and the metadata blocks interleaved
// with the audio, served by the scriptable test server.
#include "audio/test_net_stream_helpers.h"
#include "support/servers/test_http_server.h"

#include <gtest/gtest.h>

using audio::net::HttpOpenError;
using audio::net::HttpSource;
using nettest::drain;
using nettest::interleave;
using testsupport::TestHttpServer;
using testsupport::TestResponse;

namespace {

const std::string icyHead = "ICY 200 OK\r\n"
                            "icy-name: Raw Station\r\n"
                            "icy-metaint: 64\r\n"
                            "content-type: audio/mpeg\r\n"
                            "\r\n";

// What a station at `url` delivered when read to its end: its audio, the
// read result that ended it, and the metadata texts it handed over once
// `texts` of them had come.
struct Heard {
    bool opened = false;
    nettest::Drained drained;
    std::vector<std::string> texts;
};

Heard listen(const std::string& url, std::size_t texts) {
    Heard heard;
    auto source = HttpSource::open(url, nettest::quickOptions(), nullptr);
    if (!source)
        return heard;
    heard.opened = true;
    nettest::MetadataLog log;
    log.attach(*source);
    heard.drained = drain(*source);
    heard.texts = texts == 0 ? log.texts() : log.textsOnceThereAre(texts);
    return heard;
}

} // namespace

TEST(NetIcyStream, IcyAnswerHeadersAreParsedFromTheBody) {
    TestHttpServer server;
    const std::string audio = nettest::pattern(64 * 5);
    server.route("/icy", TestResponse::rawText(
                             icyHead + interleave(audio, 64, {{1, "StreamTitle='First';"}})));

    audio::net::HttpFailure failure;
    auto source = HttpSource::open(server.url("/icy"), nettest::quickOptions(), &failure);
    ASSERT_TRUE(source);
    EXPECT_EQ(failure.kind, HttpOpenError::None);
    EXPECT_EQ(source->icyHeaders(),
              (std::vector<std::string>{"ICY 200 OK", "icy-name: Raw Station", "icy-metaint: 64",
                                        "content-type: audio/mpeg"}));
    EXPECT_TRUE(source->httpHeaders().empty());
    EXPECT_EQ(source->contentType(), "audio/mpeg");
    EXPECT_EQ(source->contentLength(), -1);
    nettest::MetadataLog log;
    log.attach(*source);
    const auto drained = drain(*source);
    EXPECT_EQ(drained.last, 0);
    EXPECT_EQ(drained.bytes, audio);
    EXPECT_EQ(log.textsOnceThereAre(1), std::vector<std::string>{"StreamTitle='First';"});
}

TEST(NetIcyStream, IcyAnswerDrippedByteByByteStillParses) {
    TestHttpServer server;
    const std::string audio = nettest::pattern(64 * 3);
    server.route("/icy", [&] {
        TestResponse response =
            TestResponse::rawText(icyHead + interleave(audio, 64, {{0, "StreamTitle='Slow';"}}));
        response.chunkSize = 1;
        response.chunkDelayMs = 1;
        return response;
    }());
    const Heard heard = listen(server.url("/icy"), 1);
    ASSERT_TRUE(heard.opened);
    EXPECT_EQ(heard.drained.bytes, audio);
    EXPECT_EQ(heard.texts, std::vector<std::string>{"StreamTitle='Slow';"});
}

TEST(NetIcyStream, IcyErrorStatusFailsTheOpen) {
    TestHttpServer server;
    server.route("/full", TestResponse::rawText("ICY 401 Service Unavailable\r\n\r\n"));
    server.route("/cut", TestResponse::rawText("ICY 200 OK\r\nicy-name: Cut"));
    EXPECT_EQ(nettest::openFailure(server.url("/full"), nettest::quickOptions()),
              HttpOpenError::HttpStatus);
    EXPECT_EQ(nettest::openFailure(server.url("/cut"), nettest::quickOptions()),
              HttpOpenError::HttpStatus);
}

TEST(NetIcyStream, MetadataSplitAcrossChunksIsStrippedAndReported) {
    TestHttpServer server;
    const std::string audio = nettest::pattern(100 * 8 + 30);
    const std::string utf8Title = "StreamTitle='\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88 - Song';";
    TestResponse response = TestResponse::dripped(
        interleave(audio, 100, {{1, "StreamTitle='One';StreamUrl='';"}, {4, utf8Title}}), 7, 1,
        "audio/mpeg");
    response.headers = {"icy-metaint: 100"};
    server.route("/radio", response);

    const Heard heard = listen(server.url("/radio"), 2);
    ASSERT_TRUE(heard.opened);
    EXPECT_EQ(heard.drained.last, 0);
    EXPECT_EQ(heard.drained.bytes, audio);
    EXPECT_EQ(heard.texts,
              (std::vector<std::string>{"StreamTitle='One';StreamUrl='';", utf8Title}));
}

TEST(NetIcyStream, MetadataLengthRunningPastTheDataEndsCleanly) {
    TestHttpServer server;
    const std::string audio = nettest::pattern(32);
    const std::string stream = audio + '\xFF' + "StreamTitle='never finished";
    server.route("/cut", TestResponse::rawText("HTTP/1.0 200 OK\r\nicy-metaint: 32\r\n"
                                               "Content-Type: audio/mpeg\r\n\r\n" +
                                               stream));
    const Heard heard = listen(server.url("/cut"), 0);
    ASSERT_TRUE(heard.opened);
    EXPECT_EQ(heard.drained.last, 0);
    EXPECT_EQ(heard.drained.bytes, audio);
    EXPECT_TRUE(heard.texts.empty());
}

TEST(NetIcyStream, GarbageMetadataIsHandedOverVerbatimWithoutPadding) {
    TestHttpServer server;
    const std::string audio = nettest::pattern(48);
    const std::string junk("\x01\xFE\x00junk\x00\x00", 9);
    std::string stream = audio.substr(0, 16) + '\x01' + junk;
    stream.append(16 - junk.size(), '\0');
    stream += audio.substr(16, 16) + '\x00' + audio.substr(32, 16);
    TestResponse response = TestResponse::ok(stream, "audio/mpeg");
    response.headers = {"icy-metaint: 16"};
    server.route("/junk", response);

    const Heard heard = listen(server.url("/junk"), 1);
    ASSERT_TRUE(heard.opened);
    EXPECT_EQ(heard.drained.bytes, audio);
    EXPECT_EQ(heard.texts, std::vector<std::string>{std::string("\x01\xFE\x00junk", 7)});
}
