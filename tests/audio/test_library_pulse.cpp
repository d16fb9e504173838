// The pulse back-end against a real PulseAudio server with a null sink; what
// the library plays is recorded from the sink's monitor.
#include "test_library_support.h"

#include "support/fixtures.h"
#include "support/process_runner.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

using librarytest::Event;
using librarytest::ScopedEnv;
using namespace std::chrono_literals;

namespace {

// Polls until the condition holds; false when the timeout passes first.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// Reads raw s16le stereo frames as the recorder wrote them.
librarytest::Wav readRaw(const std::string& path) {
    const std::string bytes = testsupport::readFile(path);
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

// Seconds of the recording in 10 ms windows louder than -40 dBFS, and the
// longest quiet run between two loud windows.
struct Loudness {
    double loudSeconds = 0;
    double longestGap = 0;
};

Loudness measureLoudness(const librarytest::Wav& heard) {
    Loudness result;
    double lastLoudEnd = -1;
    for (double at = 0; at + 0.01 <= heard.frames() / 44100.0; at += 0.01) {
        if (librarytest::rmsDb(heard, at, at + 0.01) < -40)
            continue;
        result.loudSeconds += 0.01;
        if (lastLoudEnd >= 0)
            result.longestGap = std::max(result.longestGap, at - lastLoudEnd);
        lastLoudEnd = at + 0.01;
    }
    return result;
}

// A private PulseAudio server with a null sink, its monitor recorded, and
// the library's device open on it; skips the test without pulseaudio.
class PulseTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString runtime = QString::fromStdString(dir_.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime);
        server_ = std::make_unique<testsupport::BackgroundProcess>(
            "pulseaudio",
            QStringList{"--daemonize=no", "--exit-idle-time=-1", "-n", "-L",
                        "module-null-sink sink_name=test", "-L",
                        "module-native-protocol-unix auth-anonymous=1"},
            env);
        if (!server_->started())
            GTEST_SKIP() << "pulseaudio is not installed";
        const std::string socket = dir_.path() + "/pulse/native";
        ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(socket); }, 10s));
        const std::string serverAddress = "unix:" + socket;
        env.insert("PULSE_SERVER", QString::fromStdString(serverAddress));
        recorder_ = std::make_unique<testsupport::BackgroundProcess>(
            "sh",
            QStringList{"-c",
                        QString::fromStdString("exec parec -d test.monitor --latency-msec=20 --raw "
                                               "--format=s16le --rate=44100 --channels=2 > '" +
                                               recording() + "'")},
            env);
        ASSERT_TRUE(recorder_->started());
        // A freshly started server takes a moment before its sink keeps time;
        // the recording growing says it does.
        ASSERT_TRUE(waitUntil(
            [&] {
                std::error_code error;
                return std::filesystem::file_size(recording(), error) >= 44100 * 4 / 5 && !error;
            },
            10s));
        pulse_ = std::make_unique<ScopedEnv>("PULSE_SERVER", serverAddress);
        device_ = std::make_unique<librarytest::Device>("pulse");
        ASSERT_TRUE(device_->ok()) << BASS_ErrorGetCode();
    }

    std::string recording() const { return dir_.file("recording.raw"); }
    librarytest::Wav heard() const { return readRaw(recording()); }

    testsupport::TempDir dir_;
    std::unique_ptr<testsupport::BackgroundProcess> server_;
    std::unique_ptr<testsupport::BackgroundProcess> recorder_;
    std::unique_ptr<ScopedEnv> pulse_;
    std::unique_ptr<librarytest::Device> device_;
};

} // namespace

TEST_F(PulseTest, PlaysThroughARealServer) {
    BASS_INFO info{};
    ASSERT_TRUE(BASS_GetInfo(&info));
    EXPECT_GT(info.latency, 0u);
    Event& ended = librarytest::outlivingTheTest<Event>();
    const HSTREAM stream =
        BASS_StreamCreateFile(FALSE, testsupport::fixture("tone_1k_3s.wav").c_str(), 0, 0, 0);
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
    const HSTREAM stream =
        BASS_StreamCreateFile(FALSE, testsupport::fixture("tone_1k_3s.wav").c_str(), 0, 0, 0);
    BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, librarytest::raiseEvent, &ended);
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    std::this_thread::sleep_for(1s);
    ASSERT_TRUE(BASS_ChannelPause(stream));
    std::this_thread::sleep_for(1s);
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    ASSERT_TRUE(ended.waitFor(1, 15s));
    BASS_StreamFree(stream);
    std::this_thread::sleep_for(200ms);

    const Loudness loudness = measureLoudness(heard());
    EXPECT_NEAR(loudness.loudSeconds, 3.0, 0.05);
    EXPECT_NEAR(loudness.longestGap, 1.0, 0.15);
}
