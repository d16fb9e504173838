#include "core/mixer.h"

#include <algorithm>
#include <utility>

namespace audio::core {

namespace {

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

Mixer::Mixer(std::unique_ptr<output::OutputDevice> device, SyncDispatcher& syncs,
             const std::atomic<DWORD>& streamVolume)
    : device_(std::move(device)), syncs_(syncs), streamVolume_(streamVolume),
      rate_(device_->sampleRate()), paced_(device_->paced()), chunk_(device_->chunkFrames()) {
    mix_.resize(chunk_ * 2);
    work_.resize(chunk_ * 2);
    gain_ = static_cast<float>(streamVolume_.load()) / 10000.0f;
}

Mixer::~Mixer() {
    stop();
}

void Mixer::start() {
    thread_ = std::thread([this] { run(); });
}

void Mixer::stop() {
    {
        std::lock_guard<std::mutex> lock(signal_->mutex);
        stopping_ = true;
        streams_.clear();
        waiting_.clear();
    }
    signal_->wake.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void Mixer::add(std::shared_ptr<Stream> stream) {
    {
        std::lock_guard<std::mutex> lock(signal_->mutex);
        streams_.push_back(std::move(stream));
    }
    signal_->wake.notify_all();
}

void Mixer::remove(const std::shared_ptr<Stream>& stream) {
    {
        std::lock_guard<std::mutex> lock(signal_->mutex);
        std::erase(streams_, stream);
        std::erase_if(waiting_, [&](const DueEvent& event) { return event.stream == stream; });
    }
    signal_->wake.notify_all();
    dropSoundOfStopped();
}

void Mixer::dropSoundOfStopped() {
    if (!paced_)
        return;
    {
        std::lock_guard<std::mutex> lock(signal_->mutex);
        if (anyWantsMix())
            return;
        discardPending_ = true;
    }
    signal_->wake.notify_all();
    device_->interruptWait();
}

void Mixer::dropQueuedSound(const std::shared_ptr<Stream>& stream) {
    if (!paced_)
        return;
    {
        std::lock_guard<std::mutex> lock(signal_->mutex);
        const bool othersPlaying = std::any_of(streams_.begin(), streams_.end(),
                                               [&](const std::shared_ptr<Stream>& other) {
                                                   return other != stream && other->wantsMix();
                                               });
        if (othersPlaying || !stream->wantsMix())
            return;
        discardPending_ = true;
    }
    signal_->wake.notify_all();
    device_->interruptWait();
}

int64_t Mixer::heardOutputFrame() const {
    const int64_t written = written_.load();
    if (!paced_)
        return written;
    // Between writes the device keeps playing: follow the clock.
    const int64_t elapsedNs = nowNs() - writeTimeNs_.load();
    const int64_t advanced = elapsedNs / 1000 * rate_ / 1000000;
    return std::min(written, heardAtWrite_.load() + std::max<int64_t>(0, advanced));
}

bool Mixer::hasWork() const {
    return !waiting_.empty() || anyWantsMix();
}

bool Mixer::allReady() const {
    return std::all_of(streams_.begin(), streams_.end(),
                       [&](const std::shared_ptr<Stream>& s) { return s->readyToMix(chunk_); });
}

void Mixer::run() {
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(signal_->mutex);
            // A device that does not keep time waits for the decoders instead
            // of inventing silence.
            signal_->wake.wait(lock, [&] {
                return stopping_ || discardPending_ || (hasWork() && (paced_ || allReady()));
            });
            if (stopping_)
                return;
            if (std::exchange(discardPending_, false)) {
                lock.unlock();
                discardDeviceBuffer();
                continue;
            }
            if (paced_ && !anyWantsMix()) {
                // Only events wait to be heard: let the device play out what it
                // holds rather than queue silence ahead of whatever plays next.
                waitUntilHeard(lock);
                lock.unlock();
                fireHeardEvents();
                continue;
            }
            if (paced_ && !allReady())
                waitForDecoders(lock);
            if (stopping_)
                return;
            active_.assign(streams_.begin(), streams_.end());
        }
        mixOnce();
        active_.clear();
        fireHeardEvents();
    }
}

bool Mixer::anyWantsMix() const {
    return std::any_of(streams_.begin(), streams_.end(),
                       [](const std::shared_ptr<Stream>& stream) { return stream->wantsMix(); });
}

std::chrono::nanoseconds Mixer::framesToDuration(int64_t frames) const {
    return std::chrono::nanoseconds(std::max<int64_t>(0, frames) * 1000000000 / rate_);
}

void Mixer::waitUntilHeard(std::unique_lock<std::mutex>& lock) {
    int64_t earliest = written_.load();
    for (const DueEvent& event : waiting_)
        earliest = std::min(earliest, event.outputFrame);
    // A millisecond more, so that the clock has surely passed the frame.
    const auto wait =
        framesToDuration(earliest - heardOutputFrame()) + std::chrono::milliseconds(1);
    signal_->wake.wait_for(lock, wait,
                           [&] { return stopping_ || discardPending_ || anyWantsMix(); });
}

void Mixer::waitForDecoders(std::unique_lock<std::mutex>& lock) {
    // A stream that is refilling (after a seek, or a station catching up)
    // gets the time the device can play on before silence must be written:
    // what it holds beyond one block. Silence written sooner would queue
    // ahead of the stream's sound and delay it by up to the whole buffer.
    // When nothing is sounding nothing is late either: a short wait for the
    // first decoded block beats handing the device a block of silence first.
    const auto chunk = static_cast<int64_t>(chunk_);
    const int64_t held = written_.load() - heardOutputFrame();
    const int64_t frames = held <= 0 ? chunk : held - chunk;
    if (frames <= 0)
        return;
    signal_->wake.wait_for(lock, framesToDuration(frames), [&] { return stopping_ || allReady(); });
}

void Mixer::discardDeviceBuffer() {
    device_->discard();
    // What was dropped counts as heard: the output clock goes on from the
    // last frame written, and events waiting in the dropped sound are due.
    publishHeard();
    fireHeardEvents();
}

void Mixer::mixOnce() {
    const float target =
        static_cast<float>(std::min<DWORD>(streamVolume_.load(), 10000)) / 10000.0f;
    // The volume moves across one block, so a change never clicks.
    const float from = gain_;
    std::fill(mix_.begin(), mix_.end(), 0.0f);
    std::size_t longest = 0;
    const int64_t outputFrame = written_.load();
    for (const std::shared_ptr<Stream>& stream : active_) {
        const std::size_t got = stream->pull(work_.data(), chunk_, outputFrame, paced_, due_);
        if (got == 0)
            continue;
        stream->effects().process(work_.data(), got);
        const float step = (target - from) / static_cast<float>(chunk_);
        for (std::size_t i = 0; i < got; ++i) {
            const float gain = from + step * static_cast<float>(i);
            mix_[2 * i] += work_[2 * i] * gain;
            mix_[2 * i + 1] += work_[2 * i + 1] * gain;
        }
        longest = std::max(longest, got);
    }
    gain_ = target;
    // A paced device keeps time with silence while a stream still plays (a
    // station that ran dry); a block where every stream ended is cut at its
    // last sound, so the next track is not held back behind silence.
    const bool stillPlaying = std::any_of(active_.begin(), active_.end(),
                                          [](const auto& stream) { return stream->wantsMix(); });
    const std::size_t frames = paced_ && stillPlaying ? chunk_ : longest;
    if (frames > 0) {
        device_->write(mix_.data(), frames);
        written_ += static_cast<int64_t>(frames);
    }
    publishHeard();
}

void Mixer::publishHeard() {
    const int64_t written = written_.load();
    const int64_t latency = paced_ ? std::max<int64_t>(0, device_->latencyFrames()) : 0;
    heardAtWrite_.store(std::max<int64_t>(0, written - latency));
    writeTimeNs_.store(nowNs());
}

void Mixer::fireHeardEvents() {
    const int64_t heard = heardOutputFrame();
    std::vector<DueEvent> ready;
    {
        std::lock_guard<std::mutex> lock(signal_->mutex);
        for (DueEvent& event : due_)
            waiting_.push_back(std::move(event));
        due_.clear();
        if (waiting_.empty())
            return;
        const auto heardEnd =
            std::stable_partition(waiting_.begin(), waiting_.end(), [&](const DueEvent& event) {
                return event.outputFrame <= heard;
            });
        std::move(waiting_.begin(), heardEnd, std::back_inserter(ready));
        waiting_.erase(waiting_.begin(), heardEnd);
    }
    for (const DueEvent& event : ready) {
        if (event.stream->commit(event))
            syncs_.post(event.stream->handle(), event.syncType, 0);
    }
}

} // namespace audio::core
