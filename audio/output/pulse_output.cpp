// PulseAudio (or PipeWire's PulseAudio server) through the simple API, with a
// short target buffer so that play and seek are heard quickly.
#include "output/output_device.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <chrono>
#include <thread>

namespace audio::output {

namespace {

constexpr int kTargetLatencyMs = 50;

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
    std::size_t chunkFrames() const override { return rate_ / 100; }
    std::string name() const override { return "pulse"; }

    void write(const float* frames, std::size_t count) override {
        int error = 0;
        if (pa_simple_write(connection_, frames, count * channels_ * sizeof(float), &error) < 0) {
            // The server went away: keep real time so the mixer does not spin.
            std::this_thread::sleep_for(std::chrono::microseconds(count * 1000000 / rate_));
        }
    }

    int64_t latencyFrames() override {
        int error = 0;
        const pa_usec_t usec = pa_simple_get_latency(connection_, &error);
        if (usec == static_cast<pa_usec_t>(-1))
            return 0;
        return static_cast<int64_t>(usec * rate_ / 1000000);
    }

private:
    pa_simple* connection_;
    const int rate_;
    const int channels_;
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
    attr.minreq = msBytes * 10;
    attr.fragsize = static_cast<uint32_t>(-1);
    int error = 0;
    pa_simple* connection = pa_simple_new(nullptr, "Quaverly", PA_STREAM_PLAYBACK, nullptr, "Music",
                                          &choice, nullptr, &attr, &error);
    if (!connection)
        return nullptr;
    return std::make_unique<PulseOutput>(connection, sampleRate, channels);
}

} // namespace audio::output
