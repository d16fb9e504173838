// Published ranges and defaults of the DirectX 8 effect parameter records.
#pragma once

#include "audio/api/bass.h"

namespace audio::dsp {

BASS_DX8_PARAMEQ defaultParamEq();
BASS_DX8_COMPRESSOR defaultCompressor();
BASS_DX8_REVERB defaultReverb();

// True when every field is inside its range (NaN is never inside).
bool isValid(const BASS_DX8_PARAMEQ& p);
bool isValid(const BASS_DX8_COMPRESSOR& p);
bool isValid(const BASS_DX8_REVERB& p);

} // namespace audio::dsp
