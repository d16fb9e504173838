// Station streams through the library against a real Icecast 2 on
// 127.0.0.1: headers, no length, titles reported as they are heard, stalls
// and frees while the network blocks.
#include "test_library_support.h"

#include "support/servers/icecast_server.h"

#include <thread>

using librarytest::Device;
using librarytest::Event;
using testsupport::IcecastServer;
using namespace std::chrono_literals;

namespace {

bool waitForState(HSTREAM stream, DWORD state, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (BASS_ChannelIsActive(stream) == state)
            return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

struct TitleWatch {
    Event changed;
    std::mutex mutex;
    std::vector<std::string> titles;
};

void recordTitle(HSYNC, DWORD channel, DWORD, void* user) {
    auto* watch = static_cast<TitleWatch*>(user);
    const char* meta = BASS_ChannelGetTags(channel, BASS_TAG_META);
    {
        std::lock_guard<std::mutex> lock(watch->mutex);
        watch->titles.emplace_back(meta ? meta : "");
    }
    watch->changed.raise();
}

bool listHas(const char* list, const std::string& wanted) {
    for (; list && *list; list += std::strlen(list) + 1) {
        if (wanted == list)
            return true;
    }
    return false;
}

} // namespace

class LibraryStation : public testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = new IcecastServer({"/live.mp3", "/pause.mp3"});
        up_ = server_->running() && server_->startSource("/live.mp3", "Quaverly Library FM") &&
              server_->startSource("/pause.mp3", "Quaverly Pause FM");
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(up_) << server_->errorLog(); }

    static HSTREAM open(const std::string& mount) {
        const std::string url = server_->url(mount);
        return BASS_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr);
    }

    static IcecastServer* server_;
    static bool up_;
};

IcecastServer* LibraryStation::server_ = nullptr;
bool LibraryStation::up_ = false;

TEST_F(LibraryStation, HeadersNoLengthAndTitlesAsTheyAreHeard) {
    Device device("null");
    ASSERT_TRUE(device.ok());
    const HSTREAM stream = open("/live.mp3");
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    EXPECT_TRUE(listHas(BASS_ChannelGetTags(stream, BASS_TAG_ICY), "icy-name:Quaverly Library FM"));
    EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), QWORD(-1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
    EXPECT_FALSE(BASS_ChannelSetPosition(stream, 0, BASS_POS_BYTE));

    TitleWatch& watch = librarytest::outlivingTheTest<TitleWatch>();
    BASS_ChannelSetSync(stream, BASS_SYNC_META, 0, recordTitle, &watch);
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    const std::string title = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E - Library Song"; // 日本語
    ASSERT_TRUE(server_->setTitle("/live.mp3", title));
    const std::string expected = "StreamTitle='" + title + "';";
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    bool seen = false;
    while (!seen && std::chrono::steady_clock::now() < deadline) {
        watch.changed.waitFor(watch.changed.value() + 1, 500ms);
        std::lock_guard<std::mutex> lock(watch.mutex);
        seen = std::find(watch.titles.begin(), watch.titles.end(), expected) != watch.titles.end();
    }
    EXPECT_TRUE(seen);
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_PLAYING});
    EXPECT_GT(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), 0u);
    EXPECT_TRUE(BASS_StreamFree(stream));
}

TEST_F(LibraryStation, ASilentSourceStallsTheStreamWhichResumesByItself) {
    Device device("null");
    ASSERT_TRUE(device.ok());
    const HSTREAM stream = open("/pause.mp3");
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    ASSERT_TRUE(waitForState(stream, BASS_ACTIVE_PLAYING, 5s));
    server_->pauseSource("/pause.mp3");
    EXPECT_TRUE(waitForState(stream, BASS_ACTIVE_STALLED, 12s));
    server_->resumeSource("/pause.mp3");
    EXPECT_TRUE(waitForState(stream, BASS_ACTIVE_PLAYING, 12s));

    // Freeing while the network read blocks does not wait for the network.
    server_->pauseSource("/pause.mp3");
    EXPECT_TRUE(waitForState(stream, BASS_ACTIVE_STALLED, 12s));
    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(BASS_StreamFree(stream));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    server_->resumeSource("/pause.mp3");
}
