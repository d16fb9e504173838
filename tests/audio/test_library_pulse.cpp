// The pulse back-end against a real PulseAudio server with a null sink; what
// the library plays is recorded from the sink's monitor.
#include "test_library_support.h"

#include "support/fixtures.h"
#include "support/process_runner.h"
#include "support/temp_dir.h"

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

using librarytest::Event;
using librarytest::ScopedEnv;
using namespace std::chrono_literals;

namespace {

using librarytest::waitUntil;

// Reads raw s16le stereo frames as the recorder wrote them, from byte `from` on.
librarytest::Wav readRaw(const std::string& path, std::size_t from) {
    const std::string all = testsupport::readFile(path);
    const std::string bytes = from < all.size() ? all.substr(from) : std::string();
    librarytest::Wav wav;
    wav.rate = 44100;
    wav.channels = 2;
    wav.samples.resize(bytes.size() / 2);
    for (std::size_t i = 0; i < wav.samples.size(); ++i) {
        const auto low = static_cast<unsigned char>(bytes[2 * i]);
        const auto high = static_cast<unsigned char>(bytes[2 * i + 1]);
        wav.samples[i] = static_cast<int16_t>(low | (high << 8)) / 32768.0f;
    }
    return wav;
}

// The stretches of the recording, in 10 ms windows, louder than -40 dBFS.
struct Stretch {
    double from = 0;
    double to = 0;
};

// The time of the first sample above -60 dBFS from `from` on.
double firstSound(const librarytest::Wav& heard, double from) {
    for (auto frame = static_cast<std::size_t>(std::max(0.0, from) * heard.rate);
         frame < heard.frames(); ++frame) {
        if (std::fabs(heard.samples[frame * heard.channels]) > 0.001f)
            return double(frame) / heard.rate;
    }
    return from;
}

std::vector<Stretch> loudStretches(const librarytest::Wav& heard) {
    std::vector<Stretch> stretches;
    for (double at = 0; at + 0.01 <= heard.frames() / 44100.0; at += 0.01) {
        if (librarytest::rmsDb(heard, at, at + 0.01) < -40)
            continue;
        if (!stretches.empty() && at - stretches.back().to < 0.005)
            stretches.back().to = at + 0.01;
        else
            stretches.push_back({at, at + 0.01});
    }
    return stretches;
}

// A private PulseAudio server with a null sink, its monitor recorded from
// its start: one for the whole suite, since starting one and waiting until
// its sink keeps time takes more than a second.
class PulseServer {
public:
    PulseServer() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir_.path()));
        server_ = std::make_unique<testsupport::BackgroundProcess>(
            "pulseaudio",
            QStringList{"--daemonize=no", "--exit-idle-time=-1", "-n", "-L",
                        "module-null-sink sink_name=test", "-L",
                        "module-native-protocol-unix auth-anonymous=1"},
            env);
        installed_ = server_->started();
        const std::string socket = dir_.path() + "/pulse/native";
        if (!installed_ || !waitUntil([&] { return std::filesystem::exists(socket); }, 10s))
            return;
        address_ = "unix:" + socket;
        env.insert("PULSE_SERVER", QString::fromStdString(address_));
        recorder_ = std::make_unique<testsupport::BackgroundProcess>(
            "sh",
            QStringList{"-c",
                        QString::fromStdString("exec parec -d test.monitor --latency-msec=20 --raw "
                                               "--format=s16le --rate=44100 --channels=2 > '" +
                                               recording() + "'")},
            env);
        // A freshly started server takes a moment before its sink keeps time;
        // the recording growing says it does.
        ready_ = recorder_->started() &&
                 waitUntil([&] { return recordedBytes() >= 44100 * 4 * 4 / 5; }, 10s);
    }

    bool installed() const { return installed_; }
    bool ready() const { return ready_; }
    const std::string& address() const { return address_; }
    std::string recording() const { return dir_.file("recording.raw"); }
    // The bytes recorded so far, in whole frames.
    std::size_t recordedBytes() const {
        std::error_code error;
        const auto size = std::filesystem::file_size(recording(), error);
        return error ? 0 : static_cast<std::size_t>(size) / 4 * 4;
    }
    // The last `seconds` of the recording are there and silent.
    bool silentFor(double seconds) const {
        const std::size_t span = static_cast<std::size_t>(seconds * 44100) * 4;
        const std::size_t size = recordedBytes();
        if (size < span)
            return false;
        const librarytest::Wav tail = readRaw(recording(), size - span);
        return librarytest::rmsDb(tail, 0, seconds) < -60;
    }

private:
    testsupport::TempDir dir_;
    std::unique_ptr<testsupport::BackgroundProcess> server_;
    std::unique_ptr<testsupport::BackgroundProcess> recorder_;
    std::string address_;
    bool installed_ = false;
    bool ready_ = false;
};

