// One playing stream: its decoder thread fills a ring of stereo frames at the
// device rate; the mixer thread pulls them, applies the effect chain and
// reports events; the API threads play, pause, seek and query it.
#pragma once

#include "audio/api/bass.h"
#include "audio/common/tag_fields.h"
#include "audio/engine/effect_chain.h"
#include "audio/engine/frame_ring.h"
#include "audio/engine/mixer_signal.h"
#include "audio/engine/module_decoder.h"
#include "audio/engine/stream_events.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace audio::core {

struct SyncRegistration {
    HSYNC handle = 0;
    DWORD type = 0; // with BASS_SYNC_MIXTIME when called as the mixer reaches the event
    SYNCPROC* proc = nullptr;
    void* user = nullptr;
    bool oneTime = false;
};

// What one pull gave: the frames copied, and whether the stream ended in them.
struct Pulled {
    std::size_t frames = 0;
    bool ended = false;
};

class Stream : public std::enable_shared_from_this<Stream> {
public:
    // localPath is empty for network streams.
    Stream(HSTREAM handle, std::unique_ptr<ModuleDecoder> decoder, std::string localPath,
           int deviceRate, std::shared_ptr<MixerSignal> mixer);
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // False when the decoded format cannot be converted for the device.
    bool usable() const { return converter_->valid(); }
    // Starts the decoder thread (prebuffering begins at once).
    void start();
    // Stops and joins the decoder thread, waking a blocked network read first.
    void shutdown();

    HSTREAM handle() const { return handle_; }
    int sourceRate() const { return sourceRate_; }
    int sourceChannels() const { return sourceChannels_; }
    int64_t lengthFrames() const { return lengthFrames_; }
    bool isNetwork() const { return network_; }
    const std::string& localPath() const { return localPath_; }

    // Transport; each returns a BASS_ERROR_* code (BASS_OK on success).
    int play(bool restart);
    int pause();
    int stop();
    // A file's seek is done when it returns; a network stream's returns at
    // once and is carried out by the decoder thread, positions telling the
    // target meanwhile.
    int seek(int64_t frame);
    DWORD activeState();
    // The source frame being heard, given the mixer's heard output frame.
    int64_t heardFrame(int64_t heardOutputFrame);
    // The output frame after the last one the mixer took from this stream.
    int64_t soundEnd();

    // Mixer side. pull() copies up to count frames and appends due events.
    bool wantsMix();
    bool readyToMix(std::size_t count);
    Pulled pull(float* out, std::size_t count, int64_t outputFrame, bool paced,
                std::vector<DueEvent>& due);
    // True once the mixer has taken the stream's last frame.
    bool endedInMix();
    // Starts a stream that has not been playing, as the follow-on of one that
    // just ended; false when it is playing, paused or finished already.
    bool startFollowing();
    EffectChain& effects() { return effects_; }
    // Mixer thread only: the volume the stream's last frame was mixed at, or
    // kFreshGain after a silent block, so that its next sound starts at the
    // current volume instead of gliding from an old one.
    static constexpr float kFreshGain = -1.0f;
    float mixGain() const { return mixGain_; }
    void setMixGain(float gain) { mixGain_ = gain; }
    // Applies a due event; false when it is stale (a seek or stop came after).
    bool commit(const DueEvent& event);

    const char* tags(DWORD type);
    const tags::TagFields& tagFields();

    void addSync(const SyncRegistration& sync);
    bool removeSync(HSYNC sync);
    std::vector<SyncRegistration> takeSyncsFor(DWORD type);
    bool hasSyncFor(DWORD type);

private:
    enum class State { Stopped, Playing, Paused, Ended };

    void decodeLoop();
    bool waitForWork(std::unique_lock<std::mutex>& lock);
    void performSeek(std::unique_lock<std::mutex>& lock);
    // Empties the ring: what the decoder gives next is at `position`.
    void restartAt(int64_t position);
    void pushConverted(std::unique_lock<std::mutex>& lock, const std::vector<float>& frames);
    void onDecoderEvent(DecoderEvent event);
    void keepTag(TagText& slot, TagText value);
    bool canSeek() const;

    const HSTREAM handle_;
    const std::string localPath_;
    const int deviceRate_;
    const std::shared_ptr<MixerSignal> mixer_;
    int sourceRate_ = 0;
    int sourceChannels_ = 0;
    int64_t lengthFrames_ = -1;
    bool network_ = false;
    std::size_t decodeFrames_ = 0; // source frames per decode() call
    std::size_t needFrames_ = 0;   // ring space one decoded block may need
    std::size_t refillFrames_ = 0; // a quarter of the ring: a decoded block fits in it
    std::size_t wakeFrames_ = 0;   // ring space that wakes a waiting decoder

    std::mutex mutex_;
    std::condition_variable decoderWake_;
    std::condition_variable seekDone_;
    FrameRing ring_;
    State state_ = State::Stopped;
    bool stopping_ = false;
    bool decoderWaiting_ = false;
    bool decoderEnded_ = false;
    bool drained_ = false;
    bool stalled_ = false;
    bool seekPending_ = false;
    bool seekOk_ = false;
    int64_t seekTarget_ = 0;
    uint64_t seekRequested_ = 0;
    uint64_t seekCompleted_ = 0;
    uint64_t epoch_ = 0;
    int64_t basePosition_ = 0;  // source frame where the ring's content began
    int64_t decodedSince_ = 0;  // source frames decoded since basePosition_
    int64_t produced_ = 0;      // device frames pushed since basePosition_
    int64_t played_ = 0;        // device frames pulled since basePosition_
    int64_t lastOutputEnd_ = 0; // output frame after this stream's last pulled frame
    float mixGain_ = kFreshGain;
    std::deque<StreamEvent> events_;
    std::vector<SyncRegistration> syncs_;

    TagText oggTag_, metaTag_, httpTag_, icyTag_;
    std::deque<TagText> retiredTags_;
    std::optional<tags::TagFields> tagFields_;

    EffectChain effects_;
    std::thread thread_;
    std::unique_ptr<ModuleConverter> converter_;
    // Declared last so that it goes first: its network thread may still call
    // onDecoderEvent while being destroyed.
    std::unique_ptr<ModuleDecoder> decoder_;
};

// Joins texts into the list form: each zero-terminated, then an empty one.
std::string tagList(const std::vector<std::string>& texts);

} // namespace audio::core
