#include "dsp/effect.h"

#include "bass.h"
#include "dsp/compressor.h"
#include "dsp/param_eq.h"
#include "dsp/reverb.h"

namespace audio::dsp {

std::unique_ptr<Effect> createEffect(int type, int sampleRate, int channels) {
    if (sampleRate <= 0 || channels <= 0)
        return nullptr;
    switch (type) {
    case BASS_FX_DX8_PARAMEQ:
        return std::make_unique<ParamEq>(sampleRate, channels);
    case BASS_FX_DX8_COMPRESSOR:
        return std::make_unique<Compressor>(sampleRate, channels);
    case BASS_FX_DX8_REVERB:
        return std::make_unique<Reverb>(sampleRate, channels);
    default:
        return nullptr;
    }
}

} // namespace audio::dsp
