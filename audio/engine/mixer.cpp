#include "audio/engine/mixer.h"

#include "audio/output/manual_clock.h"

#include <algorithm>
#include <utility>

namespace audio::core {

namespace {

// True when a stream other than `except` is playing.
bool anyPlaying(const std::vector<std::shared_ptr<Stream>>& streams,
                const Stream* except = nullptr) {
    return std::any_of(streams.begin(), streams.end(), [&](const std::shared_ptr<Stream>& stream) {
        return stream.get() != except && stream->wantsMix();
    });
}

bool anyPaused(const std::vector<std::shared_ptr<Stream>>& streams) {
    return std::any_of(streams.begin(), streams.end(), [](const std::shared_ptr<Stream>& stream) {
        return stream->activeState() == BASS_ACTIVE_PAUSED;
    });
}

} // namespace

Mixer::Mixer(std::unique_ptr<output::OutputDevice> device, SyncDispatcher& syncs,
             const std::atomic<DWORD>& streamVolume)
    : device_(std::move(device)), syncs_(syncs), streamVolume_(streamVolume),
      rate_(device_->sampleRate()), paced_(device_->paced()), chunk_(device_->chunkFrames()) {
    mix_.resize(chunk_ * 2);
    work_.resize(chunk_ * 2);
    deviceVolume_ = device_->setVolume(targetGain());
    // A clock that jumps wakes the mixer, which may wait for a sound to be
    // heard.
    if (const auto clock = device_->manualClock())
        clockListener_ = clock->listen([signal = signal_] { signal->notify(); });
}

Mixer::~Mixer() {
    stop();
    if (const auto clock = device_->manualClock())
        clock->forget(clockListener_);
}

void Mixer::start() {
    thread_ = std::thread([this] { run(); });
}

void Mixer::stop() {
    {
        std::lock_guard<std::mutex> lock(signal_->mutex);
        stopping_ = true;
        streams_.clear();
        followOns_.clear();
        waiting_.clear();
    }
    signal_->wake.notify_all();
    // The thread may be waiting for room in a device that no longer drains.
    device_->interruptWait();
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
        std::erase_if(followOns_, [&](const FollowOn& link) {
            return link.first == stream || link.next == stream;
        });
        std::erase_if(waiting_, [&](const DueEvent& event) { return event.stream == stream; });
        // The end of a stream that handed over to this one is a plain end now.
        for (DueEvent& event : waiting_) {
            if (event.followOn == stream) {
                event.followOn.reset();
                event.data = 0;
            }
        }
    }
    signal_->wake.notify_all();
    dropSoundOfStopped(stream);
}

void Mixer::dropSoundOfStopped(const std::shared_ptr<Stream>& stream) {
    if (!paced_)
        return;
    {
        std::lock_guard<std::mutex> lock(signal_->mutex);
        if (anyWantsMix() || stream->soundEnd() <= deviceHeardFrame())
            return;
        discardPending_ = true;
    }
    signal_->wake.notify_all();
    device_->interruptWait();
}

void Mixer::streamVolumeChanged() {
    if (deviceVolume_)
        device_->setVolume(targetGain());
}

void Mixer::holdSoundOfPaused() {
    if (!paced_)
        return;
    signal_->notify();
    device_->interruptWait();
}

void Mixer::dropQueuedSound(const std::shared_ptr<Stream>& stream) {
    reclaimFollowOn(stream);
    if (!paced_)
        return;
    {
        std::lock_guard<std::mutex> lock(signal_->mutex);
        if (anyPlaying(streams_, stream.get()))
            return;
        discardPending_ = true;
    }
    signal_->wake.notify_all();
    device_->interruptWait();
}

int64_t Mixer::deviceHeardFrame() const {
    const auto now = device_->now();
    std::lock_guard<std::mutex> lock(heardMutex_);
    const HeardLook& look = heardLook_;
    if (!paced_)
        return look.written;
    if (look.holding)
        return look.heard;
    // Between looks the device keeps playing: follow its clock.
    const int64_t elapsedUs =
        std::chrono::duration_cast<std::chrono::microseconds>(now - look.at).count();
    const int64_t advanced = elapsedUs * rate_ / 1000000;
    return std::min(look.written, look.heard + std::max<int64_t>(0, advanced));
}

int64_t Mixer::heardOutputFrame() const {
    const int64_t heard = deviceHeardFrame();
    std::lock_guard<std::mutex> lock(heardMutex_);
    reported_ = std::max(reported_, heard);
    return reported_;
}

