// The mixer thread: pulls every playing stream, runs its effects, applies the
// global stream volume, sums and writes to the output device. Events are held
// until the output has played them and then handed to the sync thread.
#pragma once

#include "audio/engine/mixer_signal.h"
#include "audio/engine/stream.h"
#include "audio/engine/sync_dispatcher.h"
#include "audio/output/output_device.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace audio::core {

class Mixer {
public:
    Mixer(std::unique_ptr<output::OutputDevice> device, SyncDispatcher& syncs,
          const std::atomic<DWORD>& streamVolume);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    const std::shared_ptr<MixerSignal>& signal() const { return signal_; }
    int sampleRate() const { return rate_; }
    bool paced() const { return paced_; }
    std::string deviceName() const { return device_->name(); }
    std::shared_ptr<output::ManualClock> manualClock() const { return device_->manualClock(); }

    void start();
    // Stops and joins the thread; the device closes when the mixer goes.
    void stop();

    void add(std::shared_ptr<Stream> stream);
    // Also forgets the follow-ons the stream takes part in.
    void remove(const std::shared_ptr<Stream>& stream);

    // Queues `next` to start in the block where `first` ends, sample after
    // sample, replacing what was queued after `first`; a null `next` clears
    // it. Returns a BASS_ERROR_* code: ENDED when `first` has ended already,
    // ALREADY when `next` is not a stopped stream, or when there was nothing
    // to clear (never queued, or started already).
    int setFollowOn(const std::shared_ptr<Stream>& first, std::shared_ptr<Stream> next);

    // The output frame being heard now, for positions: it never steps back,
    // however the device's reports of its latency vary.
    int64_t heardOutputFrame() const;

    // After a seek of `stream`: a follow-on it started that is not heard yet
    // goes back to waiting for its end (rewound), and the sound the device
    // still holds is dropped, so the new position is heard at once (also
    // when the stream is paused: the held sound is of the old place), unless
    // another stream is playing (its sound would be cut).
    void dropQueuedSound(const std::shared_ptr<Stream>& stream);
    // After `stream` was stopped or removed: when it still had sound in the
    // device that is not heard yet (the user cut it) and no stream is playing
    // any more, what the device holds is dropped, so that the stop is heard
    // at once and whatever plays next is not queued behind it. A stream that
    // was heard to its end cuts nothing: its followers' sound plays out.
    void dropSoundOfStopped(const std::shared_ptr<Stream>& stream);
    // After a stream paused: when nothing else is playing, the device holds
    // what it has at once, rather than after the write the mixer waits in.
    void holdSoundOfPaused();
    // After the stream volume changed: a device with a volume of its own
    // takes it at once; otherwise the mixer's next block glides to it.
    void streamVolumeChanged();

private:
    void run();
    bool hasWork() const;
    bool allReady() const;
    bool anyWantsMix() const;
    float targetGain() const;
    bool holdChanges() const;
    void setHold(bool on);
    std::chrono::nanoseconds framesToDuration(int64_t frames) const;
    // The output frame the device plays now, as its last look and the clock
    // since then tell; it may step back when the device's report changes.
    int64_t deviceHeardFrame() const;
    // The follow-on `first` started, not heard yet, back to waiting for it.
    void reclaimFollowOn(const std::shared_ptr<Stream>& first);
    // Both wait on the signal, woken early by new work or stop.
    void waitUntilHeard(std::unique_lock<std::mutex>& lock);
    void waitForDecoders(std::unique_lock<std::mutex>& lock);
    // Waits until `done` holds, or the time has come; a manual clock is
    // told whenever the mixer waits.
    void waitOnSignal(std::unique_lock<std::mutex>& lock,
                      std::optional<std::chrono::steady_clock::time_point> until,
                      const std::function<bool()>& done);
    void discardDeviceBuffer();
    void mixOnce();
    // Mixes a stream and the follow-ons that start in this block; returns
    // the frames of the block they filled.
    std::size_t mixChain(std::shared_ptr<Stream> stream, int64_t outputFrame, float gain);
    void mixIn(Stream& stream, std::size_t offset, std::size_t frames, float gain);
    // The follow-on of a stream that has just ended, started; or nullptr.
    std::shared_ptr<Stream> startFollowOn(const Stream& ended);
    void publishHeard();
    void fireHeardEvents();

    std::unique_ptr<output::OutputDevice> device_;
    SyncDispatcher& syncs_;
    const std::atomic<DWORD>& streamVolume_;
    const std::shared_ptr<MixerSignal> signal_ = std::make_shared<MixerSignal>();
    const int rate_;
    const bool paced_;
    const std::size_t chunk_;
    bool deviceVolume_ = false; // the device applies the stream volume

    struct FollowOn {
        std::shared_ptr<Stream> first;
        std::shared_ptr<Stream> next;
    };

    // Guarded by signal_->mutex.
    std::vector<std::shared_ptr<Stream>> streams_;
    std::vector<FollowOn> followOns_;
    std::vector<DueEvent> waiting_; // pulled, not heard yet
    bool stopping_ = false;
    bool discardPending_ = false;

    // Mixer thread only.
    std::vector<std::shared_ptr<Stream>> active_;
    std::vector<const Stream*> startedInBlock_; // follow-ons already mixed this block
    std::vector<DueEvent> due_;
    std::vector<float> mix_;
    std::vector<float> work_;

    std::atomic<bool> holding_{false}; // written by the mixer thread
    std::atomic<int64_t> written_{0};  // written by the mixer thread

    // What the device had played at the mixer's last look, published as one
    // record: a reader never pairs one look's frames with another's time.
    struct HeardLook {
        int64_t written = 0;
        int64_t heard = 0;
        std::chrono::steady_clock::time_point at{};
        bool holding = false;
    };
    mutable std::mutex heardMutex_;
    HeardLook heardLook_;          // guarded by heardMutex_
    mutable int64_t reported_ = 0; // guarded by heardMutex_
    int clockListener_ = 0;        // on a device with a manual clock
    std::thread thread_;
};

} // namespace audio::core
