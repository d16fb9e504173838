// The libasound functions the ALSA output calls (see dynamic_library.h).
#pragma once

#include "audio/output/dynamic_library.h"

#include <alsa/asoundlib.h>

namespace audio::output {

#define QUAVERLY_ALSA_FUNCTIONS(X)                                                                 \
    X(snd_lib_error_set_handler)                                                                   \
    X(snd_pcm_open)                                                                                \
    X(snd_pcm_close)                                                                               \
    X(snd_pcm_set_params)                                                                          \
    X(snd_pcm_writei)                                                                              \
    X(snd_pcm_recover)                                                                             \
    X(snd_pcm_delay)                                                                               \
    X(snd_pcm_drop)                                                                                \
    X(snd_pcm_drain)                                                                               \
    X(snd_pcm_prepare)                                                                             \
    X(snd_pcm_pause)

struct AlsaApi {
    QUAVERLY_ALSA_FUNCTIONS(QUAVERLY_TABLE_MEMBER)
};

// libasound's functions: alsaApi() loads them on its first call; null without libasound.
QUAVERLY_TABLE_LOADER(AlsaApi, alsaApi, "libasound.so.2", QUAVERLY_ALSA_FUNCTIONS)

} // namespace audio::output
