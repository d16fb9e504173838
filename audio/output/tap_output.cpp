// A diagnostic wrapper around any output device, off unless QUAVERLY_AUDIO_TAP
// names a file: every write is logged as one line
//   <steady clock ns when handed over> <frames> <first audible frame> <last audible frame>
// (-1 -1 for a silent block) before it goes on to the real device. The
// benchmarks read it to time play-to-first-sample, track-change gaps and seeks;
// the steady clock is CLOCK_MONOTONIC, so another process can compare times.
#include "audio/output/output_device.h"

#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>

namespace audio::output {

namespace {

// Quieter than the last bit of 16-bit output: silence for any listener.
constexpr float kAudible = 1.0f / 65536.0f;

class TapOutput : public OutputDevice {
public:
    TapOutput(std::unique_ptr<OutputDevice> inner, std::FILE* log)
        : inner_(std::move(inner)), log_(log) {}
    ~TapOutput() override { std::fclose(log_); }

    int sampleRate() const override { return inner_->sampleRate(); }
    int channels() const override { return inner_->channels(); }
    bool paced() const override { return inner_->paced(); }
    std::size_t chunkFrames() const override { return inner_->chunkFrames(); }
    std::string name() const override { return inner_->name(); }
    int64_t latencyFrames() override { return inner_->latencyFrames(); }
    void discard() override { inner_->discard(); }
    void interruptWait() override { inner_->interruptWait(); }
    void hold(bool on) override { inner_->hold(on); }
    bool setVolume(float gain) override { return inner_->setVolume(gain); }
    std::chrono::steady_clock::time_point now() const override { return inner_->now(); }
    std::shared_ptr<ManualClock> manualClock() const override { return inner_->manualClock(); }

    void write(const float* frames, std::size_t count) override {
        const int64_t handedNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count();
        int64_t first = -1, last = -1;
        const auto width = static_cast<std::size_t>(inner_->channels());
        for (std::size_t i = 0; i < count * width; ++i) {
            if (std::fabs(frames[i]) < kAudible)
                continue;
            if (first < 0)
                first = static_cast<int64_t>(i / width);
            last = static_cast<int64_t>(i / width);
        }
        std::fprintf(log_, "%" PRId64 " %zu %" PRId64 " %" PRId64 "\n", handedNs, count, first,
                     last);
        std::fflush(log_);
        inner_->write(frames, count);
    }

private:
    std::unique_ptr<OutputDevice> inner_;
    std::FILE* log_;
};

} // namespace

std::unique_ptr<OutputDevice> tapOutput(std::unique_ptr<OutputDevice> device, const char* logPath) {
    if (!device || !logPath || !*logPath)
        return device;
    std::FILE* log = std::fopen(logPath, "w");
    if (!log)
        return device; // a diagnostic never stops the sound
    return std::make_unique<TapOutput>(std::move(device), log);
}

} // namespace audio::output
