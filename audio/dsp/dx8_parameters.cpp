#include "audio/dsp/dx8_parameters.h"

namespace audio::dsp {
namespace {

bool inRange(float value, float low, float high) {
    return value >= low && value <= high;
}

} // namespace

BASS_DX8_PARAMEQ defaultParamEq() {
    return {8000.0f, 12.0f, 0.0f};
}

BASS_DX8_COMPRESSOR defaultCompressor() {
    return {0.0f, 10.0f, 200.0f, -20.0f, 3.0f, 4.0f};
}

BASS_DX8_REVERB defaultReverb() {
    return {0.0f, 0.0f, 1000.0f, 0.001f};
}

bool isValid(const BASS_DX8_PARAMEQ& p) {
    return inRange(p.fCenter, 80.0f, 16000.0f) && inRange(p.fBandwidth, 1.0f, 36.0f) &&
           inRange(p.fGain, -15.0f, 15.0f);
}

bool isValid(const BASS_DX8_COMPRESSOR& p) {
    return inRange(p.fGain, -60.0f, 60.0f) && inRange(p.fAttack, 0.01f, 500.0f) &&
           inRange(p.fRelease, 50.0f, 3000.0f) && inRange(p.fThreshold, -60.0f, 0.0f) &&
           inRange(p.fRatio, 1.0f, 100.0f) && inRange(p.fPredelay, 0.0f, 4.0f);
}

bool isValid(const BASS_DX8_REVERB& p) {
    return inRange(p.fInGain, -96.0f, 0.0f) && inRange(p.fReverbMix, -96.0f, 0.0f) &&
           inRange(p.fReverbTime, 0.001f, 3000.0f) && inRange(p.fHighFreqRTRatio, 0.001f, 0.999f);
}

} // namespace audio::dsp
