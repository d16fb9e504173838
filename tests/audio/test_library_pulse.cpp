// The pulse back-end against a real PulseAudio server with a null sink; what
// the library plays is recorded from the sink's monitor.
#include "test_library_support.h"

#include "support/fixtures.h"
#include "support/process_runner.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <functional>
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

} // namespace

TEST(LibraryPulse, PlaysThroughARealServer) {
    testsupport::TempDir dir;
    const QString runtime = QString::fromStdString(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime);
    testsupport::BackgroundProcess server("pulseaudio",
                                          {"--daemonize=no", "--exit-idle-time=-1", "-n", "-L",
                                           "module-null-sink sink_name=test", "-L",
                                           "module-native-protocol-unix auth-anonymous=1"},
                                          env);
    if (!server.started())
        GTEST_SKIP() << "pulseaudio is not installed";
    const std::string socket = dir.path() + "/pulse/native";
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(socket); }, 10s));
    const std::string serverAddress = "unix:" + socket;
    env.insert("PULSE_SERVER", QString::fromStdString(serverAddress));
    const std::string recording = dir.file("recording.raw");
    testsupport::BackgroundProcess recorder(
        "sh",
        {"-c", QString::fromStdString("exec parec -d test.monitor --latency-msec=20 --raw "
                                      "--format=s16le --rate=44100 --channels=2 > '" +
                                      recording + "'")},
        env);
    ASSERT_TRUE(recorder.started());
    // A freshly started server takes a moment before its sink keeps time;
    // the recording growing says it does.
    ASSERT_TRUE(waitUntil(
        [&] {
            std::error_code error;
            return std::filesystem::file_size(recording, error) >= 44100 * 4 / 5 && !error;
        },
        10s));

    ScopedEnv pulse("PULSE_SERVER", serverAddress);
    librarytest::Device device("pulse");
    ASSERT_TRUE(device.ok()) << BASS_ErrorGetCode();
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
    // server's buffer, between and across the back-end's latency questions.
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

    const librarytest::Wav heard = readRaw(recording);
    ASSERT_GT(heard.frames(), 44100u * 3);
    // Somewhere in the recording there is a second of the tone at its level.
    double loudest = -200;
    for (double at = 0; at + 1.0 < heard.frames() / 44100.0; at += 0.25)
        loudest = std::max(loudest, librarytest::rmsDb(heard, at, at + 1.0));
    EXPECT_NEAR(loudest, -21.1, 0.5);
}
