// The null output: discards the sound, either as fast as it comes or paced
// like a sound card with a short buffer, so that positions and syncs follow
// real time, or a clock its owner moves (ManualClock). Paced, it can hand
// what it plays to another device first (a WAV file on a manual clock).
#include "audio/output/manual_clock.h"
#include "audio/output/output_device.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <utility>

namespace audio::output {

namespace {

using Clock = std::chrono::steady_clock;

// A music player's buffer: 200 ms, the writer woken once per 160 ms.
constexpr int64_t kBufferBlocks = 10;
constexpr int64_t kPeriodBlocks = 8;

class NullOutput : public OutputDevice {
public:
    NullOutput(bool paced, int rate, int channels, std::shared_ptr<ManualClock> clock,
               std::unique_ptr<OutputDevice> sink)
        : paced_(paced), rate_(rate), channels_(channels), clock_(std::move(clock)),
          sink_(std::move(sink)) {
        if (clock_)
            listening_ = clock_->listen([this] { clockMoved(); });
    }
    ~NullOutput() override {
        if (clock_)
            clock_->forget(listening_);
    }

    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    bool paced() const override { return paced_; }
    // 20 ms blocks; see write() for how many the buffer holds.
    std::size_t chunkFrames() const override { return paced_ ? rate_ / 50 : 4096; }
    std::string name() const override {
        return sink_ ? sink_->name() : paced_ ? "null" : "null:fast";
    }

    void write(const float* frames, std::size_t count) override {
        if (sink_)
            sink_->write(frames, count);
        if (!paced_)
            return;
        std::unique_lock<std::mutex> lock(mutex_);
        const Clock::time_point now = this->now();
        // After an underrun the clock restarts from what has been written.
        if (written_ == 0 || playedFrames(now) >= written_)
            start_ = now - framesToDuration(written_);
        written_ += static_cast<int64_t>(count);
        // Like a sound card that interrupts once per kPeriodBlocks blocks: a
        // write that fills the buffer to kBufferBlocks sleeps until
        // kBufferBlocks - kPeriodBlocks are left, and the writes after it
        // return at once until the buffer is full again. Few wake-ups keep a
        // player cheap; a seek does not wait for the buffer (discard()).
        const auto block = static_cast<int64_t>(chunkFrames());
        if (written_ - playedFrames(now) < block * kBufferBlocks)
            return;
        const Clock::time_point due =
            start_ + framesToDuration(written_ - block * (kBufferBlocks - kPeriodBlocks));
        waitUntil(lock, due);
        interrupted_ = false;
    }

    Clock::time_point now() const override {
        return clock_ ? Clock::time_point(clock_->now()) : Clock::now();
    }

    std::shared_ptr<ManualClock> manualClock() const override { return clock_; }

    void discard() override {
        std::lock_guard<std::mutex> lock(mutex_);
        written_ = std::min(written_, playedFrames(now()));
    }

    // The modelled card stops its clock while held.
    void hold(bool on) override {
        std::lock_guard<std::mutex> lock(mutex_);
        const Clock::time_point now = this->now();
        if (on)
            heldSince_ = now;
        else if (heldSince_)
            start_ += now - *std::exchange(heldSince_, std::nullopt);
    }

    void interruptWait() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            interrupted_ = true;
        }
        wakeup_.notify_all();
    }

    int64_t latencyFrames() override {
        if (!paced_)
            return 0;
        std::lock_guard<std::mutex> lock(mutex_);
        const int64_t played = playedFrames(now());
        return played >= written_ ? 0 : written_ - played;
    }

private:
    void waitUntil(std::unique_lock<std::mutex>& lock, Clock::time_point due) {
        const auto done = [&] { return interrupted_ || now() >= due; };
        if (!clock_) {
            wakeup_.wait_until(lock, due, done);
            return;
        }
        while (!done()) {
            clock_->setWriterWaiting(true);
            wakeup_.wait(lock);
        }
        clock_->setWriterWaiting(false);
    }

    void clockMoved() {
        std::lock_guard<std::mutex> lock(mutex_);
        wakeup_.notify_all();
    }

    Clock::duration framesToDuration(int64_t frames) const {
        return std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(static_cast<double>(frames) / rate_));
    }
    int64_t playedFrames(Clock::time_point now) const {
        const Clock::time_point until = heldSince_.value_or(now);
        return static_cast<int64_t>(std::chrono::duration<double>(until - start_).count() * rate_);
    }

    const bool paced_;
    const int rate_;
    const int channels_;
    std::mutex mutex_;
    std::condition_variable wakeup_;
    Clock::time_point start_{};
    std::optional<Clock::time_point> heldSince_;
    int64_t written_ = 0;
    bool interrupted_ = false;
    const std::shared_ptr<ManualClock> clock_;
    const std::unique_ptr<OutputDevice> sink_;
    int listening_ = 0;
};

} // namespace

std::unique_ptr<OutputDevice> openNullOutput(bool paced, int sampleRate, int channels,
                                             std::shared_ptr<ManualClock> clock,
                                             std::unique_ptr<OutputDevice> sink) {
    return std::make_unique<NullOutput>(paced, sampleRate, channels, std::move(clock),
                                        std::move(sink));
}

} // namespace audio::output