// The suite's server, the library's device open on it, and what the test
// plays recorded from the test's start; skips the test without pulseaudio.
class PulseTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = new PulseServer; }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        if (!server_->installed())
            GTEST_SKIP() << "pulseaudio is not installed";
        ASSERT_TRUE(server_->ready()) << "the server's sink does not keep time";
        // What a test before played has died away: the recording of this
        // one starts in silence.
        ASSERT_TRUE(waitUntil([] { return server_->silentFor(0.3); }, 10s));
        from_ = server_->recordedBytes();
        pulse_ = std::make_unique<ScopedEnv>("PULSE_SERVER", server_->address());
        device_ = std::make_unique<librarytest::Device>("pulse");
        ASSERT_TRUE(device_->ok()) << BASS_ErrorGetCode();
    }

    librarytest::Wav heard() const { return readRaw(server_->recording(), from_); }
    // The last 0.3 s recorded are silent.
    static std::function<bool()> quiet() {
        return [] { return server_->silentFor(0.3); };
    }

    static PulseServer* server_;
    std::size_t from_ = 0;
    std::unique_ptr<ScopedEnv> pulse_;
    std::unique_ptr<librarytest::Device> device_;
};

PulseServer* PulseTest::server_ = nullptr;

} // namespace

TEST_F(PulseTest, PlaysThroughARealServer) {
    BASS_INFO info{};
    ASSERT_TRUE(BASS_GetInfo(&info));
    EXPECT_GT(info.latency, 0u);
    Event& ended = librarytest::outlivingTheTest<Event>();
    const HSTREAM stream = librarytest::openFixture("tone_1k_3s.wav");
    BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, librarytest::raiseEvent, &ended);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    // The position is what is being heard: it follows the clock through the
    // server's buffer, between and across the server's timing answers.
    for (const auto at : {700ms, 1300ms, 2100ms}) {
        std::this_thread::sleep_until(started + at);
        const double heardSeconds =
            BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        EXPECT_NEAR(heardSeconds, elapsed, 0.06) << "at " << at.count() << " ms";
    }
    ASSERT_TRUE(ended.waitFor(1, 15s));
    // END comes when the last sample has been played, not when it was decoded.
    EXPECT_GT(std::chrono::steady_clock::now() - started, 2900ms);
    BASS_StreamFree(stream);
    std::this_thread::sleep_for(200ms);

    const librarytest::Wav recorded = heard();
    ASSERT_GT(recorded.frames(), 44100u * 3);
    // Somewhere in the recording there is a second of the tone at its level.
    double loudest = -200;
    for (double at = 0; at + 1.0 < recorded.frames() / 44100.0; at += 0.25)
        loudest = std::max(loudest, librarytest::rmsDb(recorded, at, at + 1.0));
    EXPECT_NEAR(loudest, -21.1, 0.5);
}

TEST_F(PulseTest, APauseIsHeardAtOnceAndTheResumeLosesNothing) {
    // The server holds half a second; a pause holds it rather than playing it
    // out, so the silence lasts as long as the pause and every sample of the
    // tone is heard once.
    Event& ended = librarytest::outlivingTheTest<Event>();
    const HSTREAM stream = librarytest::openFixture("tone_1k_3s.wav");
    BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, librarytest::raiseEvent, &ended);
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    std::this_thread::sleep_for(1s);
    ASSERT_TRUE(BASS_ChannelPause(stream));
    std::this_thread::sleep_for(1s);
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    ASSERT_TRUE(ended.waitFor(1, 15s));
    BASS_StreamFree(stream);
    std::this_thread::sleep_for(200ms);

    const std::vector<Stretch> stretches = loudStretches(heard());
    ASSERT_EQ(stretches.size(), 2u);
    EXPECT_NEAR(stretches[0].to - stretches[0].from + stretches[1].to - stretches[1].from, 3.0,
                0.05);
    EXPECT_NEAR(stretches[1].from - stretches[0].to, 1.0, 0.15);
}

TEST_F(PulseTest, TheStreamVolumeIsTheServersVolumeFromTheFirstSample) {
    // The last 0.5 s of a tone played at each volume in turn: every sound is
    // at the volume set before it, its first 10 ms included.
    const std::vector<DWORD> volumes = {5000, 0, 10000};
    for (const DWORD volume : volumes) {
        BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, volume);
        Event& ended = librarytest::outlivingTheTest<Event>();
        const HSTREAM stream = librarytest::openFixture("tone_1k_3s.wav");
        ASSERT_TRUE(BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, 2.5), 0));
        ASSERT_TRUE(librarytest::playToEnd(stream, ended, 5s));
        BASS_StreamFree(stream);
        std::this_thread::sleep_for(200ms);
    }
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 10000);
    const librarytest::Wav recorded = heard();
    const std::vector<Stretch> stretches = loudStretches(recorded);
    ASSERT_EQ(stretches.size(), 2u);
    const double levels[] = {-27.1, -21.1};
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const Stretch& sound = stretches[i];
        EXPECT_NEAR(sound.to - sound.from, 0.5, 0.03);
        EXPECT_NEAR(librarytest::rmsDb(recorded, sound.from, sound.to), levels[i], 0.5);
        const double start = firstSound(recorded, sound.from - 0.01);
        EXPECT_NEAR(librarytest::rmsDb(recorded, start, start + 0.01), levels[i], 0.5);
    }
}

