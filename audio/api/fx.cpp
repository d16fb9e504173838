// Effect calls of the C API.
#include "audio/api/bass.h"
#include "audio/dsp/effect.h"
#include "audio/engine/errors.h"
#include "audio/engine/library.h"

using audio::core::fail;
using audio::core::Library;
using audio::core::succeed;

namespace {
constexpr int kEffectChannels = 2; // effects run on the stereo mix at the device rate
}

extern "C" {

HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority) {
    Library& library = Library::instance();
    const auto stream = handle ? library.stream(handle) : nullptr;
    audio::core::DeviceInfo device;
    if (!stream || !library.deviceInfo(&device))
        return fail(BASS_ERROR_HANDLE, HFX{0});
    auto effect =
        audio::dsp::createEffect(static_cast<int>(type), device.sampleRate, kEffectChannels);
    if (!effect)
        return fail(BASS_ERROR_ILLTYPE, HFX{0});
    const HFX fx = library.newHandle();
    stream->effects().add(fx, priority, std::move(effect));
    library.addEffect(fx, handle);
    return succeed(fx);
}

BOOL BASS_ChannelRemoveFX(DWORD handle, HFX fx) {
    Library& library = Library::instance();
    const auto stream = handle ? library.stream(handle) : nullptr;
    if (!stream || !fx || !stream->effects().remove(fx))
        return fail(BASS_ERROR_HANDLE, FALSE);
    library.forgetEffect(fx);
    return succeed(TRUE);
}

BOOL BASS_FXSetParameters(HFX handle, const void* params) {
    const auto stream = handle ? Library::instance().effectOwner(handle) : nullptr;
    if (!stream)
        return fail(BASS_ERROR_HANDLE, FALSE);
    if (!params)
        return fail(BASS_ERROR_ILLPARAM, FALSE);
    bool refused = false;
    if (!stream->effects().setParameters(handle, params, &refused))
        return fail(refused ? BASS_ERROR_ILLPARAM : BASS_ERROR_HANDLE, FALSE);
    return succeed(TRUE);
}

BOOL BASS_FXGetParameters(HFX handle, void* params) {
    const auto stream = handle ? Library::instance().effectOwner(handle) : nullptr;
    if (!stream)
        return fail(BASS_ERROR_HANDLE, FALSE);
    if (!params)
        return fail(BASS_ERROR_ILLPARAM, FALSE);
    if (!stream->effects().getParameters(handle, params))
        return fail(BASS_ERROR_HANDLE, FALSE);
    return succeed(TRUE);
}

// Accepts an effect handle (that effect) or a stream handle (all its effects).
BOOL BASS_FXReset(DWORD handle) {
    Library& library = Library::instance();
    if (!handle)
        return fail(BASS_ERROR_HANDLE, FALSE);
    if (const auto stream = library.stream(handle)) {
        stream->effects().resetAll();
        return succeed(TRUE);
    }
    const auto owner = library.effectOwner(handle);
    if (!owner || !owner->effects().reset(handle))
        return fail(BASS_ERROR_HANDLE, FALSE);
    return succeed(TRUE);
}

} // extern "C"