int Mixer::setFollowOn(const std::shared_ptr<Stream>& first, std::shared_ptr<Stream> next) {
    std::lock_guard<std::mutex> lock(signal_->mutex);
    // Under the mixer's lock: the mixer takes the follow-on under it too, so
    // `first` cannot end between the check and the queueing.
    const auto queued = std::find_if(followOns_.begin(), followOns_.end(),
                                     [&](const FollowOn& link) { return link.first == first; });
    if (!next) {
        if (queued == followOns_.end())
            return BASS_ERROR_ALREADY;
        followOns_.erase(queued);
        return BASS_OK;
    }
    if (first->endedInMix())
        return BASS_ERROR_ENDED;
    if (next->activeState() != BASS_ACTIVE_STOPPED || next->endedInMix())
        return BASS_ERROR_ALREADY;
    std::erase_if(followOns_,
                  [&](const FollowOn& link) { return link.first == first || link.next == next; });
    followOns_.push_back({first, std::move(next)});
    return BASS_OK;
}

std::shared_ptr<Stream> Mixer::startFollowOn(const Stream& ended) {
    std::shared_ptr<Stream> next;
    {
        std::lock_guard<std::mutex> lock(signal_->mutex);
        const auto queued =
            std::find_if(followOns_.begin(), followOns_.end(),
                         [&](const FollowOn& link) { return link.first.get() == &ended; });
        if (queued == followOns_.end())
            return nullptr;
        next = std::move(queued->next);
        followOns_.erase(queued);
    }
    if (!next->startFollowing())
        return nullptr;
    // The END of the stream that ended names the stream that took over.
    for (auto event = due_.rbegin(); event != due_.rend(); ++event) {
        if (event->stream.get() == &ended && event->syncType == BASS_SYNC_END) {
            event->data = next->handle();
            event->followOn = next;
            break;
        }
    }
    return next;
}

void Mixer::reclaimFollowOn(const std::shared_ptr<Stream>& first) {
    std::shared_ptr<Stream> next;
    {
        std::lock_guard<std::mutex> lock(signal_->mutex);
        const auto handOver =
            std::find_if(waiting_.begin(), waiting_.end(), [&](const DueEvent& event) {
                return event.stream == first && event.followOn;
            });
        if (handOver == waiting_.end())
            return;
        next = std::move(handOver->followOn);
        waiting_.erase(handOver);
    }
    // Its sound was not heard: it starts again where `first` ends anew.
    next->stop();
    if (next->seek(0) != BASS_OK)
        return;
    std::lock_guard<std::mutex> lock(signal_->mutex);
    std::erase_if(followOns_,
                  [&](const FollowOn& link) { return link.first == first || link.next == next; });
    followOns_.push_back({first, std::move(next)});
}

bool Mixer::hasWork() const {
    // Events wait for nothing while the device holds its sound.
    return anyWantsMix() || (!waiting_.empty() && !holding_);
}

bool Mixer::holdChanges() const {
    // A paused stream with nothing else playing holds the device, so the
    // pause is heard at once and the resume goes on from the same sample.
    return paced_ && (!anyWantsMix() && anyPaused(streams_)) != holding_;
}

