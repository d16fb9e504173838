// Play, pause, resume, stop, seek and free; the END sync; frees from inside
// sync procedures and while syncs are pending.
#include "test_library_support.h"

#include "support/fixtures.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <iterator>
#include <sys/resource.h>
#include <thread>
#include <vector>

using librarytest::Device;
using librarytest::Event;
using librarytest::openFixture;
using librarytest::outlivingTheTest;
using namespace std::chrono_literals;

namespace {

double positionSeconds(HSTREAM stream) {
    return BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
}

// On "null:manual": over five seeks of a playing stream, the lag between
// the time since the seek and how far the position has moved from it.
double lagAfterSeeks(HSTREAM stream) {
    double worst = 0;
    for (const double target : {4.0, 5.0, 6.0, 7.0, 8.0}) {
        librarytest::playFor(300ms);
        if (!BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, target), 0))
            return -1.0;
        librarytest::playFor(250ms);
        worst = std::max(worst, 0.25 - (positionSeconds(stream) - target));
    }
    return worst;
}

// On "null:manual": plays a new stream right after `first` played a while
// and was stopped (or freed); returns the lag of the new stream's position
// behind the time since its play: what it waited behind in the device.
double lagAfterStopping(bool freeIt) {
    const HSTREAM first = openFixture("silence_10s.wav");
    BASS_ChannelPlay(first, FALSE);
    librarytest::playFor(300ms);
    if (freeIt)
        BASS_StreamFree(first);
    else
        BASS_ChannelStop(first);
    const HSTREAM next = openFixture("silence_10s.wav");
    BASS_ChannelPlay(next, FALSE);
    librarytest::playFor(250ms);
    const double moved = positionSeconds(next);
    BASS_StreamFree(first);
    BASS_StreamFree(next);
    return 0.25 - moved;
}

} // namespace

TEST(LibraryLifecycle, LengthsAndPositionsCountBytesOf16BitAtTheStreamsFormat) {
    Device device("null:fast");
    ASSERT_TRUE(device.ok());
    const HSTREAM stereo = openFixture("tone_1k_3s.wav");
    ASSERT_NE(stereo, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(stereo, BASS_POS_BYTE), 529200u);
    EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(stereo, 529200), 3.0);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(stereo, 1.5), 264600u);
    EXPECT_EQ(BASS_ChannelGetPosition(stereo, BASS_POS_BYTE), 0u);

    const HSTREAM stereo48 = openFixture("tone_1k_3s_48k.wav");
    EXPECT_EQ(BASS_ChannelGetLength(stereo48, BASS_POS_BYTE), 3u * 48000 * 2 * 2);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(stereo48, 1.0), 192000u);
    const HSTREAM mono = openFixture("tone_1k_3s_mono.wav");
    EXPECT_EQ(BASS_ChannelGetLength(mono, BASS_POS_BYTE), 264600u);
    EXPECT_FALSE(BASS_ChannelGetLength(mono, 99) != QWORD(-1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
}

TEST(LibraryLifecycle, PauseHoldsThePositionAndPlayResumesThere) {
    Device device("null:manual");
    ASSERT_TRUE(device.ok());
    const HSTREAM stream = openFixture("silence_10s.wav");
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_STOPPED});
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_PLAYING});
    librarytest::playFor(400ms);
    ASSERT_TRUE(BASS_ChannelPause(stream));
    const double atPause = positionSeconds(stream);
    EXPECT_NEAR(atPause, 0.4, 0.025);
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_PAUSED});
    EXPECT_FALSE(BASS_ChannelPause(stream));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    // The pause is heard at once: the device holds the 40 to 200 ms it has
    // instead of playing them out.
    librarytest::playFor(300ms);
    const double paused = positionSeconds(stream);
    EXPECT_DOUBLE_EQ(paused, atPause);

    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_PLAYING});
    librarytest::playFor(300ms);
    const double resumed = positionSeconds(stream);
    EXPECT_NEAR(resumed, paused + 0.3, 0.025);

    ASSERT_TRUE(BASS_ChannelStop(stream));
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_STOPPED});
    EXPECT_FALSE(BASS_ChannelPause(stream));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOPLAY);
    EXPECT_TRUE(BASS_StreamFree(stream));
}

