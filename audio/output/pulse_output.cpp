// PulseAudio (or PipeWire's PulseAudio server) through the simple API, with a
// short target buffer so that play and seek are heard quickly.
#include "output/output_device.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace audio::output {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTargetLatencyMs = 50;
constexpr int kBlockMs = 20;
// Asking the server for the latency is a round trip; between two questions
// the buffer is followed with the clock.
constexpr auto kLatencyRequery = std::chrono::milliseconds(200);

class PulseOutput : public OutputDevice {
public:
    PulseOutput(pa_simple* connection, int rate, int channels)
        : connection_(connection), rate_(rate), channels_(channels) {}
    ~PulseOutput() override {
        int error = 0;
        pa_simple_drain(connection_, &error);
        pa_simple_free(connection_);
    }

    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    bool paced() const override { return true; }
    std::size_t chunkFrames() const override { return rate_ * kBlockMs / 1000; }
    std::string name() const override { return "pulse"; }

    void write(const float* frames, std::size_t count) override {
        int error = 0;
        if (pa_simple_write(connection_, frames, count * channels_ * sizeof(float), &error) < 0) {
            // The server went away: keep real time so the mixer does not spin.
            std::this_thread::sleep_for(std::chrono::microseconds(count * 1000000 / rate_));
        }
        written_ += static_cast<int64_t>(count);
    }

    int64_t latencyFrames() override {
        const Clock::time_point now = Clock::now();
        if (queried_ && now - queriedAt_ < kLatencyRequery) {
            const int64_t estimate = estimatedLatency(now);
            // Zero means the buffer may have run dry, which the clock cannot tell.
            if (estimate > 0)
                return estimate;
        }
        return askServer(now);
    }

    void discard() override {
        int error = 0;
        pa_simple_flush(connection_, &error);
        queried_ = false;
    }

private:
    int64_t askServer(Clock::time_point now) {
        int error = 0;
        const pa_usec_t usec = pa_simple_get_latency(connection_, &error);
        queried_ = usec != static_cast<pa_usec_t>(-1);
        queriedAt_ = now;
        latencyAtQuery_ = queried_ ? static_cast<int64_t>(usec * rate_ / 1000000) : 0;
        writtenAtQuery_ = written_;
        return latencyAtQuery_;
    }

    int64_t estimatedLatency(Clock::time_point now) const {
        const auto elapsedUs =
            std::chrono::duration_cast<std::chrono::microseconds>(now - queriedAt_).count();
        const int64_t played = elapsedUs * rate_ / 1000000;
        return std::max<int64_t>(0, latencyAtQuery_ + (written_ - writtenAtQuery_) - played);
    }

    pa_simple* connection_;
    const int rate_;
    const int channels_;
    // Mixer thread only.
    int64_t written_ = 0;
    bool queried_ = false;
    Clock::time_point queriedAt_{};
    int64_t latencyAtQuery_ = 0;
    int64_t writtenAtQuery_ = 0;
};

} // namespace

std::unique_ptr<OutputDevice> openPulseOutput(int sampleRate, int channels) {
    pa_sample_spec choice{};
    choice.format = PA_SAMPLE_FLOAT32LE;
    choice.rate = static_cast<uint32_t>(sampleRate);
    choice.channels = static_cast<uint8_t>(channels);
    const uint32_t frameBytes = static_cast<uint32_t>(channels * sizeof(float));
    const uint32_t msBytes = static_cast<uint32_t>(sampleRate / 1000) * frameBytes;
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = msBytes * kTargetLatencyMs;
    attr.prebuf = msBytes * 20;
    attr.minreq = msBytes * kBlockMs;
    attr.fragsize = static_cast<uint32_t>(-1);
    int error = 0;
    pa_simple* connection = pa_simple_new(nullptr, "Quaverly", PA_STREAM_PLAYBACK, nullptr, "Music",
                                          &choice, nullptr, &attr, &error);
    if (!connection)
        return nullptr;
    return std::make_unique<PulseOutput>(connection, sampleRate, channels);
}

} // namespace audio::output
