// The library's process-wide state: the device and its mixer, the handle
// registry, the configuration and the sync thread. Handles come from one
// counter, so a freed handle is not given out again for a very long time.
#pragma once

#include "audio/api/bass.h"
#include "audio/engine/mixer.h"
#include "audio/engine/stream.h"
#include "audio/engine/sync_dispatcher.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace audio::core {

struct Config {
    std::atomic<DWORD> streamVolume{10000};
    std::atomic<DWORD> followPlaylists{0};
    std::atomic<DWORD> netTimeoutMs{5000};
    std::atomic<DWORD> netReadTimeoutMs{15000};
    std::atomic<DWORD> netOpenLimitMs{10000};
    std::atomic<NETABORTPROC*> netAbort{nullptr};
};

struct DeviceInfo {
    int sampleRate = 0;
    bool paced = false;
};

class Library {
public:
    static Library& instance();
    ~Library();

    Config& config() { return config_; }

    // Both return a BASS_ERROR_* code.
    int init(int device, DWORD freq);
    int free();
    bool deviceInfo(DeviceInfo* info);

    // Registers a new stream and starts it; 0 when the device went away.
    HSTREAM addStream(std::unique_ptr<ModuleDecoder> decoder, std::string localPath, int* error);
    std::shared_ptr<Stream> stream(DWORD handle);
    int freeStream(DWORD handle);
    int64_t heardOutputFrame();
    // After a seek: see Mixer::dropQueuedSound.
    void dropQueuedSound(const std::shared_ptr<Stream>& stream);
    // After a stop: see Mixer::dropSoundOfStopped.
    void dropSoundOfStopped(const std::shared_ptr<Stream>& stream);
    // After a pause: see Mixer::holdSoundOfPaused.
    void holdSoundOfPaused();
    // See Mixer::streamVolumeChanged.
    void streamVolumeChanged();
    // See Mixer::setFollowOn; BASS_ERROR_INIT without a device.
    // The device's clock when a test moves it ("null:manual"), else nullptr.
    std::shared_ptr<output::ManualClock> manualClock();
    int setFollowOn(const std::shared_ptr<Stream>& first, std::shared_ptr<Stream> next);

    DWORD newHandle() { return nextHandle_.fetch_add(1); }
    void addEffect(HFX fx, HSTREAM owner);
    void forgetEffect(HFX fx);
    // The stream that carries an effect, or nullptr.
    std::shared_ptr<Stream> effectOwner(HFX fx);

private:
    Library();
    // The mixer of the open device, or nullptr; taken under the registry lock.
    std::shared_ptr<Mixer> currentMixer();
    std::vector<SyncCall> resolveSyncs(HSTREAM handle, DWORD type);

    Config config_;
    std::atomic<DWORD> nextHandle_{1};
    std::mutex lifecycle_; // serialises init and free
    std::mutex registry_;  // guards everything below; held briefly
    std::shared_ptr<Mixer> mixer_;
    std::unordered_map<DWORD, std::shared_ptr<Stream>> streams_;
    std::unordered_map<HFX, HSTREAM> effects_;
    SyncDispatcher syncs_;
};

} // namespace audio::core
