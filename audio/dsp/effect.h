// One effect of a stream's chain: processes interleaved float samples in place.
//
// getParameters, setParameters and reset may be called from any thread, also
// while process() runs on the mixer thread: they never make process() wait,
// and what they change takes effect from the next buffer on.
#pragma once

#include <cstddef>
#include <memory>

namespace audio::dsp {

class Effect {
public:
    virtual ~Effect() = default;

    // Processes frames of interleaved samples in place. Called on the mixer
    // thread only; must not allocate or block.
    virtual void process(float* samples, std::size_t frames) = 0;

    // Copies the current parameters into the type's BASS_DX8_* record.
    virtual void getParameters(void* params) const = 0;

    // Validates the whole record; an out-of-range field refuses it all and
    // leaves the current parameters. New values must ramp in without clicks.
    virtual bool setParameters(const void* params) = 0;

    // Clears the internal state (delay lines, envelopes), keeps parameters.
    virtual void reset() = 0;
};

// Creates an effect of a BASS_FX_DX8_* type for the given rate and channel
// count, with the type's published default parameters; nullptr for an
// unsupported type.
std::unique_ptr<Effect> createEffect(int type, int sampleRate, int channels);

} // namespace audio::dsp
