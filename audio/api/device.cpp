// Library and device calls of the C API.
#include "audio/api/bass.h"
#include "audio/engine/codec_module.h"
#include "audio/engine/errors.h"
#include "audio/engine/library.h"

#include <atomic>
#include <string>

using audio::core::fail;
using audio::core::Library;
using audio::core::succeed;

namespace {

// The network options, which are stored as given; nullptr for any other.
std::atomic<DWORD>* networkSetting(audio::core::Config& config, DWORD option) {
    switch (option) {
    case BASS_CONFIG_NET_PLAYLIST:
        return &config.followPlaylists;
    case BASS_CONFIG_NET_TIMEOUT:
        return &config.netTimeoutMs;
    case BASS_CONFIG_NET_READTIMEOUT:
        return &config.netReadTimeoutMs;
    case BASS_CONFIG_NET_OPENLIMIT:
        return &config.netOpenLimitMs;
    default:
        return nullptr;
    }
}

constexpr DWORD kVersion = 0x02041100;
constexpr DWORD kLatencyMs = 50;

} // namespace

extern "C" {

DWORD BASS_GetVersion(void) {
    return kVersion;
}

BOOL QUAVERLY_CodecModuleMatches(void) {
    return audio::checkCodecModule() != audio::ModuleCheck::OtherVersion;
}

int BASS_ErrorGetCode(void) {
    return audio::core::lastError();
}

BOOL BASS_Init(int device, DWORD freq, DWORD, void*, const void*) {
    const int error = Library::instance().init(device, freq);
    return error == BASS_OK ? succeed(TRUE) : fail(error, FALSE);
}

BOOL BASS_Free(void) {
    const int error = Library::instance().free();
    return error == BASS_OK ? succeed(TRUE) : fail(error, FALSE);
}

BOOL BASS_GetInfo(BASS_INFO* info) {
    if (!info)
        return fail(BASS_ERROR_ILLPARAM, FALSE);
    audio::core::DeviceInfo device;
    if (!Library::instance().deviceInfo(&device))
        return fail(BASS_ERROR_INIT, FALSE);
    *info = BASS_INFO{};
    info->latency = device.paced ? kLatencyMs : 0;
    info->freq = static_cast<DWORD>(device.sampleRate);
    info->speakers = 2;
    info->minrate = 1000;
    info->maxrate = 384000;
    info->minbuf = device.paced ? kLatencyMs : 0;
    return succeed(TRUE);
}

BOOL BASS_SetConfig(DWORD option, DWORD value) {
    audio::core::Config& config = Library::instance().config();
    switch (option) {
    case BASS_CONFIG_GVOL_STREAM:
        if (value > 10000)
            return fail(BASS_ERROR_ILLPARAM, FALSE);
        config.streamVolume = value;
        Library::instance().streamVolumeChanged();
        return succeed(TRUE);
    default:
        if (std::atomic<DWORD>* setting = networkSetting(config, option)) {
            *setting = value;
            return succeed(TRUE);
        }
        return fail(BASS_ERROR_ILLTYPE, FALSE);
    }
}

BOOL BASS_SetConfigPtr(DWORD option, const void* value) {
    if (option != BASS_CONFIG_NET_ABORTPROC)
        return fail(BASS_ERROR_ILLTYPE, FALSE);
    Library::instance().config().netAbort =
        reinterpret_cast<NETABORTPROC*>(const_cast<void*>(value));
    return succeed(TRUE);
}

DWORD BASS_GetConfig(DWORD option) {
    audio::core::Config& config = Library::instance().config();
    switch (option) {
    case BASS_CONFIG_GVOL_STREAM:
        return succeed(config.streamVolume.load());
    default:
        if (const std::atomic<DWORD>* setting = networkSetting(config, option))
            return succeed(setting->load());
        return fail(BASS_ERROR_ILLTYPE, static_cast<DWORD>(-1));
    }
}

} // extern "C"
