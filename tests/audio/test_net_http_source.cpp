// HttpSource against the scriptable test server: headers, bodies, seeking,
// back-pressure and every way a server can fail.
#include "audio/test_net_stream_helpers.h"
#include "support/servers/loopback.h"
#include "support/servers/test_http_server.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <thread>

using audio::net::HttpOpenError;
using audio::net::HttpSource;
using nettest::drain;
using nettest::millisSince;
using testsupport::TestHttpServer;
using testsupport::TestResponse;
using Clock = std::chrono::steady_clock;

namespace {

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

} // namespace

TEST(NetHttpSource, KeepsHeadersAndDeliversTheWholeBody) {
    TestHttpServer server;
    TestResponse response = TestResponse::ok(nettest::pattern(100000), "audio/mpeg");
    response.headers = {"icy-name: Test Station", "icy-genre: Tone"};
    server.route("/stream.mp3", response);

    audio::net::HttpFailure failure;
    auto source = HttpSource::open(server.url("/stream.mp3"), nettest::quickOptions(), &failure);
    ASSERT_TRUE(source);
    EXPECT_EQ(failure.kind, HttpOpenError::None);
    EXPECT_EQ(source->httpHeaders().front(), "HTTP/1.1 200 OK");
    EXPECT_TRUE(contains(source->httpHeaders(), "Content-Type: audio/mpeg"));
    EXPECT_TRUE(contains(source->httpHeaders(), "icy-name: Test Station"));
    EXPECT_EQ(source->icyHeaders(),
              (std::vector<std::string>{"icy-name: Test Station", "icy-genre: Tone"}));
    EXPECT_EQ(source->contentType(), "audio/mpeg");
    EXPECT_EQ(source->contentLength(), 100000);

    const auto drained = drain(*source);
    EXPECT_EQ(drained.last, 0);
    EXPECT_EQ(drained.bytes, response.body);
    EXPECT_EQ(server.requests().front().header("Icy-MetaData"), "1");
}

TEST(NetHttpSource, LiveStreamHasNoLengthAndFollowsRedirects) {
    TestHttpServer server;
    TestResponse live = TestResponse::ok("live bytes", "audio/mpeg");
    live.announcedLength = -1;
    server.route("/live", live);
    server.route("/old", TestResponse::redirect(server.url("/live")));

    auto source = HttpSource::open(server.url("/old"), nettest::quickOptions(), nullptr);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->contentLength(), -1);
    EXPECT_EQ(drain(*source).bytes, "live bytes");
}

TEST(NetHttpSource, ReaderSlowerThanServerGetsEveryByteInOrder) {
    // Far more than the buffer holds: the transfer must pause and resume
    // without losing or repeating bytes.
    TestHttpServer server;
    const std::string body = nettest::pattern(3 * 1024 * 1024 + 17);
    server.route("/big", TestResponse::ok(body, "audio/mpeg"));

    auto source = HttpSource::open(server.url("/big"), nettest::quickOptions(), nullptr);
    ASSERT_TRUE(source);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto drained = drain(*source);
    EXPECT_EQ(drained.last, 0);
    EXPECT_EQ(drained.bytes.size(), body.size());
    EXPECT_TRUE(drained.bytes == body);
}

TEST(NetHttpSource, SeeksWithRangeRequestsWhenTheServerAllowsThem) {
    TestHttpServer server;
    TestResponse file = TestResponse::ok(nettest::pattern(200000), "audio/mpeg");
    file.ranges = true;
    server.route("/episode.mp3", file);
    server.route("/plain.mp3", TestResponse::ok(nettest::pattern(1000), "audio/mpeg"));

    auto source = HttpSource::open(server.url("/episode.mp3"), nettest::quickOptions(), nullptr);
    ASSERT_TRUE(source);
    uint8_t first[100];
    ASSERT_GT(source->read(first, sizeof first), 0);
    EXPECT_EQ(source->seek(150000), 150000);
    EXPECT_EQ(drain(*source).bytes, file.body.substr(150000));
    EXPECT_EQ(server.requests().back().header("Range"), "bytes=150000-");
    EXPECT_EQ(source->seek(0), 0);
    EXPECT_EQ(drain(*source).bytes, file.body);
    EXPECT_EQ(source->seek(200000), -1); // at the end

    auto plain = HttpSource::open(server.url("/plain.mp3"), nettest::quickOptions(), nullptr);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->seek(500), -1);
}

