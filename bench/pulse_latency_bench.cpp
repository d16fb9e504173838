// Start-of-sound, seek and volume-change latency through PulseAudio, as
// heard: the library plays into the default sink of the server named by
// PULSE_SERVER (a private server with a null sink, started by
// bench/pulse_latency.sh), and a recorder on that sink's monitor finds the
// first sound after each command.
//
// The monitor hands over what the sink has just rendered; the sink plays it
// its own latency later. So the time a sound is heard is taken as the time its
// fragment arrived, less the frames after it in the fragment, plus the sink's
// latency read from the server at that moment. Buffering on the recording side
// only makes the figure later, so it is an upper bound.
//
// Usage: pulse_latency_bench MONITOR_SOURCE TONE_FILE LEAD_FILE [RUNS]
//   TONE_FILE: a tone from its first sample; LEAD_FILE: silent for 4 s, then
//   a tone (the seek goes to 5 s).
#include "audio/api/bass.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr std::size_t kFragmentFrames = kRate / 500; // 2 ms
constexpr float kSoundThreshold = 0.01f;

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The null sink's current latency in microseconds, as pactl reports it.
double sinkLatencyUs() {
    FILE* out = popen("pactl list sinks 2>/dev/null", "r");
    if (!out)
        return 0;
    char line[512];
    double latency = 0;
    while (std::fgets(line, sizeof line, out)) {
        const char* field = std::strstr(line, "Latency: ");
        if (field) {
            latency = std::atof(field + 9);
            break;
        }
    }
    pclose(out);
    return latency;
}

// Reads the monitor in 2 ms fragments; when armed, reports the arrival of the
// first fragment holding sound and where in it the sound starts.
class MonitorRecorder {
public:
    explicit MonitorRecorder(const char* source) {
        pa_sample_spec format{PA_SAMPLE_FLOAT32LE, kRate, kChannels};
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.fragsize = static_cast<uint32_t>(kFragmentFrames * kChannels * sizeof(float));
        int error = 0;
        connection_ = pa_simple_new(nullptr, "latency recorder", PA_STREAM_RECORD, source,
                                    "monitor", &format, nullptr, &attr, &error);
        if (!connection_)
            std::fprintf(stderr, "cannot record %s: %s\n", source, pa_strerror(error));
        else
            thread_ = std::thread([this] { run(); });
    }
    ~MonitorRecorder() {
        stopping_ = true;
        if (thread_.joinable())
            thread_.join();
        if (connection_)
            pa_simple_free(connection_);
    }
    bool ok() const { return connection_ != nullptr; }

    // Waits until the monitor has been silent for a while, then watches for sound.
    void armAfterSilence() {
        std::unique_lock<std::mutex> lock(mutex_);
        silentSince_ = {};
        changed_.wait_for(lock, std::chrono::seconds(3), [&] {
            return silentSince_ != Clock::time_point{} &&
                   Clock::now() - silentSince_ > std::chrono::milliseconds(300);
        });
        found_ = false;
        armed_ = true;
    }

    // The time the first sound after arming was rendered, or nothing within 2 s.
    bool waitForSound(Clock::time_point* rendered) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!changed_.wait_for(lock, std::chrono::seconds(2), [&] { return found_; }))
            return false;
        armed_ = false;
        *rendered = renderedAt_;
        return true;
    }

private:
    void run() {
        std::vector<float> fragment(kFragmentFrames * kChannels);
        while (!stopping_) {
            int error = 0;
            if (pa_simple_read(connection_, fragment.data(), fragment.size() * sizeof(float),
                               &error) < 0)
                return;
            const Clock::time_point arrived = Clock::now();
            const auto loud = std::find_if(fragment.begin(), fragment.end(), [](float sample) {
                return std::fabs(sample) > kSoundThreshold;
            });
            std::lock_guard<std::mutex> lock(mutex_);
            if (loud == fragment.end()) {
                if (silentSince_ == Clock::time_point{})
                    silentSince_ = arrived;
            } else {
                silentSince_ = {};
                if (armed_ && !found_) {
                    const auto frame =
                        static_cast<std::size_t>(loud - fragment.begin()) / kChannels;
                    const double afterMs = 1000.0 * double(kFragmentFrames - frame) / kRate;
                    renderedAt_ =
                        arrived - std::chrono::microseconds(static_cast<int64_t>(afterMs * 1000));
                    found_ = true;
                }
            }
            changed_.notify_all();
        }
    }

    pa_simple* connection_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    Clock::time_point silentSince_{};
    Clock::time_point renderedAt_{};
    bool armed_ = false;
    bool found_ = false;
};

