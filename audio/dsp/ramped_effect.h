// The parameter handling and the process loop every effect shares, so that
// an effect keeps only its arithmetic. Derived provides:
//   static Values valuesOf(const Record&)  the parameters that glide
//   void apply(const Values&)              what follows from them (coefficients,
//                                          gain targets) for one step of a glide
//   void clearState()                      a reset: delay lines, envelopes
//   void runFrames(float*, std::size_t)    the audio of one chunk
// and where it needs them:
//   void settle()                          after a jump: nothing glides from before
//   void endPeriod()                       with EveryPeriod: control work at the end
//                                          of every period, gliding or not
// New parameters are collected at the start of each buffer. Once audio has
// passed they glide in over about kRampMilliseconds, one step at the end of
// each period of kRampChunkFrames frames; before that they apply at once.
#pragma once

#include "audio/dsp/denormal_guard.h"
#include "audio/dsp/parameter_ramp.h"
#include "audio/dsp/ramp_timing.h"
#include "audio/dsp/record_effect.h"

#include <algorithm>

namespace audio::dsp {

template <class Derived, class Record, std::size_t N, bool EveryPeriod = false>
class RampedEffect : public RecordEffect<Record> {
public:
    void process(float* samples, std::size_t frames) final {
        ScopedFlushDenormals flush;
        collectNews();
        const auto channels = static_cast<std::size_t>(channels_);
        for (std::size_t done = 0; done < frames;) {
            const bool stepping = ramp_.active() || EveryPeriod;
            const std::size_t count =
                stepping ? std::min(frames - done, periodLeft_) : frames - done;
            derived().runFrames(samples + done * channels, count);
            done += count;
            if (stepping && (periodLeft_ -= count) == 0)
                periodEnded();
        }
        started_ = started_ || frames > 0;
    }

protected:
    using Ramp = ParameterRamp<N>;
    using Values = typename Ramp::Values;

    RampedEffect(const Record& initial, int sampleRate, int channels)
        : RecordEffect<Record>(initial), sampleRate_(sampleRate), channels_(channels) {}

    // Takes the record's values at once; the effect's constructor ends with
    // it, for its initial record.
    void jumpTo(const Record& record) {
        ramp_.jumpTo(Derived::valuesOf(record));
        derived().apply(ramp_.current());
        derived().settle();
    }

    const Values& values() const { return ramp_.current(); }
    bool gliding() const { return ramp_.active(); }
    void settle() {}
    void endPeriod() {}

    const int sampleRate_;
    const int channels_;

private:
    Derived& derived() { return static_cast<Derived&>(*this); }

    void periodEnded() {
        periodLeft_ = kRampChunkFrames;
        if (ramp_.active())
            derived().apply(ramp_.step());
        derived().endPeriod();
    }

    void collectNews() {
        const auto news = this->mailbox_.collect();
        if (news.reset) {
            derived().clearState();
            periodLeft_ = kRampChunkFrames;
        }
        if (!news.changed)
            return;
        // Before any audio has passed there is nothing to glide from.
        if (started_)
            ramp_.rampTo(Derived::valuesOf(news.record), rampSteps(sampleRate_));
        else
            jumpTo(news.record);
    }

    Ramp ramp_;
    std::size_t periodLeft_ = kRampChunkFrames;
    bool started_ = false;
};

} // namespace audio::dsp
