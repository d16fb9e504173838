// Whole documents (feeds) over the one HTTP client against the scriptable
// test server: progress steps, the forced reload, the bounds, refusals, and
// failures that give no data but say why.
#include "audio/codecs/net/document_fetch.h"
#include "audio/test_net_stream_helpers.h"
#include "support/servers/loopback.h"
#include "support/servers/test_http_server.h"

#include <gtest/gtest.h>

using audio::net::fetchDocument;
using audio::net::FetchedDocument;
using audio::net::HttpLimits;
using audio::net::HttpOpenError;
using nettest::millisSince;
using testsupport::TestHttpServer;
using testsupport::TestResponse;
using Clock = std::chrono::steady_clock;

namespace {

struct ProgressLog {
    std::vector<int64_t> totals;
    audio::net::FetchProgress callback() {
        return [this](int64_t total) { totals.push_back(total); };
    }
};

HttpLimits quickLimits() {
    HttpLimits limits = HttpLimits::document();
    limits.connectTimeoutMs = 1000;
    limits.stallTimeoutMs = 500;
    limits.deadlineMs = 5000;
    limits.maxBodyBytes = 1024 * 1024;
    return limits;
}

FetchedDocument fetch(const std::string& url, ProgressLog* progress = nullptr) {
    return fetchDocument(url, quickLimits(), progress ? progress->callback() : nullptr);
}

} // namespace

TEST(NetDocumentFetch, ReportsProgressPer256BytesAndTheRestAtTheEnd) {
    TestHttpServer server;
    const std::string body = nettest::pattern(600);
    server.route("/600", TestResponse::ok(body));
    server.route("/600-dripped", TestResponse::dripped(body, 100, 2));
    server.route("/512", TestResponse::ok(body.substr(0, 512)));
    server.route("/empty", TestResponse::ok(""));
    const struct {
        const char* path;
        size_t size;
        std::vector<int64_t> progress;
    } cases[] = {
        {"/600", 600, {256, 512, 600}},
        {"/600-dripped", 600, {256, 512, 600}},
        {"/512", 512, {256, 512}},
        {"/empty", 0, {}},
    };
    for (const auto& c : cases) {
        ProgressLog progress;
        const FetchedDocument document = fetch(server.url(c.path), &progress);
        EXPECT_FALSE(document.failure) << c.path << ": " << describe(document.failure);
        EXPECT_EQ(document.body, body.substr(0, c.size)) << c.path;
        EXPECT_EQ(progress.totals, c.progress) << c.path;
    }
}

TEST(NetDocumentFetch, AsksForAFreshCopyWithoutStationMetadataAndKnowsWhereItEnded) {
    TestHttpServer server;
    server.route("/shows/feed.xml", TestResponse::ok("<rss/>", "application/rss+xml"));
    server.route("/moved", TestResponse::redirect(server.url("/shows/feed.xml")));
    EXPECT_EQ(fetch(server.url("/shows/feed.xml")).body, "<rss/>");
    const FetchedDocument moved = fetch(server.url("/moved"));
    EXPECT_EQ(moved.body, "<rss/>");
    EXPECT_EQ(moved.finalUrl, server.url("/shows/feed.xml"));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    for (const auto& request : requests) {
        EXPECT_EQ(request.header("Cache-Control"), "no-cache");
        EXPECT_EQ(request.header("Pragma"), "no-cache");
        EXPECT_EQ(request.header("Icy-MetaData"), "");
    }
}

TEST(NetDocumentFetch, OnlyHttpAndHttpsAreFetched) {
    TestHttpServer server;
    server.route("/to-file", TestResponse::redirect("file:///etc/hostname"));
    const struct {
        std::string url;
        HttpOpenError kind;
    } cases[] = {
        {"file:///etc/hostname", HttpOpenError::BadUrl},
        {"ftp://127.0.0.1/feed.xml", HttpOpenError::BadUrl},
        {"/etc/hostname", HttpOpenError::BadUrl},
        {"gopher://127.0.0.1/", HttpOpenError::BadUrl},
        {server.url("/to-file"), HttpOpenError::BadUrl},
    };
    for (const auto& c : cases) {
        ProgressLog progress;
        const FetchedDocument document = fetch(c.url, &progress);
        EXPECT_EQ(document.failure.kind, c.kind) << c.url << ": " << describe(document.failure);
        EXPECT_TRUE(document.body.empty()) << c.url;
        EXPECT_TRUE(progress.totals.empty()) << c.url;
    }
}

