// Turns a file or a network stream into interleaved float PCM at the source's
// own sample rate and channel count. One decoder belongs to one stream and is
// driven by that stream's decoder thread; only cancel() may be called from
// another thread.
#pragma once

#include "audio/codecs/net/http_source.h"
#include "audio/codecs/tags/tag_fields.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace audio {

struct DecodedFormat {
    int sampleRate = 0;
    int channels = 0;
};

// The formats decoders hand out. A header that claims more is damaged or
// hostile (a resampler from a claimed 536 MHz alone takes gigabytes), so it
// is refused before anything is sized by it.
inline constexpr int kMaxSampleRate = 768000;
inline constexpr int kMaxChannels = 32;

inline bool isPlayableFormat(int sampleRate, int channels) {
    return sampleRate > 0 && sampleRate <= kMaxSampleRate && channels > 0 &&
           channels <= kMaxChannels;
}

enum class DecoderEvent {
    MetadataChanged, // a new ICY metadata text (metadata())
    OggStreamChanged // a chained Ogg stream began a new logical stream
};

class Decoder {
public:
    // Opens a local file (UTF-8 path). On failure returns nullptr and sets
    // *error to a QC_ERROR_* code of codec_abi.h (FILEOPEN, FILEFORM, CODEC,
    // FORMAT for a rate or channel count beyond the limits above, ...).
    static std::unique_ptr<Decoder> openFile(const std::string& path, int* error);

    // Opens an http/https URL through net::HttpSource; blocks until the stream
    // has its first audio or failed, within the options' limits (its deadline
    // counts to the first audio). followPlaylists follows a .pls/.m3u answer to
    // its first stream.
    static std::unique_ptr<Decoder> openUrl(const std::string& url,
                                            const net::HttpOpenOptions& options, int* error);

    virtual ~Decoder() = default;

    virtual DecodedFormat format() const = 0;
    // Total length in frames at format().sampleRate; -1 when unknown (live).
    virtual int64_t lengthFrames() const = 0;
    virtual bool isNetwork() const = 0;

    // Decodes up to maxFrames frames into out (maxFrames * channels floats).
    // Returns the number of frames, 0 at the end, -1 on an unrecoverable
    // error (treated as the end). May block on the network.
    virtual int decode(float* out, int maxFrames) = 0;

    // Moves to a frame; the next decode() starts there. False when the source
    // cannot seek.
    virtual bool seek(int64_t frame) = 0;

    // Wakes a decode() blocked on the network; later calls return -1.
    virtual void cancel() = 0;

    // Vorbis/Opus/FLAC comments of the current logical stream ("NAME=value").
    virtual std::vector<std::string> comments() const = 0;
    // Response header lines of a network stream (empty for files).
    virtual std::vector<std::string> httpHeaders() const = 0;
    virtual std::vector<std::string> icyHeaders() const = 0;
    // The last ICY metadata text, e.g. "StreamTitle='x';"; empty if none yet.
    virtual std::string metadata() const = 0;
    // The title fields: a local file's tags, or those a network stream
    // carries at its start (ID3v2, Ogg comments, MP4 atoms before the
    // audio). Any thread; a file's tags are read at each call.
    virtual tags::TagFields tags() const = 0;

    // Called from the decoding thread (or the network thread) when metadata
    // or the logical Ogg stream changes. Set before the first decode().
    virtual void setEventHandler(std::function<void(DecoderEvent)> handler) = 0;
};

} // namespace audio
