// Turns a file or a network stream into interleaved float PCM at the source's
// own sample rate and channel count. One decoder belongs to one stream and is
// driven by that stream's decoder thread; only cancel() may be called from
// another thread.
#pragma once

#include "net/http_source.h"

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

enum class DecoderEvent {
    MetadataChanged, // a new ICY metadata text (metadata())
    OggStreamChanged // a chained Ogg stream began a new logical stream
};

class Decoder {
public:
    // Opens a local file (UTF-8 path). On failure returns nullptr and sets
    // *bassError to a BASS_ERROR_* code (FILEOPEN, FILEFORM, CODEC, ...).
    static std::unique_ptr<Decoder> openFile(const std::string& path, int* bassError);

    // Opens an http/https URL through net::HttpSource; blocks until the stream
    // has its first audio or failed, within the options' limits (its deadline
    // counts to the first audio). followPlaylists follows a .pls/.m3u answer to
    // its first stream.
    static std::unique_ptr<Decoder> openUrl(const std::string& url,
                                            const net::HttpOpenOptions& options, int* bassError);

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

    // Called from the decoding thread (or the network thread) when metadata
    // or the logical Ogg stream changes. Set before the first decode().
    virtual void setEventHandler(std::function<void(DecoderEvent)> handler) = 0;
};

} // namespace audio
