#include "audio/engine/stream.h"

#include <algorithm>

namespace audio::core {

namespace {

// Each decoded block pushed wakes the mixer: larger blocks wake it less often
// (a render runs through thousands of them a minute).
constexpr std::size_t kMaxDecodeFrames = 8192;
constexpr std::size_t kMaxQueuedEvents = 64;
constexpr std::size_t kMaxRetiredTags = 32;

TagText makeTag(std::string text) {
    if (text.empty())
        return nullptr;
    return std::make_shared<const std::string>(std::move(text));
}

} // namespace

std::string tagList(const std::vector<std::string>& texts) {
    std::string list;
    for (const std::string& text : texts) {
        list += text;
        list.push_back('\0');
    }
    return list; // data() adds the final empty text's terminator
}

Stream::Stream(HSTREAM handle, std::unique_ptr<ModuleDecoder> decoder, std::string localPath,
               int deviceRate, std::shared_ptr<MixerSignal> mixer)
    : handle_(handle), localPath_(std::move(localPath)), deviceRate_(deviceRate),
      mixer_(std::move(mixer)), ring_(static_cast<std::size_t>(deviceRate), 2),
      decoder_(std::move(decoder)) {
    const DecodedFormat format = decoder_->format();
    sourceRate_ = format.sampleRate;
    sourceChannels_ = format.channels;
    lengthFrames_ = decoder_->lengthFrames();
    network_ = decoder_->isNetwork();
    converter_ = std::make_unique<ModuleConverter>(decoder_->table(), sourceRate_, sourceChannels_,
                                                   deviceRate_);

    // One decoded block must fit in a quarter of the ring, whatever the rates.
    refillFrames_ = ring_.capacity() / 4;
    const double ratio = static_cast<double>(deviceRate_) / std::max(1, sourceRate_);
    const double fitting = static_cast<double>(refillFrames_ - 64) / ratio;
    decodeFrames_ = std::clamp<std::size_t>(static_cast<std::size_t>(fitting), 1, kMaxDecodeFrames);
    needFrames_ = std::min(refillFrames_, converter_->maxOutputFrames(decodeFrames_) + 32);
    // A decoder that waits for room sleeps until half the ring is free: two
    // wake-ups a second while playing, each decoding half a second.
    wakeFrames_ = ring_.capacity() / 2;

    oggTag_ = makeTag(tagList(decoder_->comments()));
    httpTag_ = makeTag(tagList(decoder_->httpHeaders()));
    icyTag_ = makeTag(tagList(decoder_->icyHeaders()));
    metaTag_ = makeTag(decoder_->metadata());
    decoder_->setEventHandler([this](DecoderEvent event) { onDecoderEvent(event); });
}

Stream::~Stream() {
    shutdown();
    decoder_.reset();
}

void Stream::start() {
    if (converter_->valid())
        thread_ = std::thread([this] { decodeLoop(); });
}

void Stream::shutdown() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    decoder_->cancel();
    decoderWake_.notify_all();
    seekDone_.notify_all();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

// ---- decoder thread -------------------------------------------------------

void Stream::decodeLoop() {
    std::vector<float> decoded(decodeFrames_ * std::max(1, sourceChannels_));
    std::vector<float> converted;
    std::unique_lock<std::mutex> lock(mutex_);
    while (waitForWork(lock)) {
        if (seekPending_) {
            performSeek(lock);
            continue;
        }
        const uint64_t request = seekRequested_;
        lock.unlock();
        const int frames = decoder_->decode(decoded.data(), static_cast<int>(decodeFrames_));
        if (frames > 0)
            converter_->convert(decoded.data(), static_cast<std::size_t>(frames), converted);
        else
            converter_->flush(converted);
        lock.lock();
        if (stopping_)
            break;
        // A seek came while decoding. A file's ring was emptied for it: the
        // block is stale. A network stream keeps its ring until its seek is
        // done, in case that fails: the block goes on from it, if it fits.
        const bool seekCame = seekPending_ || request != seekRequested_;
        if (seekCame && (!network_ || ring_.space() < converted.size() / 2))
            continue;
        decodedSince_ += std::max(0, frames);
        pushConverted(lock, converted);
        if (frames <= 0)
            decoderEnded_ = true;
        lock.unlock();
        mixer_->notify();
        lock.lock();
    }
}

bool Stream::waitForWork(std::unique_lock<std::mutex>& lock) {
    const bool canContinue = !decoderEnded_ && ring_.space() >= needFrames_;
    if (!stopping_ && !seekPending_ && !canContinue) {
        decoderWaiting_ = true;
        decoderWake_.wait(lock, [&] {
            return stopping_ || seekPending_ || (!decoderEnded_ && ring_.space() >= wakeFrames_);
        });
        decoderWaiting_ = false;
    }
    return !stopping_;
}

void Stream::performSeek(std::unique_lock<std::mutex>& lock) {
    const uint64_t request = seekRequested_;
    const int64_t target = seekTarget_;
    lock.unlock();
    const bool ok = decoder_->seek(target);
    if (ok)
        converter_->reset();
    lock.lock();
    if (stopping_ || request != seekRequested_)
        return; // a newer request replaces this one
    if (ok || !network_)
        restartAt(ok ? target : basePosition_ + decodedSince_);
    // A network stream whose seek failed plays on from what it holds.
    seekOk_ = ok;
    seekPending_ = false;
    seekCompleted_ = request;
    seekDone_.notify_all();
    lock.unlock();
    mixer_->notify();
    lock.lock();
}

void Stream::restartAt(int64_t position) {
    ring_.clear();
    events_.clear();
    basePosition_ = position;
    decodedSince_ = 0;
    produced_ = 0;
    played_ = 0;
    decoderEnded_ = false;
    drained_ = false;
    stalled_ = false;
}

void Stream::pushConverted(std::unique_lock<std::mutex>& lock, const std::vector<float>& frames) {
    const std::size_t total = frames.size() / 2;
    const uint64_t request = seekRequested_;
    std::size_t done = 0;
    for (;;) {
        const std::size_t pushed = ring_.push(frames.data() + done * 2, total - done);
        done += pushed;
        produced_ += static_cast<int64_t>(pushed);
        if (done == total)
            return;
        decoderWaiting_ = true;
        decoderWake_.wait(lock, [&] {
            return stopping_ || seekRequested_ != request || ring_.space() >= refillFrames_;
        });
        decoderWaiting_ = false;
        if (stopping_ || seekRequested_ != request)
            return;
    }
}

void Stream::onDecoderEvent(DecoderEvent event) {
    StreamEvent queued;
    if (event == DecoderEvent::MetadataChanged) {
        queued.syncType = BASS_SYNC_META;
        queued.tag = makeTag(decoder_->metadata());
    } else {
        queued.syncType = BASS_SYNC_OGG_CHANGE;
        queued.tag = makeTag(tagList(decoder_->comments()));
    }
    std::lock_guard<std::mutex> lock(mutex_);
    queued.frame = produced_;
    if (events_.size() >= kMaxQueuedEvents)
        events_.pop_back();
    events_.push_back(std::move(queued));
}

// ---- API side -------------------------------------------------------------

bool Stream::canSeek() const {
    return !(network_ && lengthFrames_ < 0);
}

int Stream::play(bool restart) {
    bool rewind = restart;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (state_ == State::Playing && !restart && !drained_)
            return BASS_OK;
        const bool finished = drained_ || state_ == State::Ended;
        if (finished && !canSeek())
            return BASS_ERROR_ENDED;
        rewind = rewind || finished;
    }
    if (rewind && canSeek()) {
        const int error = seek(0);
        if (error != BASS_OK)
            return error;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!thread_.joinable())
            return BASS_ERROR_START;
        state_ = State::Playing;
        stalled_ = false;
    }
    mixer_->notify();
    return BASS_OK;
}

