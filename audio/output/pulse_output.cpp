// PulseAudio (or PipeWire's PulseAudio server) through the asynchronous API,
// with a music player's buffer: the server holds a few hundred milliseconds
// and asks for more a few times a second, so the client and the mixer wake
// rarely. A play or a seek flushes what the server holds (the mixer's
// discard), so neither waits behind the buffer; a pause corks the stream;
// the volume is the stream's own volume in the server, which applies at
// once to what it holds. libpulse is loaded when the device opens.
#include "audio/output/output_device.h"
#include "audio/output/pulse_api.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

namespace audio::output {

namespace {

constexpr int kBlockMs = 100;   // the mixer's blocks: a few writes per refill
constexpr int kTargetMs = 500;  // the whole buffer: the server's queue and the sink's
constexpr int kRequestMs = 200; // the server asks for more once this much has played

class PulseOutput : public OutputDevice {
public:
    PulseOutput(const PulseApi& pa, int rate, int channels)
        : pa_(pa), rate_(rate), channels_(channels) {}
    ~PulseOutput() override;

    // Connects to the server and opens the stream; false when either fails.
    bool connect();

    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    bool paced() const override { return true; }
    std::size_t chunkFrames() const override { return rate_ * kBlockMs / 1000; }
    std::string name() const override { return "pulse"; }

    void write(const float* frames, std::size_t count) override;
    int64_t latencyFrames() override;
    void discard() override;
    void interruptWait() override;
    void hold(bool on) override;
    bool setVolume(float gain) override;

private:
    // The threaded mainloop's lock: callbacks run under it on its thread.
    class Lock {
    public:
        explicit Lock(const PulseOutput& out) : out_(out) { relock(); }
        ~Lock() { unlock(); }
        void unlock() {
            if (std::exchange(held_, false))
                out_.pa_.pa_threaded_mainloop_unlock(out_.mainloop_);
        }
        void relock() {
            out_.pa_.pa_threaded_mainloop_lock(out_.mainloop_);
            held_ = true;
        }

    private:
        const PulseOutput& out_;
        bool held_ = false;
    };

    static void wake(void* self) {
        auto* out = static_cast<PulseOutput*>(self);
        out->pa_.pa_threaded_mainloop_signal(out->mainloop_, 0);
    }
    static void onContextState(pa_context*, void* self) { wake(self); }
    static void onStreamState(pa_stream*, void* self) { wake(self); }
    static void onWritable(pa_stream*, std::size_t, void* self) { wake(self); }
    static void onVolumeSet(pa_context*, int, void* self) { wake(self); }

    // Under the lock: waits until current() is `ready`; false once it
    // cannot be (a failed or ended connection).
    template <class State, class Current>
    bool waitFor(Current current, State ready, int (*good)(State)) {
        for (State state = current(); state != ready; state = current()) {
            if (!good(state))
                return false;
            pa_.pa_threaded_mainloop_wait(mainloop_);
        }
        return true;
    }
    bool connectContext();
    bool connectStream();
    pa_buffer_attr bufferAttributes() const;
    // Under the lock: the stream can take data.
    bool ready() const;
    std::size_t frameBytes() const { return static_cast<std::size_t>(channels_) * sizeof(float); }

