// The decoder over an opened FFmpeg demuxer: reads whole packets of the chosen
// audio stream, decodes them and hands out interleaved float frames. Used for
// files and, with a DecoderInput behind a custom AVIOContext, for network
// streams.
#pragma once

#include "audio/codecs/decoder.h"
#include "audio/codecs/ffmpeg/av.h"
#include "audio/codecs/ffmpeg/input.h"
#include "audio/codecs/ffmpeg/leading_tags.h"
#include "audio/codecs/ffmpeg/sample_converter.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <optional>

namespace audio {

struct DecoderParts {
    std::unique_ptr<DecoderInput> input; // null for a local file
    IoPtr fileIo;                        // a local file's input
    std::unique_ptr<AudioView> view;     // what the demuxer reads (outlives it)
    std::string path;                    // a local file's path
    FormatPtr format;
    int streamIndex = -1;
    CodecPtr codec;
    bool seekable = true;
    bool live = false;                  // no known end: the length is -1
    std::optional<int64_t> exactLength; // when known better than the demuxer knows it
};

class FfmpegDecoder final : public Decoder {
public:
    // Decodes up to the first frame to learn the output format. On failure
    // returns nullptr and sets *bassError.
    static std::unique_ptr<FfmpegDecoder> create(DecoderParts parts, int* bassError);
    ~FfmpegDecoder() override;

    DecodedFormat format() const override { return out_; }
    int64_t lengthFrames() const override { return length_; }
    bool isNetwork() const override { return parts_.input != nullptr; }
    int decode(float* out, int maxFrames) override;
    bool seek(int64_t frame) override;
    void cancel() override;
    std::vector<std::string> comments() const override;
    std::vector<std::string> httpHeaders() const override;
    std::vector<std::string> icyHeaders() const override;
    std::string metadata() const override;
    tags::TagFields tags() const override;
    void setEventHandler(std::function<void(DecoderEvent)> handler) override;

private:
    struct PendingEvent {
        int64_t frame = 0; // output position the event belongs to
        DecoderEvent type = DecoderEvent::MetadataChanged;
        std::vector<std::string> comments; // for OggStreamChanged
        std::string metadata;              // for MetadataChanged
    };

    explicit FfmpegDecoder(DecoderParts parts);
    bool start(int* bassError);
    bool learnFormat(bool gotFrame, int* bassError);
    void learnLength();
    static int interrupt(void* self);

    size_t pendingFrames() const;
    int refill(float* out, int wanted);
    bool decodeNextFrame();
    bool readPacket();
    void notePacketEvents();
    void appendFrame(int64_t dropFrames);
    int64_t framePosition(const AVFrame& frame) const;
    int64_t seekPreroll() const;
    bool seekDemuxer(int64_t aim);
    bool inputSeekable() const;
    void resetAfterSeek(int64_t aim);
    bool decodeUpTo(int64_t target);
    // The seek itself, between the input's seekStarts() and seekEnds().
    bool seekTo(int64_t frame);
    int framesAllowed(int wanted) const;
    void fireDueEvents();

    DecoderParts parts_;
    AVStream* stream_ = nullptr;
    PacketPtr packet_;
    FramePtr frame_;
    std::optional<SampleConverter> converter_;
    DecodedFormat out_;
    int64_t length_ = -1;
    bool cutAtLength_ = false;    // decoded audio past length_ is padding
    bool started_ = false;        // the first frame has been decoded
    bool countPositions_ = false; // timestamps are not trusted after a seek
    int64_t startPts_ = 0;
    std::atomic<bool> cancelled_{false};

    SampleBuffer pending_;     // converted frames not handed out yet
    size_t pendingPos_ = 0;    // in floats
    int64_t outputFrame_ = 0;  // position of the next frame decode() returns
    int64_t nextFramePos_ = 0; // position of the next decoded frame when it has no pts
    bool flushed_ = false;     // the decoder has been told the input ended
    bool ended_ = false;
    int consecutiveErrors_ = 0;
    std::deque<PendingEvent> events_;

    mutable std::mutex tagsMutex_;
    std::vector<std::string> comments_;
    std::string metadata_;
    tags::TagFields streamTags_; // a network stream's, read when it opened
    std::function<void(DecoderEvent)> handler_;
};

} // namespace audio
