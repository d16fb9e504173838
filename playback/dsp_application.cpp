// Builds the effect chain of the current stream, and of the follow-on queued
// after it, from the settings: seven equalizer bands, the compressor and the
// reverb, each enabled effect on the stream exactly once. The settings are
// read afresh on every application.
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

// Replaces the slot's earlier effect with a new one whose defaults edit
// changes before they are set.
template <class Record, class Edit>
void ReplaceEffect(HSTREAM stream, HFX& slot, DWORD type, int priority, Edit edit) {
    BASS_ChannelRemoveFX(stream, slot);
    slot = BASS_ChannelSetFX(stream, type, priority);
    Record params{};
    BASS_FXGetParameters(slot, &params);
    edit(params);
    BASS_FXSetParameters(slot, &params);
}

} // namespace

void PlaybackEngine::ApplyDsp() {
    if (stream_ == 0)
        return;
    const settings::IniFile ini(iniPath_);
    ApplyDspTo(stream_, effects_, ini);
    if (next_.stream != 0)
        ApplyDspTo(next_.stream, next_.effects, ini);
}

void PlaybackEngine::ApplyDspTo(HSTREAM stream, EffectSlots& effects,
                                const settings::IniFile& ini) {
    BASS_FXReset(stream);

    const bool equalizer = ini.ReadInt(settings::keys::EnableEq, 0) != 0;
    for (int band = 0; band < 7; ++band) {
        HFX& effect = effects.eq[static_cast<size_t>(band)];
        if (!equalizer) {
            RemoveEffect(stream, effect);
            continue;
        }
        const auto gain = static_cast<float>(
            ini.ReadReal(QString::fromLatin1(settings::keys::EqBandFormat).arg(band + 1)));
        ReplaceEffect<BASS_DX8_PARAMEQ>(stream, effect, BASS_FX_DX8_PARAMEQ, kEqPriority,
                                        [&](BASS_DX8_PARAMEQ& params) {
                                            params.fCenter = kBandCentres[band];
                                            params.fGain = gain;
                                        });
    }

    if (ini.ReadInt(settings::keys::EnableComp, 0) != 0) {
        ReplaceEffect<BASS_DX8_COMPRESSOR>(
            stream, effects.compressor, BASS_FX_DX8_COMPRESSOR, kCompressorPriority,
            [&](BASS_DX8_COMPRESSOR& params) {
                params.fGain = static_cast<float>(ini.ReadReal(settings::keys::CompGain));
                params.fThreshold = static_cast<float>(ini.ReadReal(settings::keys::CompThreshold));
            });
    } else {
        RemoveEffect(stream, effects.compressor);
    }

    if (ini.ReadInt(settings::keys::EnableReverb, 0) != 0) {
        ReplaceEffect<BASS_DX8_REVERB>(
            stream, effects.reverb, BASS_FX_DX8_REVERB, kReverbPriority,
            [&](BASS_DX8_REVERB& params) {
                params.fReverbMix = static_cast<float>(ini.ReadReal(settings::keys::ReverbMix));
                params.fReverbTime = static_cast<float>(ini.ReadReal(settings::keys::ReverbTime));
            });
    } else {
        RemoveEffect(stream, effects.reverb);
    }
}

} // namespace playback