void Mixer::setHold(bool on) {
    device_->hold(on);
    holding_ = on;
    // What has been heard up to the hold; the output clock goes on from the
    // resume.
    publishHeard();
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
            waitOnSignal(lock, std::nullopt, [&] {
                return stopping_ || discardPending_ || holdChanges() ||
                       (hasWork() && (paced_ || allReady()));
            });
            if (stopping_)
                return;
            if (std::exchange(discardPending_, false)) {
                lock.unlock();
                discardDeviceBuffer();
                continue;
            }
            if (holdChanges()) {
                const bool hold = !holding_;
                lock.unlock();
                setHold(hold);
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
    return anyPlaying(streams_);
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
        framesToDuration(earliest - deviceHeardFrame()) + std::chrono::milliseconds(1);
    waitOnSignal(lock, std::chrono::steady_clock::now() + wait, [&] {
        return stopping_ || discardPending_ || anyWantsMix() || deviceHeardFrame() >= earliest;
    });
}

void Mixer::waitOnSignal(std::unique_lock<std::mutex>& lock,
                         std::optional<std::chrono::steady_clock::time_point> until,
                         const std::function<bool()>& done) {
    // Whoever moves a manual clock learns each time that the mixer has done
    // all it can until the clock moves (or something else happens).
    const auto clock = device_->manualClock();
    while (!done()) {
        if (clock)
            clock->setWriterWaiting(true);
        if (!until)
            signal_->wake.wait(lock);
        else if (signal_->wake.wait_until(lock, *until) == std::cv_status::timeout)
            break;
    }
    if (clock)
        clock->setWriterWaiting(false);
}

void Mixer::waitForDecoders(std::unique_lock<std::mutex>& lock) {
    // A stream that is refilling (after a seek, or a station catching up)
    // gets the time the device can play on before silence must be written:
    // what it holds beyond a safety margin (a block, at most 20 ms). Silence
    // written sooner would queue ahead of the stream's sound and delay it by
    // up to the whole buffer; on a device that takes a long buffer at once,
    // the stream's second block would be cut short by silence.
    // When nothing is sounding nothing is late either: a short wait for the
    // first decoded block beats handing the device a block of silence first.
    const auto chunk = static_cast<int64_t>(chunk_);
    const int64_t margin = std::min<int64_t>(chunk, rate_ / 50);
    const int64_t held = written_.load() - deviceHeardFrame();
    const int64_t frames = held <= 0 ? chunk : held - margin;
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

float Mixer::targetGain() const {
    return static_cast<float>(std::min<DWORD>(streamVolume_.load(), 10000)) / 10000.0f;
}

void Mixer::mixOnce() {
    const float gain = deviceVolume_ ? 1.0f : targetGain();
    std::fill(mix_.begin(), mix_.end(), 0.0f);
    std::size_t longest = 0;
    const int64_t outputFrame = written_.load();
    startedInBlock_.clear();
    for (const std::shared_ptr<Stream>& stream : active_) {
        if (std::find(startedInBlock_.begin(), startedInBlock_.end(), stream.get()) ==
            startedInBlock_.end())
            longest = std::max(longest, mixChain(stream, outputFrame, gain));
    }
    // A paced device keeps time with silence while a stream still plays (a
    // station that ran dry); a block where every stream ended is cut at its
    // last sound, so the next track is not held back behind silence.
    const bool stillPlaying = anyPlaying(active_);
    const std::size_t frames = paced_ && stillPlaying ? chunk_ : longest;
    if (frames > 0) {
        device_->write(mix_.data(), frames);
        written_ += static_cast<int64_t>(frames);
    }
    publishHeard();
}

std::size_t Mixer::mixChain(std::shared_ptr<Stream> stream, int64_t outputFrame, float gain) {
    std::size_t offset = 0;
    for (;;) {
        const Pulled pulled =
            stream->pull(work_.data(), chunk_ - offset, outputFrame + static_cast<int64_t>(offset),
                         paced_, due_);
        mixIn(*stream, offset, pulled.frames, gain);
        offset += pulled.frames;
        if (!pulled.ended)
            return offset;
        stream = startFollowOn(*stream);
        if (!stream)
            return offset;
        startedInBlock_.push_back(stream.get());
        if (offset == chunk_)
            return offset; // the follow-on starts with the next block
    }
}

void Mixer::mixIn(Stream& stream, std::size_t offset, std::size_t frames, float gain) {
    if (frames == 0) {
        stream.setMixGain(Stream::kFreshGain);
        return;
    }
    stream.effects().process(work_.data(), frames);
    // A stream's first sound after silence starts at the current volume; a
    // change while it sounds moves across one block, so it never clicks.
    const float from = stream.mixGain() == Stream::kFreshGain ? gain : stream.mixGain();
    const float step = (gain - from) / static_cast<float>(chunk_);
    float* out = mix_.data() + 2 * offset;
    for (std::size_t i = 0; i < frames; ++i) {
        const float g = from + step * static_cast<float>(i);
        out[2 * i] += work_[2 * i] * g;
        out[2 * i + 1] += work_[2 * i + 1] * g;
    }
    stream.setMixGain(gain);
}

void Mixer::publishHeard() {
    const int64_t written = written_.load();
    const int64_t latency = paced_ ? std::max<int64_t>(0, device_->latencyFrames()) : 0;
    const HeardLook look{written, std::max<int64_t>(0, written - latency), device_->now(),
                         holding_.load()};
    std::lock_guard<std::mutex> lock(heardMutex_);
    heardLook_ = look;
}

void Mixer::fireHeardEvents() {
    // Syncs set with BASS_SYNC_MIXTIME are called as the mixer reaches them,
    // except the END that hands over to a follow-on: the follow-on's start
    // is told when its first sample is heard, so that whoever shows what is
    // playing follows the sound.
    for (const DueEvent& event : due_) {
        const DWORD mixTimeType = event.syncType | BASS_SYNC_MIXTIME;
        if (!event.followOn && event.stream->hasSyncFor(mixTimeType))
            syncs_.post(event.stream->handle(), mixTimeType, event.data);
    }
    const int64_t heard = deviceHeardFrame();
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
        if (!event.stream->commit(event))
            continue;
        const DWORD handOver = BASS_SYNC_END | BASS_SYNC_MIXTIME;
        if (event.followOn && event.stream->hasSyncFor(handOver))
            syncs_.post(event.stream->handle(), handOver, event.data);
        syncs_.post(event.stream->handle(), event.syncType, event.data);
    }
}

} // namespace audio::core
