// The libpulse functions the pulse output calls (see dynamic_library.h).
#pragma once

#include "audio/output/dynamic_library.h"

#include <pulse/pulseaudio.h>

namespace audio::output {

#define QUAVERLY_PULSE_FUNCTIONS(X)                                                                \
    X(pa_threaded_mainloop_new)                                                                    \
    X(pa_threaded_mainloop_free)                                                                   \
    X(pa_threaded_mainloop_start)                                                                  \
    X(pa_threaded_mainloop_stop)                                                                   \
    X(pa_threaded_mainloop_lock)                                                                   \
    X(pa_threaded_mainloop_unlock)                                                                 \
    X(pa_threaded_mainloop_wait)                                                                   \
    X(pa_threaded_mainloop_signal)                                                                 \
    X(pa_threaded_mainloop_get_api)                                                                \
    X(pa_context_new)                                                                              \
    X(pa_context_unref)                                                                            \
    X(pa_context_connect)                                                                          \
    X(pa_context_disconnect)                                                                       \
    X(pa_context_get_state)                                                                        \
    X(pa_context_set_state_callback)                                                               \
    X(pa_stream_new)                                                                               \
    X(pa_stream_unref)                                                                             \
    X(pa_stream_connect_playback)                                                                  \
    X(pa_stream_disconnect)                                                                        \
    X(pa_stream_get_state)                                                                         \
    X(pa_stream_set_state_callback)                                                                \
    X(pa_stream_set_write_callback)                                                                \
    X(pa_stream_writable_size)                                                                     \
    X(pa_stream_write)                                                                             \
    X(pa_stream_flush)                                                                             \
    X(pa_stream_cork)                                                                              \
    X(pa_stream_get_latency)                                                                       \
    X(pa_stream_get_index)                                                                         \
    X(pa_context_set_sink_input_volume)                                                            \
    X(pa_cvolume_set)                                                                              \
    X(pa_sw_volume_from_linear)                                                                    \
    X(pa_operation_unref)                                                                          \
    X(pa_operation_get_state)

struct PulseApi {
    QUAVERLY_PULSE_FUNCTIONS(QUAVERLY_TABLE_MEMBER)
};

// libpulse's functions: pulseApi() loads them on its first call; null without libpulse.
QUAVERLY_TABLE_LOADER(PulseApi, pulseApi, "libpulse.so.0", QUAVERLY_PULSE_FUNCTIONS)

} // namespace audio::output