int Stream::pause() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (state_ == State::Paused)
            return BASS_ERROR_ALREADY;
        if (state_ != State::Playing)
            return BASS_ERROR_NOPLAY;
        state_ = State::Paused;
    }
    mixer_->notify();
    return BASS_OK;
}

int Stream::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (state_ != State::Ended)
            state_ = State::Stopped;
        ++epoch_;
    }
    mixer_->notify();
    return BASS_OK;
}

int Stream::seek(int64_t frame) {
    if (!canSeek())
        return BASS_ERROR_NOTAVAIL;
    if (frame < 0 || (lengthFrames_ >= 0 && frame > lengthFrames_))
        return BASS_ERROR_POSITION;
    std::unique_lock<std::mutex> lock(mutex_);
    if (stopping_ || !thread_.joinable())
        return BASS_ERROR_NOTAVAIL;
    const uint64_t request = ++seekRequested_;
    seekTarget_ = frame;
    seekPending_ = true;
    ++epoch_;
    if (state_ == State::Ended)
        state_ = State::Stopped;
    decoderWake_.notify_all();
    // A network seek waits for the server: the decoder thread carries it
    // out while the caller goes on, and a failed one leaves the stream
    // playing on from what it holds.
    if (network_)
        return BASS_OK;
    ring_.clear();
    events_.clear();
    seekDone_.wait(lock, [&] { return stopping_ || seekCompleted_ >= request; });
    if (stopping_)
        return BASS_ERROR_NOTAVAIL;
    const bool ok = seekCompleted_ == request ? seekOk_ : true;
    return ok ? BASS_OK : BASS_ERROR_POSITION;
}

DWORD Stream::activeState() {
    std::lock_guard<std::mutex> lock(mutex_);
    switch (state_) {
    case State::Playing:
        return stalled_ ? BASS_ACTIVE_STALLED : BASS_ACTIVE_PLAYING;
    case State::Paused:
        return BASS_ACTIVE_PAUSED;
    default:
        return BASS_ACTIVE_STOPPED;
    }
}

int64_t Stream::heardFrame(int64_t heardOutputFrame) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (seekPending_)
        return seekTarget_;
    const int64_t inFlight = std::max<int64_t>(0, lastOutputEnd_ - heardOutputFrame);
    const int64_t heard = std::max<int64_t>(0, played_ - inFlight);
    return basePosition_ +
           static_cast<int64_t>(static_cast<double>(heard) * sourceRate_ / deviceRate_);
}