TEST(LibraryLifecycle, AStopDropsTheHeldSoundUnlessAnotherStreamPlays) {
    Device device("null:manual");
    ASSERT_TRUE(device.ok());
    // Alone, a stop or a free drops the 40 to 200 ms the device holds, and
    // the next stream is heard from its play on; with another stream playing
    // the held sound is kept and the next stream waits behind it.
    EXPECT_NEAR(lagAfterStopping(false), 0.0, 0.025);
    EXPECT_NEAR(lagAfterStopping(true), 0.0, 0.025);
    const HSTREAM other = openFixture("silence_10s.wav");
    ASSERT_TRUE(BASS_ChannelPlay(other, FALSE));
    EXPECT_GT(lagAfterStopping(false), 0.03);
}

// A silent stream playing on the manual clock.
class LibrarySeeks : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.ok());
        stream = openFixture("silence_10s.wav");
        ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    }

    Device device{"null:manual"};
    HSTREAM stream = 0;
};

TEST_F(LibrarySeeks, SeekMovesThePositionAtOnceAndRefusesBeyondTheEnd) {
    librarytest::playFor(100ms);
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, 7.0), 0));
    EXPECT_NEAR(positionSeconds(stream), 7.0, 0.001);
    librarytest::playFor(300ms);
    EXPECT_NEAR(positionSeconds(stream), 7.3, 0.025);
    const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
    EXPECT_FALSE(BASS_ChannelSetPosition(stream, length + 4, BASS_POS_BYTE));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_POSITION);
    EXPECT_GT(positionSeconds(stream), 7.0);
}

TEST_F(LibrarySeeks, ASeekDropsTheQueuedSoundUnlessAnotherStreamPlays) {
    // Alone, the 40 to 200 ms the device holds of the old place are dropped
    // and the position moves from the seek on; with another stream playing
    // they are kept and the new place waits behind them.
    EXPECT_NEAR(lagAfterSeeks(stream), 0.0, 0.025);
    const HSTREAM other = openFixture("silence_10s.wav");
    ASSERT_TRUE(BASS_ChannelPlay(other, FALSE));
    EXPECT_GT(lagAfterSeeks(stream), 0.03);

    // Another stream's queued sound is kept: its position does not jump.
    librarytest::playFor(300ms);
    const double otherBefore = positionSeconds(other);
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, 2.0), 0));
    librarytest::playFor(60ms);
    EXPECT_NEAR(positionSeconds(other) - otherBefore, 0.06, 0.025);
}

TEST(LibraryLifecycle, EndFiresOnceWhenTheLastSampleIsPlayed) {
    Device device("null:fast");
    ASSERT_TRUE(device.ok());
    Event& ended = outlivingTheTest<Event>();
    const HSTREAM stream = openFixture("tone_1k_3s.wav");
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(librarytest::playToEnd(stream, ended, 10s));
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD{BASS_ACTIVE_STOPPED});
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE),
              BASS_ChannelGetLength(stream, BASS_POS_BYTE));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(ended.value(), 1);

    // Playing an ended stream starts it again from the beginning.
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    EXPECT_TRUE(ended.waitFor(2, 10s));
    BASS_StreamFree(stream);
}

namespace {

// Lowers the process's limit of open files to `headroom` above those open
// now, for the lifetime of the object: a file left open per cycle runs out
// within that many cycles instead of after a thousand.
class FileLimit {
public:
    explicit FileLimit(rlim_t headroom) {
        getrlimit(RLIMIT_NOFILE, &old_);
        rlimit lowered = old_;
        lowered.rlim_cur = std::min<rlim_t>(old_.rlim_cur, openFiles() + headroom);
        lowered_ = setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~FileLimit() { setrlimit(RLIMIT_NOFILE, &old_); }
    bool lowered() const { return lowered_; }

private:
    static rlim_t openFiles() {
        return static_cast<rlim_t>(
            std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                          std::filesystem::directory_iterator{}));
    }
    rlimit old_{};
    bool lowered_ = false;
};

} // namespace

TEST(LibraryLifecycle, HundredsOfCreatePlayFreeCyclesLeaveNothingOpen) {
    Device device("null:fast");
    ASSERT_TRUE(device.ok());
    const std::string path = testsupport::fixture("tone_1k_3s.mp3");
    // A stream holds its file and the decoder's descriptors while it lives.
    const FileLimit limit(64);
    ASSERT_TRUE(limit.lowered());
    for (int i = 0; i < 300; ++i) {
        const HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
        ASSERT_NE(stream, 0u) << "cycle " << i << " error " << BASS_ErrorGetCode();
        if (i % 3 != 0) {
            ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
        }
        if (i % 5 == 0)
            BASS_ChannelSetFX(stream, BASS_FX_DX8_REVERB, 1);
        ASSERT_TRUE(BASS_StreamFree(stream));
    }
}

