#include "audio/codecs/ffmpeg/decoder.h"

#include "audio/codecs/codec_abi.h"
#include "audio/codecs/ffmpeg/comments.h"
#include "audio/codecs/ffmpeg/length.h"
#include "audio/codecs/ffmpeg/metadata_tags.h"
#include "audio/codecs/ffmpeg/ogg_chain.h"

#include <algorithm>
#include <cstring>

namespace audio {

namespace {

// Corrupt input yields a run of failing packets; past this many in a row the
// stream is treated as ended.
constexpr int kMaxConsecutiveErrors = 500;
constexpr int kSeekAttempts = 4;

} // namespace

FfmpegDecoder::FfmpegDecoder(DecoderParts parts) : parts_(std::move(parts)) {}

FfmpegDecoder::~FfmpegDecoder() = default;

std::unique_ptr<FfmpegDecoder> FfmpegDecoder::create(DecoderParts parts, int* bassError) {
    std::unique_ptr<FfmpegDecoder> decoder(new FfmpegDecoder(std::move(parts)));
    if (!decoder->start(bassError))
        return nullptr;
    return decoder;
}

int FfmpegDecoder::interrupt(void* self) {
    return static_cast<FfmpegDecoder*>(self)->cancelled_.load() ? 1 : 0;
}

bool FfmpegDecoder::start(int* bassError) {
    AVFormatContext* format = parts_.format.get();
    format->interrupt_callback = {&FfmpegDecoder::interrupt, this};
    stream_ = format->streams[parts_.streamIndex];
    startPts_ = stream_->start_time != AV_NOPTS_VALUE ? stream_->start_time : 0;
    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    if (!packet_ || !frame_) {
        *bassError = QC_ERROR_MEM;
        return false;
    }
    if (const auto& flac = parts_.view->flacComments())
        comments_ = flacComments(*flac);
    else if (carriesVorbisComments(stream_->codecpar->codec_id))
        comments_ = vorbisComments(format->metadata, stream_->metadata);

    // Ogg FLAC packets after a seek carry unreliable timestamps; there the
    // position is counted from the start instead.
    countPositions_ = stream_->codecpar->codec_id == AV_CODEC_ID_FLAC && isOgg(*format);
    const bool gotFrame = decodeNextFrame();
    // Positions count from the first decoded frame (ASF, for one, starts
    // its timestamps at the preroll).
    if (gotFrame && frame_->best_effort_timestamp != AV_NOPTS_VALUE)
        startPts_ = frame_->best_effort_timestamp;
    if (!learnFormat(gotFrame, bassError))
        return false;
    learnLength();
    if (isNetwork())
        streamTags_ = tags::readStreamTags(parts_.view->takeFirstTag(),
                                           metadataFields(format->metadata, stream_->metadata));
    if (gotFrame)
        appendFrame(0);
    else
        ended_ = true;
    started_ = true;
    if (parts_.input)
        parts_.input->audioStarted();
    return true;
}

bool FfmpegDecoder::learnFormat(bool gotFrame, int* bassError) {
    const AVCodecContext* codec = parts_.codec.get();
    out_.sampleRate = gotFrame ? frame_->sample_rate : codec->sample_rate;
    out_.channels = gotFrame ? frame_->ch_layout.nb_channels : codec->ch_layout.nb_channels;
    if (out_.sampleRate <= 0 || out_.channels <= 0) {
        *bassError = cancelled_ ? QC_ERROR_UNKNOWN : QC_ERROR_FILEFORM;
        return false;
    }
    if (!isPlayableFormat(out_.sampleRate, out_.channels)) {
        *bassError = QC_ERROR_FORMAT;
        return false;
    }
    converter_.emplace(out_.sampleRate, out_.channels);
    return true;
}

void FfmpegDecoder::learnLength() {
    const AVFormatContext& format = *parts_.format;
    std::optional<int64_t> chained;
    if (!parts_.path.empty() && isOgg(format))
        chained = chainedOggLength(parts_.path, out_.sampleRate);
    if (parts_.exactLength)
        length_ = *parts_.exactLength;
    else if (chained)
        length_ = *chained;
    else if (!parts_.live)
        length_ = streamLengthFrames(format, *stream_, out_.sampleRate);
    // Decoded audio past an exact length is the encoder's padding.
    cutAtLength_ =
        length_ >= 0 && !isNetwork() && (parts_.exactLength.has_value() || lengthIsExact(format));
}

size_t FfmpegDecoder::pendingFrames() const {
    if (out_.channels == 0)
        return 0;
    return (pending_.size() - pendingPos_) / static_cast<size_t>(out_.channels);
}

bool FfmpegDecoder::readPacket() {
    AVFormatContext* format = parts_.format.get();
    while (!cancelled_) {
        const int read = av_read_frame(format, packet_.get());
        if (read == AVERROR_EOF || read == AVERROR_EXIT || (read < 0 && avio_feof(format->pb)))
            return false;
        // A damaged stretch: the demuxer resynchronises on the next call.
        if (read < 0) {
            if (++consecutiveErrors_ > kMaxConsecutiveErrors)
                return false;
            continue;
        }
        if (packet_->stream_index == parts_.streamIndex) {
            notePacketEvents();
            return true;
        }
        av_packet_unref(packet_.get());
    }
    return false;
}

// Leaves the next frame with samples in frame_; false at the end.
bool FfmpegDecoder::decodeNextFrame() {
    AVCodecContext* codec = parts_.codec.get();
    while (!cancelled_) {
        const int received = avcodec_receive_frame(codec, frame_.get());
        if (received == 0) {
            if (frame_->nb_samples > 0)
                return true;
            av_frame_unref(frame_.get());
            continue;
        }
        if (received == AVERROR_EOF || flushed_)
            return false;
        if (received != AVERROR(EAGAIN) && ++consecutiveErrors_ > kMaxConsecutiveErrors)
            return false;
        if (!readPacket()) {
            avcodec_send_packet(codec, nullptr);
            flushed_ = true;
            continue;
        }
        const int sent = avcodec_send_packet(codec, packet_.get());
        av_packet_unref(packet_.get());
        if (sent < 0 && sent != AVERROR(EAGAIN)) {
            if (++consecutiveErrors_ > kMaxConsecutiveErrors)
                return false;
        } else {
            consecutiveErrors_ = 0;
        }
    }
    return false;
}

// Station metadata and new logical Ogg streams become events at the output
// position where the audio of this packet will begin.
void FfmpegDecoder::notePacketEvents() {
    const int64_t at = outputFrame_ + static_cast<int64_t>(pendingFrames());
    if (parts_.input) {
        const int64_t pos = packet_->pos >= 0 ? packet_->pos : avio_tell(parts_.format->pb);
        if (auto text = parts_.input->takeMetadataUpTo(pos + parts_.view->audioStart()))
            events_.push_back({at, DecoderEvent::MetadataChanged, {}, std::move(*text)});
    }
    if (!carriesVorbisComments(stream_->codecpar->codec_id))
        return;
    const bool flagged = stream_->event_flags & AVSTREAM_EVENT_FLAG_METADATA_UPDATED;
    stream_->event_flags &= ~AVSTREAM_EVENT_FLAG_METADATA_UPDATED;
    size_t size = 0;
    const uint8_t* side =
        av_packet_get_side_data(packet_.get(), AV_PKT_DATA_METADATA_UPDATE, &size);
    if (!flagged && !side)
        return;
    std::vector<std::string> comments;
    if (side) {
        AVDictionary* dict = nullptr;
        av_packet_unpack_dictionary(side, size, &dict);
        DictionaryPtr owned(dict);
        comments = vorbisComments(parts_.format->metadata, dict);
    } else {
        comments = vorbisComments(parts_.format->metadata, stream_->metadata);
    }
    if (!started_) {
        std::lock_guard lock(tagsMutex_);
        comments_ = std::move(comments);
        return;
    }
    events_.push_back({at, DecoderEvent::OggStreamChanged, std::move(comments), {}});
}

int64_t FfmpegDecoder::framePosition(const AVFrame& frame) const {
    if (countPositions_ || frame.best_effort_timestamp == AV_NOPTS_VALUE)
        return nextFramePos_;
    return av_rescale_q(frame.best_effort_timestamp - startPts_, stream_->time_base,
                        AVRational{1, out_.sampleRate});
}

// Converts frame_ into the pending buffer, leaving out its first dropFrames.
void FfmpegDecoder::appendFrame(int64_t dropFrames) {
    if (pendingPos_ == pending_.size()) {
        pending_.clear();
        pendingPos_ = 0;
    }
    nextFramePos_ = framePosition(*frame_) + frame_->nb_samples;
    const size_t before = pending_.size();
    converter_->append(*frame_, &pending_);
    av_frame_unref(frame_.get());
    const size_t added = pending_.size() - before;
    const size_t drop =
        std::min(added, static_cast<size_t>(std::max<int64_t>(dropFrames, 0)) * out_.channels);
    pending_.erase(pending_.begin() + before, pending_.begin() + before + drop);
}

// Decodes the next frame: straight into out when all of it may be handed out
// now (an event noted while reading it may say otherwise), else into the
// pending buffer. Returns the frames written to out; -1 at the end.
int FfmpegDecoder::refill(float* out, int wanted) {
    if (ended_)
        return -1;
    if (!decodeNextFrame()) {
        ended_ = true;
        return -1;
    }
    const int64_t position = framePosition(*frame_);
    if (const auto written = converter_->convert(*frame_, out, framesAllowed(wanted))) {
        nextFramePos_ = position + frame_->nb_samples;
        av_frame_unref(frame_.get());
        return *written;
    }
    appendFrame(0);
    return 0;
}

void FfmpegDecoder::fireDueEvents() {
    while (!events_.empty() && events_.front().frame <= outputFrame_) {
        PendingEvent event = std::move(events_.front());
        events_.pop_front();
        {
            std::lock_guard lock(tagsMutex_);
            if (event.type == DecoderEvent::OggStreamChanged)
                comments_ = std::move(event.comments);
            else
                metadata_ = std::move(event.metadata);
        }
        if (handler_)
            handler_(event.type);
    }
}

// How many of the wanted frames may be handed out before the next event
// (which must come first in a later call) or the end of the stream.
int FfmpegDecoder::framesAllowed(int wanted) const {
    int64_t allowed = wanted;
    if (!events_.empty())
        allowed = std::min(allowed, events_.front().frame - outputFrame_);
    if (cutAtLength_)
        allowed = std::min(allowed, length_ - outputFrame_);
    return static_cast<int>(std::max<int64_t>(allowed, 0));
}

int FfmpegDecoder::decode(float* out, int maxFrames) {
    if (cancelled_)
        return -1;
    const size_t channels = out_.channels;
    int done = 0;
    while (done < maxFrames) {
        if (done == 0)
            fireDueEvents();
        const int allowed = framesAllowed(maxFrames - done);
        if (allowed == 0)
            break;
        if (pendingFrames() == 0) {
            const int written = refill(out + done * channels, maxFrames - done);
            if (written < 0)
                break;
            done += written;
            outputFrame_ += written;
            continue;
        }
        const int n = static_cast<int>(std::min<size_t>(allowed, pendingFrames()));
        std::memcpy(out + done * channels, pending_.data() + pendingPos_,
                    n * channels * sizeof(float));
        pendingPos_ += n * channels;
        done += n;
        outputFrame_ += n;
    }
    if (done == 0 && cancelled_)
        return -1;
    return done;
}

void FfmpegDecoder::resetAfterSeek(int64_t aim) {
    avcodec_flush_buffers(parts_.codec.get());
    flushed_ = false;
    ended_ = false;
    consecutiveErrors_ = 0;
    pending_.clear();
    pendingPos_ = 0;
    events_.clear();
    nextFramePos_ = aim;
}

// Lossy decoders need some audio before the target to settle (overlapping
// transforms, the MP3 bit reservoir); frames that decode alone need none.
int64_t FfmpegDecoder::seekPreroll() const {
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(stream_->codecpar->codec_id);
    if (descriptor && (descriptor->props & AV_CODEC_PROP_LOSSLESS))
        return 0;
    const int frameSize = parts_.codec->frame_size;
    return std::max<int64_t>(3 * static_cast<int64_t>(frameSize), out_.sampleRate / 10);
}

// Seeks the demuxer to a frame position (negative reaches into the encoder
// delay before the first output frame). When the demuxer cannot go there
// directly it goes back to the start and the decoding runs forward.
bool FfmpegDecoder::seekDemuxer(int64_t aim) {
    AVFormatContext* format = parts_.format.get();
    const int index = parts_.streamIndex;
    const int64_t ts =
        startPts_ + av_rescale_q(aim, AVRational{1, out_.sampleRate}, stream_->time_base);
    if (av_seek_frame(format, index, ts, AVSEEK_FLAG_BACKWARD) >= 0)
        return true;
    if (!inputSeekable()) // the other ways would read through the stream
        return false;
    return avformat_seek_file(format, index, INT64_MIN, ts, ts, 0) >= 0 ||
           av_seek_frame(format, index, std::min<int64_t>(startPts_, 0), AVSEEK_FLAG_BACKWARD) >= 0;
}

bool FfmpegDecoder::inputSeekable() const {
    return !parts_.input || parts_.input->seekable();
}

bool FfmpegDecoder::seek(int64_t frame) {
    if (!parts_.seekable || !inputSeekable() || cancelled_ || frame < 0 ||
        (cutAtLength_ && frame > length_))
        return false;
    if (!parts_.input)
        return seekTo(frame);
    parts_.input->seekStarts();
    const bool ok = seekTo(frame) && !parts_.input->seekFailed();
    parts_.input->seekEnds();
    if (!ok) {
        // The reads the failed seek cut short are no end of the stream: it
        // goes on from where the source still is.
        parts_.format->pb->eof_reached = 0;
        parts_.format->pb->error = 0;
    }
    return ok;
}

bool FfmpegDecoder::seekTo(int64_t frame) {
    const int64_t preroll = seekPreroll();
    int64_t backoff = countPositions_ ? frame + preroll : 0;
    for (int attempt = 0; attempt < kSeekAttempts; ++attempt) {
        const int64_t aim = frame - preroll - backoff;
        if (!seekDemuxer(aim))
            return false;
        resetAfterSeek(aim);
        if (!decodeNextFrame()) {
            ended_ = true;
            outputFrame_ = frame;
            return true;
        }
        const int64_t landed = framePosition(*frame_);
        if (landed <= aim || aim <= 0 || attempt == kSeekAttempts - 1)
            return decodeUpTo(frame);
        // The demuxer landed after the aim: try again further back.
        av_frame_unref(frame_.get());
        backoff = 2 * backoff + (landed - aim) + out_.sampleRate / 10;
    }
    return false;
}

// With the first frame after a seek in frame_, drops decoded audio up to the
// target so the next decode() starts exactly there.
bool FfmpegDecoder::decodeUpTo(int64_t target) {
    int64_t pos = framePosition(*frame_);
    while (pos + frame_->nb_samples <= target) {
        nextFramePos_ = pos + frame_->nb_samples;
        av_frame_unref(frame_.get());
        if (!decodeNextFrame()) {
            ended_ = true;
            outputFrame_ = target;
            return true;
        }
        pos = framePosition(*frame_);
    }
    appendFrame(target - pos);
    outputFrame_ = target;
    return true;
}

void FfmpegDecoder::cancel() {
    cancelled_ = true;
    if (parts_.input)
        parts_.input->cancel();
}

std::vector<std::string> FfmpegDecoder::comments() const {
    std::lock_guard lock(tagsMutex_);
    return comments_;
}

std::vector<std::string> FfmpegDecoder::httpHeaders() const {
    return parts_.input ? parts_.input->httpHeaders() : std::vector<std::string>{};
}

std::vector<std::string> FfmpegDecoder::icyHeaders() const {
    return parts_.input ? parts_.input->icyHeaders() : std::vector<std::string>{};
}

std::string FfmpegDecoder::metadata() const {
    std::lock_guard lock(tagsMutex_);
    return metadata_;
}

tags::TagFields FfmpegDecoder::tags() const {
    return isNetwork() ? streamTags_ : tags::readFileTags(parts_.path);
}

void FfmpegDecoder::setEventHandler(std::function<void(DecoderEvent)> handler) {
    handler_ = std::move(handler);
}

} // namespace audio
