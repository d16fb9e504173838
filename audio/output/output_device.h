// Sound output back-ends. The mixer writes interleaved float frames to one
// device; the device converts them to whatever its sink takes.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace audio::output {

class ManualClock;

class OutputDevice {
public:
    virtual ~OutputDevice() = default;

    virtual int sampleRate() const = 0;
    virtual int channels() const = 0;

    // True when write() blocks to follow real time (a sound card or the paced
    // null output); false when it returns as fast as it can.
    virtual bool paced() const = 0;

    // Writes interleaved frames. A paced device blocks while its buffer is full.
    virtual void write(const float* frames, std::size_t count) = 0;

    // Frames written but not heard yet (what sits in the device's buffer).
    virtual int64_t latencyFrames() = 0;

    // Drops what was written but not heard yet, so that what comes next is
    // heard at once (a seek). Called by the writing thread between writes.
    virtual void discard() {}

    // From any thread: a write() waiting for room returns early. A device
    // whose writes wait only briefly may ignore it.
    virtual void interruptWait() {}

    // Stops (true) or goes on (false) playing what the device holds, so that
    // a pause is heard at once and a resume goes on from the same sample.
    // Called by the writing thread, which writes nothing while the device is
    // held. A device with a short buffer may ignore it.
    virtual void hold(bool) {}

    // Takes the stream volume (0..1) as the device's own volume, which
    // applies at once to what the device holds. False when the device has
    // none: the mixer then scales the samples itself. From any thread.
    virtual bool setVolume(float) { return false; }

    // The clock the device plays by: the real one, unless its owner moves it
    // (manualClock()).
    virtual std::chrono::steady_clock::time_point now() const {
        return std::chrono::steady_clock::now();
    }
    virtual std::shared_ptr<ManualClock> manualClock() const { return nullptr; }

    // Frames the mixer should produce per write.
    virtual std::size_t chunkFrames() const = 0;

    // The back-end's name as QUAVERLY_AUDIO spells it.
    virtual std::string name() const = 0;
};

// Opens the device named by a QUAVERLY_AUDIO value: "pulse", "alsa",
// "alsa:PCM", "null", "null:fast", "null:manual" (paced by a ManualClock),
// "wav:PATH" or "wav:manual:PATH" (the file written as a "null:manual"
// device plays, as far as its clock is moved). An empty choice tries pulse
// then alsa. Returns nullptr and sets *bassError (BASS_ERROR_DEVICE,
// BASS_ERROR_DRIVER, BASS_ERROR_FILEOPEN) when nothing opens.
std::unique_ptr<OutputDevice> openOutputDevice(const std::string& choice, int sampleRate,
                                               int channels, int* bassError);

std::unique_ptr<OutputDevice> openPulseOutput(int sampleRate, int channels);
std::unique_ptr<OutputDevice> openAlsaOutput(const std::string& pcm, int sampleRate, int channels);
// `sink`, when given, receives every write before the pacing.
std::unique_ptr<OutputDevice> openNullOutput(bool paced, int sampleRate, int channels,
                                             std::shared_ptr<ManualClock> clock = nullptr,
                                             std::unique_ptr<OutputDevice> sink = nullptr);
std::unique_ptr<OutputDevice> openWavOutput(const std::string& path, int sampleRate, int channels);

// Diagnostics for the benchmarks: wraps device so that each write is logged to
// logPath (see tap_output.cpp). Returns device itself when logPath is null or
// empty or cannot be opened.
std::unique_ptr<OutputDevice> tapOutput(std::unique_ptr<OutputDevice> device, const char* logPath);

} // namespace audio::output
