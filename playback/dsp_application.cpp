// Builds the effect chain of the current stream from the settings: seven
// equalizer bands, the compressor and the reverb, each enabled effect on the
// stream exactly once. The settings are read afresh on every application.
#include "playback/playback_engine.h"

#include "settings/ini_file.h"
#include "settings/settings_keys.h"

namespace playback {

namespace {

constexpr float kBandCentres[7] = {125, 250, 500, 1000, 2000, 4000, 8000};
constexpr int kEqPriority = 2;
constexpr int kCompressorPriority = 3;
constexpr int kReverbPriority = 1;

void RemoveEffect(HSTREAM stream, HFX& effect) {
    BASS_ChannelRemoveFX(stream, effect);
    BASS_FXReset(effect);
}

} // namespace

void PlaybackEngine::ApplyDsp() {
    if (stream_ == 0)
        return;
    const settings::IniFile ini(iniPath_);
    BASS_FXReset(stream_);

    for (int band = 0; band < 7; ++band) {
        HFX& effect = eqEffects_[static_cast<size_t>(band)];
        if (ini.ReadInt(settings::keys::EnableEq, 0) == 0) {
            RemoveEffect(stream_, effect);
            continue;
        }
        BASS_ChannelRemoveFX(stream_, effect);
        effect = BASS_ChannelSetFX(stream_, BASS_FX_DX8_PARAMEQ, kEqPriority);
        BASS_DX8_PARAMEQ params{};
        BASS_FXGetParameters(effect, &params);
        params.fCenter = kBandCentres[band];
        params.fGain = static_cast<float>(
            ini.ReadReal(QString::fromLatin1(settings::keys::EqBandFormat).arg(band + 1)));
        BASS_FXSetParameters(effect, &params);
    }

    if (ini.ReadInt(settings::keys::EnableComp, 0) != 0) {
        BASS_ChannelRemoveFX(stream_, compressorEffect_);
        compressorEffect_ = BASS_ChannelSetFX(stream_, BASS_FX_DX8_COMPRESSOR, kCompressorPriority);
        BASS_DX8_COMPRESSOR params{};
        BASS_FXGetParameters(compressorEffect_, &params);
        params.fGain = static_cast<float>(ini.ReadReal(settings::keys::CompGain));
        params.fThreshold = static_cast<float>(ini.ReadReal(settings::keys::CompThreshold));
        BASS_FXSetParameters(compressorEffect_, &params);
    } else {
        RemoveEffect(stream_, compressorEffect_);
    }

    if (ini.ReadInt(settings::keys::EnableReverb, 0) != 0) {
        BASS_ChannelRemoveFX(stream_, reverbEffect_);
        reverbEffect_ = BASS_ChannelSetFX(stream_, BASS_FX_DX8_REVERB, kReverbPriority);
        BASS_DX8_REVERB params{};
        BASS_FXGetParameters(reverbEffect_, &params);
        params.fReverbMix = static_cast<float>(ini.ReadReal(settings::keys::ReverbMix));
        params.fReverbTime = static_cast<float>(ini.ReadReal(settings::keys::ReverbTime));
        BASS_FXSetParameters(reverbEffect_, &params);
    } else {
        RemoveEffect(stream_, reverbEffect_);
    }
}

} // namespace playback