namespace {

// Plays the 3 s tone with `proc` as its END sync; 0 when it does not play.
HSTREAM playToneWithEndSync(SYNCPROC* proc, void* user) {
    const HSTREAM stream = openFixture("tone_1k_3s.wav");
    BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, proc, user);
    return BASS_ChannelPlay(stream, FALSE) ? stream : 0;
}

// The handle names no stream any more (its sync freed it or the library).
bool handleIsGone(HSTREAM stream) {
    return !BASS_ChannelIsActive(stream) && BASS_ErrorGetCode() == BASS_ERROR_HANDLE;
}

// Frees of streams and of the library from END syncs, on the fast output.
class LibraryFreesFromSyncs : public librarytest::OnTheFastOutput {};

struct FreeFromSync {
    Event done;
    std::atomic<bool> freed{false};
    std::atomic<bool> onCallerThread{true};
    std::thread::id caller;
};

void freeOwnStream(HSYNC, DWORD channel, DWORD, void* user) {
    auto* state = static_cast<FreeFromSync*>(user);
    state->onCallerThread = std::this_thread::get_id() == state->caller;
    state->freed = BASS_StreamFree(channel) != FALSE;
    state->done.raise();
}

} // namespace

TEST_F(LibraryFreesFromSyncs, ASyncMayFreeItsOwnStreamOnTheSyncThread) {
    FreeFromSync& state = outlivingTheTest<FreeFromSync>();
    state.caller = std::this_thread::get_id();
    const HSTREAM stream = playToneWithEndSync(freeOwnStream, &state);
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(state.done.waitFor(1, 10s));
    EXPECT_TRUE(state.freed);
    EXPECT_FALSE(state.onCallerThread);
    EXPECT_TRUE(handleIsGone(stream));
}

namespace {

// A sync that blocks until the test lets it go, like a hand-over to a busy
// user interface thread.
struct BlockingSync {
    Event entered;
    Event release;
    Event calls;
    Event left; // the last touch of this state by the sync thread
};

void blockUntilReleased(HSYNC, DWORD, DWORD, void* user) {
    auto* state = static_cast<BlockingSync*>(user);
    state->calls.raise();
    state->entered.raise();
    state->release.waitFor(1, 10s);
    state->left.raise();
}

} // namespace

TEST_F(LibraryFreesFromSyncs, FreeDoesNotWaitForARunningSyncAndDropsQueuedOnes) {
    BlockingSync& first = outlivingTheTest<BlockingSync>();
    BlockingSync& second = outlivingTheTest<BlockingSync>();
    const HSTREAM a = playToneWithEndSync(blockUntilReleased, &first);
    ASSERT_NE(a, 0u);
    ASSERT_TRUE(first.entered.waitFor(1, 10s));
    // a's sync is running and blocked; b ends while it blocks: queued behind it.
    const HSTREAM b = playToneWithEndSync(blockUntilReleased, &second);
    ASSERT_NE(b, 0u);
    ASSERT_TRUE(librarytest::waitUntil(
        [&] { return BASS_ChannelIsActive(b) == BASS_ACTIVE_STOPPED; }, 10s));

    EXPECT_TRUE(BASS_StreamFree(a)); // returns although a's sync still runs
    EXPECT_TRUE(BASS_StreamFree(b));
    first.release.raise();
    ASSERT_TRUE(first.left.waitFor(1, 10s));
    EXPECT_EQ(first.calls.value(), 1);
    EXPECT_FALSE(second.calls.waitFor(1, 300ms)) << "the queued sync of a freed stream is dropped";
    EXPECT_TRUE(BASS_Free()); // does not wait for the sync thread either
}

TEST_F(LibraryFreesFromSyncs, FreeingTheLibraryFromASyncDoesNotDeadlock) {
    Event& done = outlivingTheTest<Event>();
    const HSTREAM stream = playToneWithEndSync(
        [](HSYNC, DWORD, DWORD, void* user) {
            BASS_Free();
            static_cast<Event*>(user)->raise();
        },
        &done);
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(done.waitFor(1, 10s));
    EXPECT_TRUE(handleIsGone(stream));
}

