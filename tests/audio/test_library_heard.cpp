// What is heard and when, on the null output paced by a clock the test moves
// ("null:manual"): the hand-over to a follow-on is told when the follow-on's
// first sample is heard, sound handed to the output is heard unless a stream
// still sounding is cut, and the heard position never steps back.
#include "test_library_support.h"

#include <atomic>
#include <thread>

using namespace std::chrono_literals;

namespace {

using librarytest::Device;
using librarytest::Event;
using librarytest::manualClock;
using librarytest::outlivingTheTest;

constexpr auto kBlock = 20ms; // the null output's block

double seconds(std::chrono::nanoseconds time) {
    return std::chrono::duration<double>(time).count();
}

// A sync that notes the device clock's time when it is called.
struct TimedEvent : Event {
    std::atomic<int64_t> atNs{-1};
    std::atomic<DWORD> data{0};
};

void noteTime(HSYNC, DWORD, DWORD data, void* user) {
    auto* event = static_cast<TimedEvent*>(user);
    if (event->atNs < 0)
        event->atNs = manualClock()->now().count();
    event->data = data;
    event->raise();
}

double notedSeconds(const TimedEvent& event) {
    return seconds(std::chrono::nanoseconds(event.atNs.load()));
}

// Lets the device play one block at a time until the clock reads `until`.
void playUntil(audio::output::ManualClock& clock, std::chrono::nanoseconds until) {
    librarytest::playFor(until - clock.now());
}

// Lets the device play on until the event is noted, or until `limit`.
void playUntilNoted(audio::output::ManualClock& clock, const TimedEvent& event,
                    std::chrono::nanoseconds limit) {
    while (event.atNs < 0 && clock.now() < limit) {
        ASSERT_TRUE(clock.waitUntilWriterWaits(10s)) << "the mixer does not wait";
        clock.advance(kBlock);
    }
}

// A stream of the 3 s tone that has `left` seconds to play.
HSTREAM toneWithSecondsLeft(double left) {
    const HSTREAM stream = librarytest::openFixture("tone_1k_3s.wav");
    BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, 3.0 - left), BASS_POS_BYTE);
    return stream;
}

// A leader with `left` seconds to play and its follow-on of `nextLeft`,
// queued, the hand-over noted, the leader playing.
struct Chain {
    HSTREAM first = 0;
    HSTREAM next = 0;
    TimedEvent& handOver = outlivingTheTest<TimedEvent>();

    Chain(double left, double nextLeft)
        : first(toneWithSecondsLeft(left)), next(toneWithSecondsLeft(nextLeft)) {
        BASS_ChannelSetSync(first, BASS_SYNC_END | BASS_SYNC_MIXTIME, 0, noteTime, &handOver);
        EXPECT_TRUE(QUAVERLY_ChannelSetNext(first, next));
        EXPECT_TRUE(BASS_ChannelPlay(first, FALSE));
    }
    ~Chain() {
        BASS_StreamFree(first);
        BASS_StreamFree(next);
    }
};

// The device on the manual clock, which each test moves itself.
class LibraryHeardOnTheClock : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device_.ok());
        clock = manualClock();
        ASSERT_TRUE(clock);
    }

    Device device_{"null:manual"};
    std::shared_ptr<audio::output::ManualClock> clock;
};

} // namespace

TEST_F(LibraryHeardOnTheClock, TheHandOverToAFollowOnIsToldWhenItsFirstSampleIsHeard) {
    const Chain chain(0.5, 1.0);
    // The mixer reaches the end 200 ms ahead of the device; the hand-over
    // is told once the device plays the follow-on, within its next wake-up.
    playUntil(*clock, 700ms);
    ASSERT_TRUE(chain.handOver.waitFor(1, 10s));
    EXPECT_EQ(chain.handOver.data, chain.next);
    EXPECT_GE(notedSeconds(chain.handOver), 0.5);
    EXPECT_EQ(BASS_ChannelIsActive(chain.next), DWORD{BASS_ACTIVE_PLAYING});
}

