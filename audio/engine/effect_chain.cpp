#include "audio/engine/effect_chain.h"

#include <algorithm>

namespace audio::core {

void EffectChain::add(HFX handle, int priority, std::unique_ptr<dsp::Effect> effect) {
    std::lock_guard<std::mutex> lock(mutex_);
    Slot slot{handle, priority, std::move(effect)};
    // After every slot of the same priority: equal priorities keep their order.
    const auto at = std::find_if(slots_.begin(), slots_.end(),
                                 [&](const Slot& other) { return other.priority < priority; });
    slots_.insert(at, std::move(slot));
}

bool EffectChain::remove(HFX handle) {
    std::unique_ptr<dsp::Effect> removed;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto at = std::find_if(slots_.begin(), slots_.end(),
                                     [&](const Slot& slot) { return slot.handle == handle; });
        if (at == slots_.end())
            return false;
        removed = std::move(at->effect);
        slots_.erase(at);
    }
    return true; // the effect is destroyed here, outside the lock
}

dsp::Effect* EffectChain::find(HFX handle) {
    for (Slot& slot : slots_) {
        if (slot.handle == handle)
            return slot.effect.get();
    }
    return nullptr;
}

bool EffectChain::contains(HFX handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    return find(handle) != nullptr;
}

bool EffectChain::setParameters(HFX handle, const void* params, bool* refused) {
    std::lock_guard<std::mutex> lock(mutex_);
    dsp::Effect* effect = find(handle);
    *refused = false;
    if (!effect)
        return false;
    *refused = !effect->setParameters(params);
    return !*refused;
}

bool EffectChain::getParameters(HFX handle, void* params) {
    std::lock_guard<std::mutex> lock(mutex_);
    dsp::Effect* effect = find(handle);
    if (!effect)
        return false;
    effect->getParameters(params);
    return true;
}

bool EffectChain::reset(HFX handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    dsp::Effect* effect = find(handle);
    if (!effect)
        return false;
    effect->reset();
    return true;
}

void EffectChain::resetAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (Slot& slot : slots_)
        slot.effect->reset();
}

std::vector<HFX> EffectChain::handles() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<HFX> result;
    for (const Slot& slot : slots_)
        result.push_back(slot.handle);
    return result;
}

void EffectChain::process(float* frames, std::size_t count) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (Slot& slot : slots_)
        slot.effect->process(frames, count);
}

} // namespace audio::core