    const PulseApi& pa_;
    const int rate_;
    const int channels_;
    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    // Under the lock.
    bool interrupted_ = false;
    int64_t writtenSinceFlush_ = 0;
    std::chrono::steady_clock::time_point firstWriteSinceFlush_{};
    // A volume change the server has not confirmed: sound written before it
    // is done might be played at the old volume.
    pa_operation* volumeChange_ = nullptr;
};

PulseOutput::~PulseOutput() {
    // The mainloop's thread goes first, so no callback runs while freeing.
    if (mainloop_)
        pa_.pa_threaded_mainloop_stop(mainloop_);
    if (volumeChange_)
        pa_.pa_operation_unref(volumeChange_);
    if (stream_) {
        pa_.pa_stream_disconnect(stream_);
        pa_.pa_stream_unref(stream_);
    }
    if (context_) {
        pa_.pa_context_disconnect(context_);
        pa_.pa_context_unref(context_);
    }
    if (mainloop_)
        pa_.pa_threaded_mainloop_free(mainloop_);
}

bool PulseOutput::connect() {
    mainloop_ = pa_.pa_threaded_mainloop_new();
    if (!mainloop_)
        return false;
    context_ = pa_.pa_context_new(pa_.pa_threaded_mainloop_get_api(mainloop_), "Quaverly");
    if (!context_)
        return false;
    pa_.pa_context_set_state_callback(context_, onContextState, this);
    if (pa_.pa_context_connect(context_, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0 ||
        pa_.pa_threaded_mainloop_start(mainloop_) < 0)
        return false;
    Lock lock(*this);
    return connectContext() && connectStream();
}

bool PulseOutput::connectContext() {
    return waitFor([&] { return pa_.pa_context_get_state(context_); }, PA_CONTEXT_READY,
                   PA_CONTEXT_IS_GOOD);
}

pa_buffer_attr PulseOutput::bufferAttributes() const {
    const auto msBytes = static_cast<uint32_t>(rate_ / 1000 * frameBytes());
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = msBytes * kTargetMs;
    // Playing starts with the first block, so a play or a seek is heard at once.
    attr.prebuf = msBytes * kBlockMs;
    attr.minreq = msBytes * kRequestMs;
    attr.fragsize = static_cast<uint32_t>(-1);
    return attr;
}

bool PulseOutput::connectStream() {
    pa_sample_spec sampleFormat{};
    sampleFormat.format = PA_SAMPLE_FLOAT32LE;
    sampleFormat.rate = static_cast<uint32_t>(rate_);
    sampleFormat.channels = static_cast<uint8_t>(channels_);
    stream_ = pa_.pa_stream_new(context_, "Music", &sampleFormat, nullptr);
    if (!stream_)
        return false;
    pa_.pa_stream_set_state_callback(stream_, onStreamState, this);
    pa_.pa_stream_set_write_callback(stream_, onWritable, this);
    // The latency is the whole buffer's (the sink's share included), and it
    // is followed between the server's timing answers by interpolation.
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    const pa_buffer_attr attr = bufferAttributes();
    if (pa_.pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0)
        return false;
    return waitFor([&] { return pa_.pa_stream_get_state(stream_); }, PA_STREAM_READY,
                   PA_STREAM_IS_GOOD);
}

bool PulseOutput::ready() const {
    return pa_.pa_context_get_state(context_) == PA_CONTEXT_READY &&
           pa_.pa_stream_get_state(stream_) == PA_STREAM_READY;
}

void PulseOutput::write(const float* frames, std::size_t count) {
    const std::size_t bytes = count * frameBytes();
    Lock lock(*this);
    // The server asks for a few hundred milliseconds at a time; in between
    // the writer sleeps here.
    while (ready() && !interrupted_) {
        const std::size_t writable = pa_.pa_stream_writable_size(stream_);
        const bool volumeSet =
            !volumeChange_ || pa_.pa_operation_get_state(volumeChange_) != PA_OPERATION_RUNNING;
        if (volumeSet && writable != static_cast<std::size_t>(-1) && writable >= bytes)
            break;
        pa_.pa_threaded_mainloop_wait(mainloop_);
    }
    interrupted_ = false;
    if (ready() && pa_.pa_stream_write(stream_, frames, bytes, nullptr, 0, PA_SEEK_RELATIVE) == 0) {
        if (writtenSinceFlush_ == 0)
            firstWriteSinceFlush_ = std::chrono::steady_clock::now();
        writtenSinceFlush_ += static_cast<int64_t>(count);
        return;
    }
    // The server went away: keep real time so the mixer does not spin.
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::microseconds(count * 1000000 / rate_));
}

int64_t PulseOutput::latencyFrames() {
    Lock lock(*this);
    if (!ready())
        return 0;
    // Nothing written since the last flush played before it was written, so
    // this much at least is still to come. Right after a flush the server's
    // timing is not known yet, or is still the old one and reads far too
    // short; the interpolation may also run on while the stream waits to
    // start.
    const auto sinceFirstWrite = std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::steady_clock::now() - firstWriteSinceFlush_)
                                     .count();
    const int64_t toComeAtLeast =
        std::max<int64_t>(0, writtenSinceFlush_ - sinceFirstWrite * rate_ / 1000000);
    pa_usec_t usec = 0;
    int negative = 0;
    if (pa_.pa_stream_get_latency(stream_, &usec, &negative) < 0 || negative)
        return toComeAtLeast;
    return std::max(toComeAtLeast,
                    static_cast<int64_t>(usec * static_cast<pa_usec_t>(rate_) / 1000000));
}

void PulseOutput::discard() {
    Lock lock(*this);
    if (!ready())
        return;
    // Writes after the flush reach the server after it: no need to wait.
    if (pa_operation* flush = pa_.pa_stream_flush(stream_, nullptr, nullptr))
        pa_.pa_operation_unref(flush);
    writtenSinceFlush_ = 0;
}

void PulseOutput::interruptWait() {
    Lock lock(*this);
    interrupted_ = true;
    pa_.pa_threaded_mainloop_signal(mainloop_, 0);
}

void PulseOutput::hold(bool on) {
    Lock lock(*this);
    if (!ready())
        return;
    if (pa_operation* cork = pa_.pa_stream_cork(stream_, on ? 1 : 0, nullptr, nullptr))
        pa_.pa_operation_unref(cork);
}

bool PulseOutput::setVolume(float gain) {
    Lock lock(*this);
    if (!ready())
        return true;
    pa_cvolume volume;
    pa_.pa_cvolume_set(&volume, static_cast<unsigned>(channels_),
                       pa_.pa_sw_volume_from_linear(static_cast<double>(gain)));
    if (volumeChange_)
        pa_.pa_operation_unref(volumeChange_);
    // The next write waits for the server to confirm, so that a new sound
    // is heard at the new volume from its first sample.
    volumeChange_ = pa_.pa_context_set_sink_input_volume(context_, pa_.pa_stream_get_index(stream_),
                                                         &volume, onVolumeSet, this);
    return true;
}

} // namespace

std::unique_ptr<OutputDevice> openPulseOutput(int sampleRate, int channels) {
    const PulseApi* pa = pulseApi();
    if (!pa)
        return nullptr;
    auto device = std::make_unique<PulseOutput>(*pa, sampleRate, channels);
    if (!device->connect())
        return nullptr;
    return device;
}

} // namespace audio::output