TEST(NetDocumentFetch, FailuresGiveNoDataAndSayWhy) {
    TestHttpServer server;
    const std::string part = nettest::pattern(3000);
    server.route("/truncated", TestResponse::truncated(part, 5000));
    server.route("/reset", TestResponse::resetAfter(part, "text/xml"));
    server.route("/garbage", TestResponse::garbage());
    server.route("/silent", TestResponse::silent());
    server.route("/stall", TestResponse::stalled(part, "text/xml"));
    const std::string dead = "http://127.0.0.1:" + std::to_string(testsupport::freeLoopbackPort());
    const struct {
        std::string url;
        HttpOpenError kind;
        std::string detail; // a part of the cause's text
    } cases[] = {
        {server.url("/missing"), HttpOpenError::HttpStatus, "404 Not Found"},
        {server.url("/truncated"), HttpOpenError::Connect, ""},
        {server.url("/reset"), HttpOpenError::Connect, ""},
        {server.url("/garbage"), HttpOpenError::HttpStatus, "status line"},
        {server.url("/silent"), HttpOpenError::Timeout, "500 ms"},
        {server.url("/stall"), HttpOpenError::Timeout, "500 ms"},
        {dead + "/feed", HttpOpenError::Connect, ""},
    };
    for (const auto& c : cases) {
        const auto start = Clock::now();
        const FetchedDocument document = fetch(c.url);
        EXPECT_EQ(document.failure.kind, c.kind) << c.url << ": " << describe(document.failure);
        EXPECT_NE(describe(document.failure).find(c.detail), std::string::npos)
            << describe(document.failure);
        EXPECT_TRUE(document.body.empty()) << c.url;
        EXPECT_LT(millisSince(start), 3000) << c.url;
    }
}

TEST(NetDocumentFetch, TheSizeCapEndsAnEndlessOrOversizedBody) {
    TestHttpServer server;
    server.route("/endless", TestResponse::endless("text/xml"));
    server.route("/big", TestResponse::ok(nettest::pattern(2 * 1024 * 1024)));

    ProgressLog progress;
    const FetchedDocument endless = fetch(server.url("/endless"), &progress);
    EXPECT_EQ(endless.failure.kind, HttpOpenError::TooLarge);
    EXPECT_TRUE(endless.body.empty());
    ASSERT_FALSE(progress.totals.empty());
    EXPECT_LE(progress.totals.back(), quickLimits().maxBodyBytes);

    ProgressLog announced;
    EXPECT_EQ(fetch(server.url("/big"), &announced).failure.kind, HttpOpenError::TooLarge);
    EXPECT_TRUE(announced.totals.empty()) << "refused from its Content-Length";
}

// The answer's headers as servers really write them, then a body that never
// ends: only a refusal at the headers ends the fetch before its deadline.
TEST(NetDocumentFetch, EveryContentTypeOfAStreamIsRefusedWhateverItsForm) {
    TestHttpServer server;
    const struct {
        const char* headers;
        bool refused;
    } cases[] = {
        {"Content-Type: application/ogg\r\n", true},
        {"Content-Type: Application/X-Ogg\r\n", true},
        {"Content-Type: text/xml\r\nContent-Type: audio/mpeg\r\n", true},
        {"Content-Type: audio/mpeg\r\nContent-Type: text/xml\r\n", true},
        {"Content-Type : audio/mpeg\r\n", true},
        {"content-type\t: video/webm\r\n", true},
        {"Content-Type: text/xml, audio/aac\r\n", true},
        {"Content-Type: application/rss+xml\r\nContent-Type: text/xml\r\n", false},
        {"Content-Type : application/rss+xml\r\n", false},
        {"X-Content-Type: audio/mpeg\r\nContent-Type: text/xml\r\n", false},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string path = "/raw" + std::to_string(n++);
        const std::string head = std::string("HTTP/1.1 200 OK\r\n") + c.headers + "\r\n<rss/>";
        server.route(path, TestResponse::rawText(head, c.refused ? TestResponse::Ending::Hold
                                                                 : TestResponse::Ending::Close));
        const FetchedDocument document = fetch(server.url(path));
        EXPECT_EQ(document.failure.kind == HttpOpenError::Refused, c.refused)
            << c.headers << ": " << describe(document.failure);
        EXPECT_EQ(document.body, c.refused ? "" : "<rss/>") << c.headers;
    }
}

TEST(NetDocumentFetch, AudioAndVideoAnswersAreRefusedAsSoonAsTheirHeadersAreIn) {
    TestHttpServer server;
    const struct {
        const char* type;
        bool refused;
    } cases[] = {
        {"audio/mpeg", true},
        {"Audio/AAC; rate=44100", true},
        {"video/mp4", true},
        {"audio/x-mpegurl", true},
        {"application/rss+xml", false},
        {"text/xml; charset=utf-8", false},
        {"application/octet-stream", false},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string path = "/type" + std::to_string(n++);
        server.route(path, c.refused ? TestResponse::endless(c.type)
                                     : TestResponse::ok("<rss/>", c.type));
        const auto start = Clock::now();
        const FetchedDocument document = fetch(server.url(path));
        EXPECT_EQ(document.failure.kind == HttpOpenError::Refused, c.refused)
            << c.type << ": " << describe(document.failure);
        EXPECT_EQ(document.body, c.refused ? "" : "<rss/>") << c.type;
        EXPECT_LT(millisSince(start), 1000) << c.type;
    }
}
