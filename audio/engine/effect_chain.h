// A stream's effects in processing order: higher priority first, equal
// priorities in the order they were added. The mixer runs the chain under
// the chain's own lock, so parameter changes never race with processing.
#pragma once

#include "audio/api/bass.h"
#include "audio/dsp/effect.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace audio::core {

class EffectChain {
public:
    void add(HFX handle, int priority, std::unique_ptr<dsp::Effect> effect);
    bool remove(HFX handle);
    bool contains(HFX handle);
    bool setParameters(HFX handle, const void* params, bool* refused);
    bool getParameters(HFX handle, void* params);
    bool reset(HFX handle);
    void resetAll();
    std::vector<HFX> handles();

    void process(float* frames, std::size_t count);

private:
    struct Slot {
        HFX handle;
        int priority;
        std::unique_ptr<dsp::Effect> effect;
    };
    dsp::Effect* find(HFX handle);

    std::mutex mutex_;
    std::vector<Slot> slots_;
};

} // namespace audio::core
