#include "audio/engine/library.h"

#include <cstdlib>

namespace audio::core {

namespace {
constexpr int kDefaultRate = 44100;
constexpr int kDeviceChannels = 2;
} // namespace

Library& Library::instance() {
    static Library library;
    return library;
}

Library::Library()
    : syncs_([this](HSTREAM handle, DWORD type) { return resolveSyncs(handle, type); }) {}

Library::~Library() {
    free();
}

int Library::init(int device, DWORD freq) {
    if (device != -1 && device != 1)
        return BASS_ERROR_DEVICE;
    std::lock_guard<std::mutex> guard(lifecycle_);
    {
        std::lock_guard<std::mutex> lock(registry_);
        if (mixer_)
            return BASS_ERROR_ALREADY;
    }
    const char* choice = std::getenv("QUAVERLY_AUDIO");
    const int rate = freq > 0 && freq <= 384000 ? static_cast<int>(freq) : kDefaultRate;
    int error = BASS_OK;
    auto output = output::openOutputDevice(choice ? choice : "", rate, kDeviceChannels, &error);
    if (!output)
        return error;
    output = output::tapOutput(std::move(output), std::getenv("QUAVERLY_AUDIO_TAP"));
    auto mixer = std::make_shared<Mixer>(std::move(output), syncs_, config_.streamVolume);
    mixer->start();
    std::lock_guard<std::mutex> lock(registry_);
    mixer_ = std::move(mixer);
    return BASS_OK;
}

int Library::free() {
    std::lock_guard<std::mutex> guard(lifecycle_);
    std::shared_ptr<Mixer> mixer;
    std::unordered_map<DWORD, std::shared_ptr<Stream>> streams;
    {
        std::lock_guard<std::mutex> lock(registry_);
        if (!mixer_)
            return BASS_ERROR_INIT;
        mixer = std::move(mixer_);
        streams.swap(streams_);
        effects_.clear();
    }
    mixer->stop();
    for (auto& [handle, stream] : streams) {
        syncs_.drop(handle);
        stream->shutdown();
    }
    return BASS_OK;
}

bool Library::deviceInfo(DeviceInfo* info) {
    std::lock_guard<std::mutex> lock(registry_);
    if (!mixer_)
        return false;
    info->sampleRate = mixer_->sampleRate();
    info->paced = mixer_->paced();
    return true;
}

HSTREAM Library::addStream(std::unique_ptr<ModuleDecoder> decoder, std::string localPath,
                           int* error) {
    const std::shared_ptr<Mixer> mixer = currentMixer();
    if (!mixer) {
        *error = BASS_ERROR_INIT;
        return 0;
    }
    const HSTREAM handle = newHandle();
    auto stream = std::make_shared<Stream>(handle, std::move(decoder), std::move(localPath),
                                           mixer->sampleRate(), mixer->signal());
    if (!stream->usable()) {
        *error = BASS_ERROR_FORMAT;
        return 0;
    }
    {
        std::lock_guard<std::mutex> lock(registry_);
        if (mixer_ != mixer) {
            *error = BASS_ERROR_INIT; // freed while the stream was opening
            return 0;
        }
        streams_.emplace(handle, stream);
    }
    stream->start();
    mixer->add(stream);
    *error = BASS_OK;
    return handle;
}

std::shared_ptr<Stream> Library::stream(DWORD handle) {
    std::lock_guard<std::mutex> lock(registry_);
    const auto found = streams_.find(handle);
    return found == streams_.end() ? nullptr : found->second;
}

int Library::freeStream(DWORD handle) {
    std::shared_ptr<Stream> stream;
    std::shared_ptr<Mixer> mixer;
    {
        std::lock_guard<std::mutex> lock(registry_);
        const auto found = streams_.find(handle);
        if (found == streams_.end())
            return BASS_ERROR_HANDLE;
        stream = std::move(found->second);
        streams_.erase(found);
        std::erase_if(effects_, [&](const auto& entry) { return entry.second == handle; });
        mixer = mixer_;
    }
    syncs_.drop(handle);
    if (mixer)
        mixer->remove(stream);
    stream->shutdown();
    return BASS_OK;
}

std::shared_ptr<Mixer> Library::currentMixer() {
    std::lock_guard<std::mutex> lock(registry_);
    return mixer_;
}

int64_t Library::heardOutputFrame() {
    const std::shared_ptr<Mixer> mixer = currentMixer();
    return mixer ? mixer->heardOutputFrame() : 0;
}

void Library::dropQueuedSound(const std::shared_ptr<Stream>& stream) {
    const std::shared_ptr<Mixer> mixer = currentMixer();
    if (mixer)
        mixer->dropQueuedSound(stream);
}

void Library::dropSoundOfStopped(const std::shared_ptr<Stream>& stream) {
    const std::shared_ptr<Mixer> mixer = currentMixer();
    if (mixer)
        mixer->dropSoundOfStopped(stream);
}

std::shared_ptr<output::ManualClock> Library::manualClock() {
    const std::shared_ptr<Mixer> mixer = currentMixer();
    return mixer ? mixer->manualClock() : nullptr;
}

void Library::streamVolumeChanged() {
    const std::shared_ptr<Mixer> mixer = currentMixer();
    if (mixer)
        mixer->streamVolumeChanged();
}

void Library::holdSoundOfPaused() {
    const std::shared_ptr<Mixer> mixer = currentMixer();
    if (mixer)
        mixer->holdSoundOfPaused();
}

int Library::setFollowOn(const std::shared_ptr<Stream>& first, std::shared_ptr<Stream> next) {
    const std::shared_ptr<Mixer> mixer = currentMixer();
    return mixer ? mixer->setFollowOn(first, std::move(next)) : BASS_ERROR_INIT;
}

void Library::addEffect(HFX fx, HSTREAM owner) {
    std::lock_guard<std::mutex> lock(registry_);
    effects_[fx] = owner;
}

void Library::forgetEffect(HFX fx) {
    std::lock_guard<std::mutex> lock(registry_);
    effects_.erase(fx);
}

std::shared_ptr<Stream> Library::effectOwner(HFX fx) {
    std::lock_guard<std::mutex> lock(registry_);
    const auto found = effects_.find(fx);
    if (found == effects_.end())
        return nullptr;
    const auto owner = streams_.find(found->second);
    return owner == streams_.end() ? nullptr : owner->second;
}

std::vector<SyncCall> Library::resolveSyncs(HSTREAM handle, DWORD type) {
    std::vector<SyncCall> calls;
    const std::shared_ptr<Stream> owner = stream(handle);
    if (!owner)
        return calls;
    for (const SyncRegistration& sync : owner->takeSyncsFor(type))
        calls.push_back({sync.handle, sync.proc, sync.user});
    return calls;
}

} // namespace audio::core
