#include "audio/output/manual_clock.h"
#include "audio/output/output_device.h"

#include "audio/api/bass.h"

namespace audio::output {

namespace {

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::unique_ptr<OutputDevice> openNamed(const std::string& choice, int rate, int channels,
                                        int* bassError) {
    if (choice == "pulse")
        return openPulseOutput(rate, channels);
    if (choice == "alsa")
        return openAlsaOutput("default", rate, channels);
    if (startsWith(choice, "alsa:") && choice.size() > 5)
        return openAlsaOutput(choice.substr(5), rate, channels);
    if (choice == "null")
        return openNullOutput(true, rate, channels);
    if (choice == "null:fast")
        return openNullOutput(false, rate, channels);
    if (choice == "null:manual")
        return openNullOutput(true, rate, channels, std::make_shared<ManualClock>());
    const std::string manualWav = "wav:manual:";
    if (startsWith(choice, manualWav)) {
        if (choice.size() == manualWav.size())
            return nullptr;
        auto file = openWavOutput(choice.substr(manualWav.size()), rate, channels);
        if (!file) {
            *bassError = BASS_ERROR_FILEOPEN;
            return nullptr;
        }
        return openNullOutput(true, rate, channels, std::make_shared<ManualClock>(),
                              std::move(file));
    }
    if (startsWith(choice, "wav:") && choice.size() > 4) {
        auto device = openWavOutput(choice.substr(4), rate, channels);
        if (!device)
            *bassError = BASS_ERROR_FILEOPEN;
        return device;
    }
    return nullptr;
}

} // namespace

std::unique_ptr<OutputDevice> openOutputDevice(const std::string& choice, int sampleRate,
                                               int channels, int* bassError) {
    *bassError = BASS_ERROR_DEVICE;
    std::unique_ptr<OutputDevice> device;
    if (choice.empty()) {
        device = openPulseOutput(sampleRate, channels);
        if (!device)
            device = openAlsaOutput("default", sampleRate, channels);
        if (!device)
            *bassError = BASS_ERROR_DRIVER;
    } else {
        device = openNamed(choice, sampleRate, channels, bassError);
    }
    if (device)
        *bassError = BASS_OK;
    return device;
}

} // namespace audio::output