int64_t Stream::soundEnd() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastOutputEnd_;
}

// ---- mixer side -----------------------------------------------------------

bool Stream::wantsMix() {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_ == State::Playing && !drained_;
}

bool Stream::readyToMix(std::size_t count) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ != State::Playing || drained_)
        return true;
    return !seekPending_ && (ring_.size() >= count || decoderEnded_);
}

Pulled Stream::pull(float* out, std::size_t count, int64_t outputFrame, bool paced,
                    std::vector<DueEvent>& due) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ != State::Playing || drained_ || seekPending_)
        return {};
    if (paced && network_ && !decoderEnded_) {
        // A station that ran dry waits for a good part of the buffer again.
        if (stalled_ && ring_.size() < refillFrames_ * 2)
            return {};
        stalled_ = ring_.size() == 0;
        if (stalled_)
            return {};
    }
    const std::size_t got = ring_.pop(out, count);
    const int64_t first = played_;
    played_ += static_cast<int64_t>(got);
    if (got > 0)
        lastOutputEnd_ = outputFrame + static_cast<int64_t>(got);
    const bool ending = decoderEnded_ && ring_.size() == 0;
    while (!events_.empty() && (ending || events_.front().frame <= played_)) {
        StreamEvent& event = events_.front();
        const int64_t offset = std::clamp<int64_t>(event.frame - first, 0, got);
        due.push_back({shared_from_this(), epoch_, event.syncType, outputFrame + offset,
                       std::move(event.tag), 0, nullptr});
        events_.pop_front();
    }
    if (ending) {
        drained_ = true;
        due.push_back({shared_from_this(), epoch_, BASS_SYNC_END,
                       outputFrame + static_cast<int64_t>(got), nullptr, 0, nullptr});
    }
    if (decoderWaiting_ && ring_.space() >= wakeFrames_)
        decoderWake_.notify_one();
    return {got, ending};
}

bool Stream::endedInMix() {
    std::lock_guard<std::mutex> lock(mutex_);
    return drained_ || state_ == State::Ended;
}

bool Stream::startFollowing() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ != State::Stopped || drained_ || stopping_ || !thread_.joinable())
        return false;
    state_ = State::Playing;
    stalled_ = false;
    return true;
}

bool Stream::commit(const DueEvent& event) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (event.epoch != epoch_)
        return false;
    switch (event.syncType) {
    case BASS_SYNC_END:
        if (state_ == State::Playing)
            state_ = State::Ended;
        break;
    case BASS_SYNC_META:
        keepTag(metaTag_, event.tag);
        break;
    case BASS_SYNC_OGG_CHANGE:
        keepTag(oggTag_, event.tag);
        break;
    default:
        break;
    }
    return true;
}

// ---- tags and syncs -------------------------------------------------------

void Stream::keepTag(TagText& slot, TagText value) {
    // Callers may still read the old text: it stays alive for a while.
    if (slot) {
        retiredTags_.push_back(std::move(slot));
        if (retiredTags_.size() > kMaxRetiredTags)
            retiredTags_.pop_front();
    }
    slot = std::move(value);
}

const char* Stream::tags(DWORD type) {
    std::lock_guard<std::mutex> lock(mutex_);
    const TagText* slot = nullptr;
    switch (type) {
    case BASS_TAG_OGG:
        slot = &oggTag_;
        break;
    case BASS_TAG_HTTP:
        slot = &httpTag_;
        break;
    case BASS_TAG_ICY:
        slot = &icyTag_;
        break;
    case BASS_TAG_META:
        slot = &metaTag_;
        break;
    default:
        return nullptr;
    }
    return *slot ? (*slot)->c_str() : nullptr;
}

const tags::TagFields& Stream::tagFields() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (tagFields_)
            return *tagFields_;
    }
    tags::TagFields fields = decoder_->tags();
    std::lock_guard<std::mutex> lock(mutex_);
    if (!tagFields_)
        tagFields_ = std::move(fields);
    return *tagFields_;
}

void Stream::addSync(const SyncRegistration& sync) {
    std::lock_guard<std::mutex> lock(mutex_);
    syncs_.push_back(sync);
}

bool Stream::removeSync(HSYNC sync) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto at = std::find_if(syncs_.begin(), syncs_.end(),
                                 [&](const SyncRegistration& s) { return s.handle == sync; });
    if (at == syncs_.end())
        return false;
    syncs_.erase(at);
    return true;
}

bool Stream::hasSyncFor(DWORD type) {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::any_of(syncs_.begin(), syncs_.end(),
                       [&](const SyncRegistration& s) { return s.type == type; });
}

std::vector<SyncRegistration> Stream::takeSyncsFor(DWORD type) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<SyncRegistration> matching;
    for (const SyncRegistration& sync : syncs_) {
        if (sync.type == type)
            matching.push_back(sync);
    }
    std::erase_if(syncs_, [&](const SyncRegistration& s) { return s.type == type && s.oneTime; });
    return matching;
}

} // namespace audio::core