TEST_F(LibraryHeardOnTheClock, ASeekBeforeTheHandOverIsHeardTakesTheFollowOnBack) {
    const Chain chain(0.3, 1.0);
    // The follow-on is mixed, not heard: a seek of the first stream plays
    // it on from there, and the follow-on waits for its end again, from
    // its own start.
    playUntil(*clock, 200ms);
    ASSERT_EQ(BASS_ChannelIsActive(chain.next), DWORD{BASS_ACTIVE_PLAYING});
    ASSERT_TRUE(
        BASS_ChannelSetPosition(chain.first, BASS_ChannelSeconds2Bytes(chain.first, 2.5), 0));
    EXPECT_EQ(BASS_ChannelIsActive(chain.next), DWORD{BASS_ACTIVE_STOPPED});
    EXPECT_EQ(BASS_ChannelGetPosition(chain.next, BASS_POS_BYTE), 0u);
    const auto seeked = clock->now();
    playUntil(*clock, seeked + 800ms);
    ASSERT_TRUE(chain.handOver.waitFor(1, 10s));
    EXPECT_GE(notedSeconds(chain.handOver), seconds(seeked) + 0.5);
    EXPECT_EQ(BASS_ChannelIsActive(chain.next), DWORD{BASS_ACTIVE_PLAYING});
}

// A short follow-on ends in the mix before its leader is freed at the
// hand-over: freeing the leader, which was heard to its end, cuts nothing.
TEST_F(LibraryHeardOnTheClock, AFollowOnIsHeardWholeWhenItsLeaderIsFreedAtTheHandOver) {
    const Chain chain(0.3, 0.1);
    auto& nextEnded = outlivingTheTest<TimedEvent>();
    // The clock has not moved: nothing is heard yet.
    BASS_ChannelSetSync(chain.next, BASS_SYNC_END, 0, noteTime, &nextEnded);
    playUntilNoted(*clock, chain.handOver, 1s);
    ASSERT_TRUE(chain.handOver.waitFor(1, 10s));
    BASS_StreamFree(chain.first);
    playUntilNoted(*clock, nextEnded, 1s);
    ASSERT_TRUE(nextEnded.waitFor(1, 10s));
    EXPECT_GE(notedSeconds(nextEnded), 0.4);
}

// Freed before their sound is heard (Next pressed in the last moment), a
// stream and its follow-on are cut: what plays next is heard at once.
TEST_F(LibraryHeardOnTheClock, AChainFreedBeforeItIsHeardIsCut) {
    {
        const Chain chain(0.3, 0.1);
        librarytest::playFor(240ms); // both mixed, neither heard to its end
    }
    const HSTREAM other = librarytest::openFixture("silence_10s.wav");
    ASSERT_TRUE(BASS_ChannelPlay(other, FALSE));
    librarytest::playFor(100ms);
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(other, BASS_ChannelGetPosition(other, BASS_POS_BYTE)),
                0.1, 0.025);
    BASS_StreamFree(other);
}

// The position of a playing stream, read as fast as a thread can while the
// mixer writes and the device's clock moves, never steps back.
TEST(LibraryHeard, ThePositionNeverStepsBack) {
    for (const char* output : {"null:manual", "null"}) {
        SCOPED_TRACE(output);
        Device device(output);
        ASSERT_TRUE(device.ok());
        const HSTREAM stream = toneWithSecondsLeft(1.5);
        Event& ended = outlivingTheTest<Event>();
        BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, librarytest::raiseEvent, &ended);
        std::atomic<bool> done{false};
        std::atomic<int> backwards{0};
        std::atomic<long> reads{0};
        std::thread reader([&] {
            QWORD last = 0;
            while (!done) {
                const QWORD position = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
                if (position < last)
                    ++backwards;
                last = std::max(last, position);
                ++reads;
            }
        });
        EXPECT_TRUE(BASS_ChannelPlay(stream, FALSE));
        if (const auto clock = manualClock()) {
            // Small uneven steps: the reader meets the clock between writes.
            while (ended.value() == 0 && clock->now() < 3s) {
                if (!clock->waitUntilWriterWaits(10s)) {
                    ADD_FAILURE() << "the mixer does not wait";
                    break;
                }
                clock->advance(3ms);
            }
        }
        EXPECT_TRUE(ended.waitFor(1, 10s));
        done = true;
        reader.join();
        EXPECT_GT(reads.load(), 100);
        EXPECT_EQ(backwards.load(), 0);
        BASS_StreamFree(stream);
    }
}
