// Every blocking operation of the HTTP client (a document, a station probe,
// a stream's open) ends at its overall deadline whatever the server sends,
// and within a tenth of a second of its abort check saying so. Short limits
// stand in for the real ones (30 s, 10 s).
#include "audio/api/bass.h"
#include "audio/codecs/decoder.h"
#include "audio/codecs/net/document_fetch.h"
#include "audio/codecs/net/header_probe.h"
#include "audio/test_net_stream_helpers.h"
#include "support/fixtures.h"
#include "support/servers/test_http_server.h"
#include "support/temp_dir.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using audio::net::HttpLimits;
using audio::net::HttpOpenError;
using nettest::millisSince;
using namespace testsupport;
using Clock = std::chrono::steady_clock;

namespace {

using Operation = HttpOpenError (*)(const std::string& url, const HttpLimits& limits);

HttpOpenError fetchDocument(const std::string& url, const HttpLimits& limits) {
    return audio::net::fetchDocument(url, limits, nullptr).failure.kind;
}

HttpOpenError probe(const std::string& url, const HttpLimits& limits) {
    return audio::net::probeHeaders(url, limits).failure.kind;
}

// The library's error codes for a stream's open, as the client's kinds.
HttpOpenError openStream(const std::string& url, const HttpLimits& limits) {
    audio::net::HttpOpenOptions options;
    options.limits = limits;
    int error = 0;
    if (audio::Decoder::openUrl(url, options, &error))
        return HttpOpenError::None;
    switch (error) {
    case BASS_ERROR_TIMEOUT:
        return HttpOpenError::Deadline; // the stall timeout is out of reach here
    case BASS_ERROR_ENDED:
        return HttpOpenError::Aborted;
    default:
        return HttpOpenError::HttpStatus;
    }
}

// A stall timeout that no trickle lets run out, a short deadline.
HttpLimits trickleLimits(long deadlineMs) {
    HttpLimits limits;
    limits.connectTimeoutMs = 1000;
    limits.stallTimeoutMs = 400;
    limits.deadlineMs = deadlineMs;
    return limits;
}

struct Case {
    const char* what;
    Operation operation;
    const char* path;
};

class NetLimits : public ::testing::Test {
protected:
    void SetUp() override {
        server.route("/trickle.xml", TestResponse::trickle("text/xml", 100));
        server.route("/trickle.mp3", TestResponse::trickle("audio/mpeg", 100));
        server.route("/head", TestResponse::trickledHeaders(100));
        server.route("/head.pls",
                     TestResponse::ok("File1=" + server.url("/head") + "\n", "audio/x-scpls"));
    }
    TestHttpServer server;
};

const Case kTrickles[] = {
    {"a document whose body trickles", &fetchDocument, "/trickle.xml"},
    {"a document whose headers trickle", &fetchDocument, "/head"},
    {"a probe whose headers trickle", &probe, "/head"},
    {"a probe led on by a playlist", &probe, "/head.pls"},
    {"a stream whose audio trickles", &openStream, "/trickle.mp3"},
    {"a stream whose headers trickle", &openStream, "/head"},
};

} // namespace

TEST_F(NetLimits, EveryBlockingOperationEndsAtItsDeadlineWhateverTheServerSends) {
    constexpr long kDeadlineMs = 700;
    for (const Case& c : kTrickles) {
        const auto start = Clock::now();
        EXPECT_EQ(c.operation(server.url(c.path), trickleLimits(kDeadlineMs)),
                  HttpOpenError::Deadline)
            << c.what;
        EXPECT_GE(millisSince(start), kDeadlineMs - 50) << c.what;
        EXPECT_LT(millisSince(start), kDeadlineMs + 1500) << c.what;
    }
}

TEST_F(NetLimits, TheAbortCheckEndsEveryBlockingOperationWithinATenthOfASecond) {
    for (const Case& c : kTrickles) {
        std::atomic<bool> closing{false};
        HttpLimits limits = trickleLimits(0);
        limits.stallTimeoutMs = 30000;
        limits.abortRequested = [&closing] { return closing.load(); };
        std::atomic<int64_t> askedAt{0};
        std::thread closer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            askedAt = Clock::now().time_since_epoch().count();
            closing = true;
        });
        const HttpOpenError result = c.operation(server.url(c.path), limits);
        const auto ended = Clock::now();
        closer.join();
        EXPECT_EQ(result, HttpOpenError::Aborted) << c.what;
        const auto late = ended - Clock::time_point(Clock::duration(askedAt.load()));
        EXPECT_LT(late, std::chrono::milliseconds(100 + 400)) << c.what << " (load margin)";
    }
    // Asked before it starts: nothing reaches the server.
    HttpLimits closed = trickleLimits(0);
    closed.abortRequested = [] { return true; };
    const size_t before = server.requests().size();
    for (const Case& c : kTrickles)
        EXPECT_EQ(c.operation(server.url(c.path), closed), HttpOpenError::Aborted) << c.what;
    EXPECT_EQ(server.requests().size(), before);
}

TEST_F(NetLimits, AStreamsDeadlineEndsWithItsFirstAudio) {
    // 20 s of MP3 in 32 KB pieces 100 ms apart: about a second in all, its
    // first audio within the first pieces.
    const std::string mp3 = testsupport::readFile(testsupport::fixture("tone_1k_20s.mp3"));
    server.route("/episode.mp3", TestResponse::dripped(mp3, 32 * 1024, 100, "audio/mpeg"));
    audio::net::HttpOpenOptions options;
    options.limits = trickleLimits(600);
    int error = 0;
    auto decoder = audio::Decoder::openUrl(server.url("/episode.mp3"), options, &error);
    ASSERT_TRUE(decoder) << error;
    std::vector<float> block(4096 * 2);
    int64_t frames = 0;
    for (int got; (got = decoder->decode(block.data(), 4096)) > 0;)
        frames += got;
    EXPECT_NEAR(frames, 20 * 44100, 1152 * 2) << "the whole stream, past the open's deadline";
}

TEST_F(NetLimits, AProbeEndsAsSoonAsTheStationsHeadersAreIn) {
    TestResponse trickling = TestResponse::trickle("audio/mpeg", 5000);
    trickling.headers = {"icy-name: Slow Station", "icy-metaint: 16000"};
    server.route("/station", trickling);
    server.route("/icy", TestResponse::rawText("ICY 200 OK\r\nicy-name: Raw Station\r\n"
                                               "content-type: audio/mpeg\r\n\r\n",
                                               TestResponse::Ending::TrickleBody));
    server.route(
        "/station.pls",
        TestResponse::ok("[playlist]\nFile1=" + server.url("/station") + "\n", "audio/x-scpls"));
    const struct {
        const char* path;
        const char* icyLine;
    } cases[] = {
        {"/station", "icy-name: Slow Station"},
        {"/icy", "icy-name: Raw Station"},
        {"/station.pls", "icy-name: Slow Station"},
    };
    for (const auto& c : cases) {
        const auto start = Clock::now();
        const audio::net::ProbedHeaders probed =
            audio::net::probeHeaders(server.url(c.path), HttpLimits::probe());
        EXPECT_FALSE(probed.failure) << c.path << ": " << describe(probed.failure);
        EXPECT_NE(std::find(probed.icyLines.begin(), probed.icyLines.end(), c.icyLine),
                  probed.icyLines.end())
            << c.path;
        EXPECT_LT(millisSince(start), 1000) << c.path;
    }
}
