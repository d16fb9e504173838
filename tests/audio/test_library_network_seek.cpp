// Seeks in episodes over HTTP through the library: the call returns at once,
// the decoder thread asks the server for the place (a Range request), the
// position tells the target meanwhile; a seek the server does not answer
// ends at the open's limit or at the close request and leaves the stream
// where it was; freeing the stream ends a seek at once.
#include "test_library_support.h"

#include "support/servers/test_http_server.h"
#include "support/temp_dir.h"

#include <future>
#include <thread>

using librarytest::Device;
using testsupport::TestHttpServer;
using testsupport::TestResponse;
using namespace std::chrono_literals;

namespace {

std::atomic<bool> closing{false};

BOOL closeRequested() {
    return closing ? TRUE : FALSE;
}

double positionSeconds(HSTREAM stream) {
    return BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
}

// Runs a call on a thread of its own; true when it returned within the
// timeout (a call that blocks on the network does not).
bool returnsWithin(const std::function<void()>& call, std::chrono::milliseconds timeout) {
    auto done = std::async(std::launch::async, call);
    const bool returned = done.wait_for(timeout) == std::future_status::ready;
    if (!returned)
        done.wait(); // the test fails; the call must still end before its data goes
    return returned;
}

// An episode of 20 s at 40 KB/s that honours Range requests, or stalls on
// them once stallRanges() was called; the library open on the paced null
// output with the given open limit.
class LibraryNetworkSeek : public testing::Test {
protected:
    void SetUp() override {
        mp3_ = testsupport::readFile(testsupport::fixture("tone_1k_20s.mp3"));
        for (const char* path : {"/slow.mp3", "/stalls.mp3"})
            server_.route(path, episode(false));
        closing = false;
        BASS_SetConfigPtr(BASS_CONFIG_NET_ABORTPROC, reinterpret_cast<void*>(&closeRequested));
    }
    void TearDown() override {
        BASS_SetConfig(BASS_CONFIG_NET_OPENLIMIT, 10000);
        BASS_SetConfigPtr(BASS_CONFIG_NET_ABORTPROC, nullptr);
    }

    HSTREAM playing(const std::string& path, DWORD openLimitMs) {
        BASS_SetConfig(BASS_CONFIG_NET_OPENLIMIT, openLimitMs);
        const HSTREAM stream =
            BASS_StreamCreateURL(server_.url(path).c_str(), 0, 0, nullptr, nullptr);
        EXPECT_NE(stream, 0u) << BASS_ErrorGetCode();
        EXPECT_TRUE(BASS_ChannelPlay(stream, FALSE));
        EXPECT_TRUE(librarytest::waitUntil([&] { return positionSeconds(stream) > 0.3; }, 10s));
        requestsOfTheOpen_ = server_.requests().size();
        return stream;
    }

    TestResponse episode(bool stallsRanges) const {
        TestResponse response = TestResponse::dripped(mp3_, 4096, 100, "audio/mpeg");
        response.announcedLength = static_cast<int64_t>(mp3_.size());
        response.ranges = true;
        response.stallsRanges = stallsRanges;
        return response;
    }
    // From now on /stalls.mp3 takes Range requests and never answers them.
    // Not before: the open itself reads the end of the file with one, and
    // would wait for the transfer's stall limit.
    void stallRanges() { server_.route("/stalls.mp3", episode(true)); }

    // A Range request for a place past the start came after the open.
    bool rangeAsked() const {
        const auto requests = server_.requests();
        for (std::size_t i = requestsOfTheOpen_; i < requests.size(); ++i) {
            const std::string range = requests[i].header("range");
            if (range.rfind("bytes=", 0) == 0 && std::atoll(range.c_str() + 6) > 0)
                return true;
        }
        return false;
    }

    Device device_{"null"};
    TestHttpServer server_;
    std::string mp3_;
    std::size_t requestsOfTheOpen_ = 0;
};

} // namespace

TEST_F(LibraryNetworkSeek, ASeekReturnsAtOnceAndPlaysOnFromThePlaceTheServerSends) {
    ASSERT_TRUE(device_.ok());
    const HSTREAM stream = playing("/slow.mp3", 10000);
    BOOL seeked = FALSE;
    ASSERT_TRUE(returnsWithin(
        [&] {
            seeked = BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, 15.0), 0);
        },
        5s));
    EXPECT_TRUE(seeked);
    EXPECT_NEAR(positionSeconds(stream), 15.0, 0.01) << "the target, while the seek is on";
    EXPECT_TRUE(librarytest::waitUntil([&] { return positionSeconds(stream) > 15.3; }, 10s));
    EXPECT_TRUE(rangeAsked());
    BASS_StreamFree(stream);
}

// The server takes the Range request and never answers it.
TEST_F(LibraryNetworkSeek, ASeekTheServerDoesNotAnswerLeavesTheStreamWhereItWas) {
    ASSERT_TRUE(device_.ok());
    const struct {
        const char* name;
        DWORD openLimitMs;
        bool closeRequest;
    } cases[] = {
        {"the open's limit passes", 1000, false},
        {"the program closes", 600000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        closing = false;
        server_.route("/stalls.mp3", episode(false)); // the case before stalled it
        const HSTREAM stream = playing("/stalls.mp3", c.openLimitMs);
        stallRanges();
        const double before = positionSeconds(stream);
        ASSERT_TRUE(returnsWithin(
            [&] { BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, 15.0), 0); },
            5s));
        EXPECT_NEAR(positionSeconds(stream), 15.0, 0.01);
        ASSERT_TRUE(librarytest::waitUntil([&] { return rangeAsked(); }, 10s));
        if (c.closeRequest)
            closing = true;
        ASSERT_TRUE(librarytest::waitUntil([&] { return positionSeconds(stream) < 10.0; }, 10s));
        EXPECT_GE(positionSeconds(stream), before);
        const double resumed = positionSeconds(stream);
        EXPECT_TRUE(
            librarytest::waitUntil([&] { return positionSeconds(stream) > resumed + 0.3; }, 10s))
            << "it plays on";
        BASS_StreamFree(stream);
    }
}

TEST_F(LibraryNetworkSeek, FreeingTheStreamEndsAPendingSeekAtOnce) {
    ASSERT_TRUE(device_.ok());
    const HSTREAM stream = playing("/stalls.mp3", 600000);
    stallRanges();
    ASSERT_TRUE(returnsWithin(
        [&] { BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, 15.0), 0); }, 5s));
    ASSERT_TRUE(librarytest::waitUntil([&] { return rangeAsked(); }, 10s));
    EXPECT_TRUE(returnsWithin([&] { BASS_StreamFree(stream); }, 5s));
}