struct Figures {
    std::vector<double> heard;
};

// Runs `command` after the monitor went quiet and returns the milliseconds
// until its first sound was heard, or a negative value when none came.
template <typename Command> double heardAfter(MonitorRecorder& recorder, Command command) {
    recorder.armAfterSilence();
    const Clock::time_point issued = Clock::now();
    command();
    Clock::time_point rendered;
    if (!recorder.waitForSound(&rendered))
        return -1;
    const double sinkMs = sinkLatencyUs() / 1000.0;
    if (std::getenv("BENCH_VERBOSE")) // the two parts of each figure
        std::fprintf(stderr, "monitor %.1f ms + sink %.1f ms\n", msBetween(issued, rendered),
                     sinkMs);
    return msBetween(issued, rendered) + sinkMs;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void report(const char* figure, const std::vector<double>& values) {
    const double worst = values.empty() ? 0 : *std::max_element(values.begin(), values.end());
    const double middle = median(values);
    std::printf("%s: median %.1f ms, worst %.1f ms (%zu runs)\n", figure, middle, worst,
                values.size());
    std::printf("RESULT|5 %s (PulseAudio null sink)|%.1f ms (worst %.1f)|-|%.2f of target|< 50 "
                "ms|%s|bench/pulse_latency.sh BUILD\n",
                figure, middle, worst, middle / 50.0,
                !values.empty() && middle < 50.0 ? "pass" : "FAIL");
}

std::vector<double> playLatencies(MonitorRecorder& recorder, HSTREAM tone, int runs) {
    std::vector<double> values;
    for (int run = 0; run < runs; ++run) {
        const double ms = heardAfter(recorder, [&] { BASS_ChannelPlay(tone, TRUE); });
        if (ms >= 0)
            values.push_back(ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        BASS_ChannelStop(tone);
    }
    return values;
}

std::vector<double> seekLatencies(MonitorRecorder& recorder, HSTREAM lead, int runs) {
    std::vector<double> values;
    const QWORD target = BASS_ChannelSeconds2Bytes(lead, 5.0);
    for (int run = 0; run < runs; ++run) {
        BASS_ChannelPlay(lead, TRUE);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        const double ms =
            heardAfter(recorder, [&] { BASS_ChannelSetPosition(lead, target, BASS_POS_BYTE); });
        if (ms >= 0)
            values.push_back(ms);
        BASS_ChannelStop(lead);
    }
    return values;
}

// A tone playing at volume 0, then the volume raised, to the tone heard.
std::vector<double> volumeLatencies(MonitorRecorder& recorder, HSTREAM tone, int runs) {
    std::vector<double> values;
    for (int run = 0; run < runs; ++run) {
        BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 0);
        BASS_ChannelPlay(tone, TRUE);
        const double ms =
            heardAfter(recorder, [] { BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 10000); });
        if (ms >= 0)
            values.push_back(ms);
        BASS_ChannelStop(tone);
    }
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 10000);
    return values;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: pulse_latency_bench MONITOR_SOURCE TONE_FILE LEAD_FILE [RUNS]\n");
        return 2;
    }
    const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 15;
    setenv("QUAVERLY_AUDIO", "pulse", 1);
    if (!BASS_Init(-1, kRate, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "no PulseAudio output (error %d)\n", BASS_ErrorGetCode());
        return 1;
    }
    MonitorRecorder recorder(argv[1]);
    const HSTREAM tone = BASS_StreamCreateFile(FALSE, argv[2], 0, 0, 0);
    const HSTREAM lead = BASS_StreamCreateFile(FALSE, argv[3], 0, 0, 0);
    if (!recorder.ok() || !tone || !lead) {
        std::fprintf(stderr, "cannot open the recorder or the fixtures\n");
        return 1;
    }
    report("Play to first sound heard", playLatencies(recorder, tone, runs));
    report("seek heard", seekLatencies(recorder, lead, runs));
    report("volume change heard", volumeLatencies(recorder, tone, runs));
    BASS_StreamFree(tone);
    BASS_StreamFree(lead);
    BASS_Free();
    return 0;
}
