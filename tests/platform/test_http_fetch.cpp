// fetchUrl against the scriptable test server: progress steps, the forced
// reload, the bounds, and failures that must give no data.
#include "platform/http_fetch.h"
#include "support/servers/loopback.h"
#include "support/servers/test_http_server.h"

#include <chrono>
#include <gtest/gtest.h>

using platform::FetchLimits;
using platform::fetchUrl;
using testsupport::TestHttpServer;
using testsupport::TestResponse;
using Clock = std::chrono::steady_clock;

namespace {

struct ProgressLog {
    std::vector<int64_t> totals;
    platform::FetchProgress callback() {
        return [this](int64_t total) { totals.push_back(total); };
    }
};

FetchLimits quickLimits() {
    FetchLimits limits;
    limits.connectTimeoutMs = 1000;
    limits.stallTimeoutMs = 1000;
    limits.maxBytes = 1024 * 1024;
    return limits;
}

long long millisSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string text(size_t size) {
    std::string bytes(size, ' ');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('A' + i % 23);
    return bytes;
}

} // namespace

TEST(HttpFetch, ReportsProgressPer256BytesAndTheRestAtTheEnd) {
    TestHttpServer server;
    server.route("/600", TestResponse::ok(text(600)));
    server.route("/600-dripped", TestResponse::dripped(text(600), 100, 2));
    server.route("/512", TestResponse::ok(text(512)));
    server.route("/empty", TestResponse::ok(""));

    for (const std::string path : {"/600", "/600-dripped"}) {
        ProgressLog progress;
        const auto result = fetchUrl(server.url(path), progress.callback(), quickLimits());
        EXPECT_TRUE(result.ok) << path;
        EXPECT_EQ(result.body, text(600)) << path;
        EXPECT_EQ(progress.totals, (std::vector<int64_t>{256, 512, 600})) << path;
    }
    ProgressLog exact;
    EXPECT_EQ(fetchUrl(server.url("/512"), exact.callback(), quickLimits()).body, text(512));
    EXPECT_EQ(exact.totals, (std::vector<int64_t>{256, 512}));

    ProgressLog none;
    const auto empty = fetchUrl(server.url("/empty"), none.callback(), quickLimits());
    EXPECT_TRUE(empty.ok);
    EXPECT_TRUE(empty.body.empty());
    EXPECT_TRUE(none.totals.empty());
}

TEST(HttpFetch, AsksForAFreshCopyEveryTime) {
    TestHttpServer server;
    server.route("/feed.xml", TestResponse::ok("<rss/>", "application/rss+xml"));
    server.route("/moved", TestResponse::redirect(server.url("/feed.xml")));
    EXPECT_EQ(fetchUrl(server.url("/feed.xml"), {}, quickLimits()).body, "<rss/>");
    EXPECT_EQ(fetchUrl(server.url("/moved"), {}, quickLimits()).body, "<rss/>");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    for (const auto& request : requests) {
        EXPECT_EQ(request.header("Cache-Control"), "no-cache");
        EXPECT_EQ(request.header("Pragma"), "no-cache");
    }
}

TEST(HttpFetch, OnlyHttpAndHttpsAreFetched) {
    for (const std::string url : {"file:///etc/hostname", "ftp://127.0.0.1/feed.xml",
                                  "/etc/hostname", "gopher://127.0.0.1/"}) {
        ProgressLog progress;
        const auto result = fetchUrl(url, progress.callback(), quickLimits());
        EXPECT_FALSE(result.ok) << url;
        EXPECT_TRUE(result.body.empty()) << url;
        EXPECT_TRUE(progress.totals.empty()) << url;
    }
    TestHttpServer server;
    server.route("/to-file", TestResponse::redirect("file:///etc/hostname"));
    EXPECT_FALSE(fetchUrl(server.url("/to-file"), {}, quickLimits()).ok);
}

TEST(HttpFetch, FailuresGiveNoData) {
    TestHttpServer server;
    const std::string part = text(3000);
    server.route("/truncated", TestResponse::truncated(part, 5000));
    server.route("/reset", TestResponse::resetAfter(part, "text/xml"));
    server.route("/garbage", TestResponse::garbage());

    for (const std::string path : {"/missing", "/truncated", "/reset", "/garbage"}) {
        const auto result = fetchUrl(server.url(path), {}, quickLimits());
        EXPECT_FALSE(result.ok) << path;
        EXPECT_TRUE(result.body.empty()) << path;
    }
    const auto start = Clock::now();
    const int dead = testsupport::freeLoopbackPort();
    EXPECT_FALSE(fetchUrl("http://127.0.0.1:" + std::to_string(dead) + "/", {}, quickLimits()).ok);
    EXPECT_LT(millisSince(start), 1500);
}

TEST(HttpFetch, SizeCapEndsAnEndlessOrOversizedBody) {
    TestHttpServer server;
    server.route("/endless", TestResponse::endless("text/xml"));
    server.route("/big", TestResponse::ok(text(2 * 1024 * 1024)));

    ProgressLog progress;
    const auto start = Clock::now();
    const auto endless = fetchUrl(server.url("/endless"), progress.callback(), quickLimits());
    EXPECT_FALSE(endless.ok);
    EXPECT_TRUE(endless.body.empty());
    ASSERT_FALSE(progress.totals.empty());
    EXPECT_LE(progress.totals.back(), quickLimits().maxBytes);
    EXPECT_LT(millisSince(start), 5000);

    ProgressLog announced;
    EXPECT_FALSE(fetchUrl(server.url("/big"), announced.callback(), quickLimits()).ok);
    EXPECT_TRUE(announced.totals.empty()); // refused from its Content-Length
}

TEST(HttpFetch, StalledOrSilentServerTimesOut) {
    TestHttpServer server;
    server.route("/stall", TestResponse::stalled(text(300), "text/xml"));
    server.route("/silent", TestResponse::silent());
    for (const std::string path : {"/stall", "/silent"}) {
        const auto start = Clock::now();
        const auto result = fetchUrl(server.url(path), {}, quickLimits());
        EXPECT_FALSE(result.ok) << path;
        EXPECT_TRUE(result.body.empty()) << path;
        EXPECT_GE(millisSince(start), 900) << path;
        EXPECT_LT(millisSince(start), 4000) << path;
    }
}
