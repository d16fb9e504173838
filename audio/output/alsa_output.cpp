// ALSA output for systems without a sound server: float frames when the PCM
// takes them, 16-bit otherwise. libasound is loaded when the device opens.
#include "audio/output/alsa_api.h"
#include "audio/output/output_device.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace audio::output {

namespace {

constexpr unsigned kLatencyUs = 50000;

// ALSA prints its configuration errors to stderr; a missing card is an
// ordinary answer here (init then reports the error code).
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

class AlsaOutput : public OutputDevice {
public:
    AlsaOutput(const AlsaApi& alsa, snd_pcm_t* pcm, bool floatFormat, int rate, int channels)
        : alsa_(alsa), pcm_(pcm), float_(floatFormat), rate_(rate), channels_(channels) {}
    ~AlsaOutput() override {
        alsa_.snd_pcm_drain(pcm_);
        alsa_.snd_pcm_close(pcm_);
    }

    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    bool paced() const override { return true; }
    std::size_t chunkFrames() const override { return rate_ / 100; }
    std::string name() const override { return "alsa"; }

    void write(const float* frames, std::size_t count) override {
        if (float_) {
            writeFrames(frames, count, sizeof(float));
            return;
        }
        s16_.resize(count * channels_);
        for (std::size_t i = 0; i < s16_.size(); ++i)
            s16_[i] = static_cast<int16_t>(std::lrint(std::clamp(frames[i], -1.0f, 1.0f) * 32767));
        writeFrames(s16_.data(), count, sizeof(int16_t));
    }

    int64_t latencyFrames() override {
        snd_pcm_sframes_t delay = 0;
        if (alsa_.snd_pcm_delay(pcm_, &delay) < 0 || delay < 0)
            return 0;
        return delay;
    }

    void discard() override {
        alsa_.snd_pcm_drop(pcm_);
        alsa_.snd_pcm_prepare(pcm_);
    }

    // A device that cannot pause plays out its 50 ms instead.
    void hold(bool on) override { alsa_.snd_pcm_pause(pcm_, on ? 1 : 0); }

private:
    void writeFrames(const void* data, std::size_t count, std::size_t sampleBytes) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        const std::size_t frameBytes = sampleBytes * channels_;
        int failures = 0;
        while (count > 0 && failures < 3) {
            const snd_pcm_sframes_t done = alsa_.snd_pcm_writei(pcm_, bytes, count);
            if (done < 0) {
                ++failures;
                if (alsa_.snd_pcm_recover(pcm_, static_cast<int>(done), 1) < 0)
                    break;
                continue;
            }
            bytes += done * frameBytes;
            count -= static_cast<std::size_t>(done);
        }
        if (count > 0) {
            // The device failed: keep real time so the mixer does not spin.
            std::this_thread::sleep_for(std::chrono::microseconds(count * 1000000 / rate_));
        }
    }

    const AlsaApi& alsa_;
    snd_pcm_t* pcm_;
    const bool float_;
    const int rate_;
    const int channels_;
    std::vector<int16_t> s16_;
};

} // namespace

std::unique_ptr<OutputDevice> openAlsaOutput(const std::string& name, int sampleRate,
                                             int channels) {
    const AlsaApi* alsa = alsaApi();
    if (!alsa)
        return nullptr;
    alsa->snd_lib_error_set_handler(ignoreAlsaError);
    snd_pcm_t* pcm = nullptr;
    if (alsa->snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, 0) < 0)
        return nullptr;
    for (const snd_pcm_format_t format : {SND_PCM_FORMAT_FLOAT_LE, SND_PCM_FORMAT_S16_LE}) {
        if (alsa->snd_pcm_set_params(pcm, format, SND_PCM_ACCESS_RW_INTERLEAVED, channels,
                                     static_cast<unsigned>(sampleRate), 1, kLatencyUs) == 0)
            return std::make_unique<AlsaOutput>(*alsa, pcm, format == SND_PCM_FORMAT_FLOAT_LE,
                                                sampleRate, channels);
    }
    alsa->snd_pcm_close(pcm);
    return nullptr;
}

} // namespace audio::output