TEST(NetHttpSource, RefusesOtherSchemes) {
    for (const std::string url :
         {"file:///etc/hostname", "ftp://127.0.0.1/x.mp3", "stream.mp3", ""}) {
        EXPECT_EQ(nettest::openFailure(url, nettest::quickOptions()), HttpOpenError::BadUrl) << url;
    }
}

TEST(NetHttpSource, ErrorStatusGarbageAndDeadPortsFailTheOpen) {
    TestHttpServer server;
    server.route("/garbage", TestResponse::garbage());
    TestResponse unavailable = TestResponse::ok("busy");
    unavailable.status = 503;
    server.route("/busy", unavailable);

    EXPECT_EQ(nettest::openFailure(server.url("/missing"), nettest::quickOptions()),
              HttpOpenError::HttpStatus);
    EXPECT_EQ(nettest::openFailure(server.url("/busy"), nettest::quickOptions()),
              HttpOpenError::HttpStatus);
    EXPECT_EQ(nettest::openFailure(server.url("/garbage"), nettest::quickOptions()),
              HttpOpenError::HttpStatus);

    const auto start = Clock::now();
    const std::string dead = "http://127.0.0.1:" + std::to_string(testsupport::freeLoopbackPort());
    EXPECT_EQ(nettest::openFailure(dead + "/stream", nettest::quickOptions()),
              HttpOpenError::Connect);
    EXPECT_LT(millisSince(start), 1500);
}

TEST(NetHttpSource, ServerThatNeverAnswersTimesOut) {
    TestHttpServer server;
    server.route("/silent", TestResponse::silent());
    const auto start = Clock::now();
    EXPECT_EQ(nettest::openFailure(server.url("/silent"), nettest::quickOptions(300)),
              HttpOpenError::Timeout);
    EXPECT_GE(millisSince(start), 250);
    EXPECT_LT(millisSince(start), 3000);
}

TEST(NetHttpSource, StalledStreamEndsReadsWithAnError) {
    TestHttpServer server;
    server.route("/stall", TestResponse::stalled(nettest::pattern(5000)));
    auto source = HttpSource::open(server.url("/stall"), nettest::quickOptions(300), nullptr);
    ASSERT_TRUE(source);
    const auto start = Clock::now();
    const auto drained = drain(*source);
    EXPECT_EQ(drained.bytes, nettest::pattern(5000));
    EXPECT_EQ(drained.last, -1);
    EXPECT_LT(millisSince(start), 3000);
}

TEST(NetHttpSource, ResetOrTruncatedBodyEndsWithAnErrorAfterTheBytesReceived) {
    TestHttpServer server;
    const std::string part = nettest::pattern(40000);
    server.route("/reset", TestResponse::resetAfter(part));
    server.route("/short", TestResponse::truncated(part, 90000));

    for (const std::string path : {"/reset", "/short"}) {
        auto source = HttpSource::open(server.url(path), nettest::quickOptions(), nullptr);
        ASSERT_TRUE(source) << path;
        const auto drained = drain(*source);
        EXPECT_EQ(drained.last, -1) << path;
        EXPECT_LE(drained.bytes.size(), part.size()) << path;
        EXPECT_EQ(drained.bytes, part.substr(0, drained.bytes.size())) << path;
    }
}

TEST(NetHttpSource, CancelWakesABlockedReadAtOnce) {
    TestHttpServer server;
    server.route("/stall", TestResponse::stalled("x"));
    auto source = HttpSource::open(server.url("/stall"), nettest::quickOptions(30000), nullptr);
    ASSERT_TRUE(source);
    uint8_t byte = 0;
    ASSERT_EQ(source->read(&byte, 1), 1);

    std::thread canceller([&source] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        source->cancel();
    });
    const auto start = Clock::now();
    EXPECT_EQ(source->read(&byte, 1), -1);
    EXPECT_LT(millisSince(start), 2000);
    canceller.join();
    EXPECT_EQ(source->read(&byte, 1), -1);
}

TEST(NetHttpSource, EndlessBodyCanBeAbandoned) {
    TestHttpServer server;
    server.route("/endless", TestResponse::endless("audio/mpeg"));
    auto source = HttpSource::open(server.url("/endless"), nettest::quickOptions(), nullptr);
    ASSERT_TRUE(source);
    const auto drained = drain(*source, 2 * 1024 * 1024);
    EXPECT_GE(drained.bytes.size(), 2u * 1024 * 1024);
    EXPECT_EQ(drained.bytes.find_first_not_of('x'), std::string::npos);
    const auto start = Clock::now();
    source.reset();
    EXPECT_LT(millisSince(start), 2000);
}