TEST(LibraryLifecycle, AQueuedFollowOnStartsUnlessClearedOrFreed) {
    // The first stream plays its last 0.3 s on the paced null output; the
    // mix-time END comes as the mixer reaches the end, or, when it hands
    // over to a follow-on, as that is heard, just before the plain one; both
    // name the follow-on that took over.
    struct Case {
        const char* name;
        std::function<void(HSTREAM first, HSTREAM next)> meanwhile;
        bool nextStarts;
    };
    const std::vector<Case> cases = {
        {"queued", [](HSTREAM, HSTREAM) {}, true},
        {"cleared", [](HSTREAM first, HSTREAM) { QUAVERLY_ChannelSetNext(first, 0); }, false},
        {"next freed", [](HSTREAM, HSTREAM next) { BASS_StreamFree(next); }, false},
    };
    Device device("null");
    ASSERT_TRUE(device.ok());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HSTREAM first = openFixture("tone_1k_3s.wav");
        const HSTREAM next = openFixture("tone_440_3s.wav");
        ASSERT_TRUE(BASS_ChannelSetPosition(first, BASS_ChannelSeconds2Bytes(first, 2.7), 0));
        auto& mixed = outlivingTheTest<librarytest::EndSeen>();
        auto& heard = outlivingTheTest<librarytest::EndSeen>();
        BASS_ChannelSetSync(first, BASS_SYNC_END | BASS_SYNC_MIXTIME, 0, librarytest::noteEnd,
                            &mixed);
        BASS_ChannelSetSync(first, BASS_SYNC_END, 0, librarytest::noteEnd, &heard);
        ASSERT_TRUE(QUAVERLY_ChannelSetNext(first, next));
        c.meanwhile(first, next);
        ASSERT_TRUE(BASS_ChannelPlay(first, FALSE));
        ASSERT_TRUE(heard.waitFor(1, 5s));
        ASSERT_EQ(mixed.value(), 1);
        EXPECT_LT(mixed.order, heard.order);
        const DWORD expected = c.nextStarts ? next : 0;
        EXPECT_EQ(mixed.data, expected);
        EXPECT_EQ(heard.data, expected);
        EXPECT_EQ(BASS_ChannelIsActive(next) == BASS_ACTIVE_PLAYING, c.nextStarts);
        BASS_StreamFree(first);
        BASS_StreamFree(next);
    }
}

TEST(LibraryLifecycle, AFollowOnIsRefusedWhereItCouldNotFollow) {
    Device device("null");
    ASSERT_TRUE(device.ok());
    const HSTREAM first = openFixture("tone_1k_3s.wav");
    const HSTREAM playing = openFixture("tone_1k_3s.wav");
    const HSTREAM ended = openFixture("tone_1k_3s.wav");
    const HSTREAM fresh = openFixture("tone_1k_3s.wav");
    ASSERT_TRUE(BASS_ChannelPlay(playing, FALSE));
    ASSERT_TRUE(BASS_ChannelSetPosition(ended, BASS_ChannelSeconds2Bytes(ended, 2.9), 0));
    Event& end = outlivingTheTest<Event>();
    ASSERT_TRUE(librarytest::playToEnd(ended, end, 5s));
    struct Case {
        const char* name;
        HSTREAM first;
        HSTREAM next;
        int error;
    };
    const Case refusals[] = {
        {"itself", first, first, BASS_ERROR_ILLPARAM},
        {"a playing stream", first, playing, BASS_ERROR_ALREADY},
        {"a finished stream", first, ended, BASS_ERROR_ALREADY},
        {"nothing to clear", first, 0, BASS_ERROR_ALREADY},
        {"an unknown stream", first, fresh + 1000, BASS_ERROR_HANDLE},
        {"after a finished stream", ended, fresh, BASS_ERROR_ENDED},
    };
    for (const Case& c : refusals) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(QUAVERLY_ChannelSetNext(c.first, c.next));
        EXPECT_EQ(BASS_ErrorGetCode(), c.error);
    }
    EXPECT_TRUE(QUAVERLY_ChannelSetNext(first, fresh));
    EXPECT_TRUE(QUAVERLY_ChannelSetNext(first, 0));
    for (const HSTREAM stream : {first, playing, ended, fresh})
        BASS_StreamFree(stream);
}
