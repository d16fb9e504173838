#include "audio/dsp/effect.h"

#include "audio/api/bass.h"
#include "audio/dsp/compressor.h"
#include "audio/dsp/param_eq.h"
#include "audio/dsp/reverb.h"

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
