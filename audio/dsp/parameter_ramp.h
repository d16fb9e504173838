// Moves a set of float parameters linearly from their current values to new
// ones in a fixed number of steps, so that whatever is derived from them
// (filter coefficients, gains, delays) changes gradually instead of jumping.
#pragma once

#include <array>
#include <cstddef>

namespace audio::dsp {

template <std::size_t N> class ParameterRamp {
public:
    using Values = std::array<float, N>;

    void jumpTo(const Values& values) {
        start_ = current_ = target_ = values;
        stepsLeft_ = 0;
    }

    void rampTo(const Values& values, int steps) {
        start_ = current_;
        target_ = values;
        stepsTotal_ = steps > 0 ? steps : 1;
        stepsLeft_ = stepsTotal_;
    }

    bool active() const { return stepsLeft_ > 0; }
    const Values& current() const { return current_; }

    // Advances one step and returns the values for it; the last step lands
    // exactly on the target.
    const Values& step() {
        if (stepsLeft_ <= 0)
            return current_;
        --stepsLeft_;
        const float t = 1.0f - static_cast<float>(stepsLeft_) / static_cast<float>(stepsTotal_);
        for (std::size_t i = 0; i < N; ++i)
            current_[i] = stepsLeft_ == 0 ? target_[i] : start_[i] + (target_[i] - start_[i]) * t;
        return current_;
    }

private:
    Values start_{};
    Values current_{};
    Values target_{};
    int stepsTotal_ = 1;
    int stepsLeft_ = 0;
};

} // namespace audio::dsp
