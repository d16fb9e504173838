// Whether an effect handle is still on a stream.
#pragma once

#include "audio/api/bass.h"

namespace testsupport {

// An effect handle is live while the library can still read its parameters
// (into a record large enough for any of the three types).
inline bool IsLive(HFX effect) {
    union {
        BASS_DX8_PARAMEQ eq;
        BASS_DX8_COMPRESSOR compressor;
        BASS_DX8_REVERB reverb;
    } any{};
    return BASS_FXGetParameters(effect, &any) != 0;
}

} // namespace testsupport