namespace {

// The loud time of the recording once it holds `expected` of it, less the
// tolerance, and the sound has died away (or the timeout passed): the
// recorder writes what the sink played a little after it.
double loudSecondsOnceRecorded(const std::function<librarytest::Wav()>& heard,
                               const std::function<bool()>& quiet, double expected,
                               double tolerance) {
    double loud = 0;
    waitUntil(
        [&] {
            loud = 0;
            for (const Stretch& stretch : loudStretches(heard()))
                loud += stretch.to - stretch.from;
            return loud >= expected - tolerance && quiet();
        },
        5s);
    return loud;
}

// A stream of the 3 s tone with `left` seconds to play.
HSTREAM toneWithSecondsLeft(double left) {
    const HSTREAM stream = librarytest::openFixture("tone_1k_3s.wav");
    BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, 3.0 - left), BASS_POS_BYTE);
    return stream;
}

// The END syncs of a chain of streams, as the player's engine hears them.
struct ChainEvents {
    struct Seen {
        DWORD stream = 0;
        DWORD next = 0; // the follow-on the hand-over names; 0 for a plain END
    };
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Seen> seen;

    static void handOver(HSYNC, DWORD stream, DWORD next, void* user) {
        if (next != 0)
            static_cast<ChainEvents*>(user)->add({stream, next});
    }
    static void ended(HSYNC, DWORD stream, DWORD, void* user) {
        static_cast<ChainEvents*>(user)->add({stream, 0});
    }
    void add(Seen event) {
        std::lock_guard<std::mutex> lock(mutex);
        seen.push_back(event);
        changed.notify_all();
    }
    std::optional<Seen> next(std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(mutex);
        if (!changed.wait_for(lock, timeout, [&] { return !seen.empty(); }))
            return std::nullopt;
        Seen event = seen.front();
        seen.pop_front();
        return event;
    }
};

} // namespace

TEST_F(PulseTest, AShortStreamFreedAfterItsEndIsHeardWhole) {
    // Played alone and freed as soon as its END comes, as the player does
    // at the end of its list: the whole sound is heard.
    Event& ended = librarytest::outlivingTheTest<Event>();
    const HSTREAM stream = toneWithSecondsLeft(0.3);
    ASSERT_TRUE(librarytest::playToEnd(stream, ended, 15s));
    BASS_StreamFree(stream);
    EXPECT_NEAR(loudSecondsOnceRecorded([&] { return heard(); }, quiet(), 0.3, 0.03), 0.3, 0.03);
}

TEST_F(PulseTest, AChainOfShortTracksIsHeardWhole) {
    // 1 s, three of 0.15 s and 1 s, each queued as the follow-on of the one
    // before once that one is told to have started, the one before freed
    // then, as the player's engine does; a follow-on that comes too late
    // (its leader ended already) is played when the leader's END comes.
    const std::vector<double> lengths = {1.0, 0.15, 0.15, 0.15, 1.0};
    auto& events = librarytest::outlivingTheTest<ChainEvents>();
    std::vector<HSTREAM> streams;
    for (const double length : lengths) {
        streams.push_back(toneWithSecondsLeft(length));
        BASS_ChannelSetSync(streams.back(), BASS_SYNC_END | BASS_SYNC_MIXTIME, 0,
                            ChainEvents::handOver, &events);
        BASS_ChannelSetSync(streams.back(), BASS_SYNC_END, 0, ChainEvents::ended, &events);
    }
    std::size_t current = 0;
    const auto queueFollower = [&] {
        if (current + 1 < streams.size())
            QUAVERLY_ChannelSetNext(streams[current], streams[current + 1]);
    };
    queueFollower();
    ASSERT_TRUE(BASS_ChannelPlay(streams[0], FALSE));
    while (current < streams.size()) {
        const auto event = events.next(15s);
        ASSERT_TRUE(event) << "no END after stream " << current;
        if (event->stream != streams[current])
            continue;
        const bool handedOver =
            event->next != 0 && current + 1 < streams.size() && event->next == streams[current + 1];
        if (!handedOver && event->next != 0)
            continue; // the END after its hand-over
        BASS_StreamFree(streams[current]);
        if (++current == streams.size())
            break;
        if (!handedOver) {
            ASSERT_TRUE(BASS_ChannelPlay(streams[current], FALSE));
        }
        queueFollower();
    }
    EXPECT_NEAR(loudSecondsOnceRecorded([&] { return heard(); }, quiet(), 2.45, 0.05), 2.45, 0.05);
}
