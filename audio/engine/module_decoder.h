// The codec module's decoders and converters as the engine uses them: C++
// objects over the handles of the module's C table (codecs/codec_abi.h).
// One decoder belongs to one stream and is driven by that stream's decoder
// thread; only cancel() may be called from another thread.
#pragma once

#include "audio/codecs/codec_abi.h"
#include "audio/common/http_policy.h"
#include "audio/common/tag_fields.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace audio::core {

struct DecodedFormat {
    int sampleRate = 0;
    int channels = 0;
};

enum class DecoderEvent {
    MetadataChanged, // a new ICY metadata text (metadata())
    OggStreamChanged // a chained Ogg stream began a new logical stream
};

class ModuleDecoder {
public:
    // On failure nullptr, with *error a BASS_ERROR_* code.
    static std::unique_ptr<ModuleDecoder> openFile(const QcCodecTable& table,
                                                   const std::string& path, int* error);
    // Blocks until the stream has its first audio or failed. The limits'
    // abort check is kept for the decoder's later waits.
    static std::unique_ptr<ModuleDecoder> openUrl(const QcCodecTable& table, const std::string& url,
                                                  bool followPlaylists, net::HttpLimits limits,
                                                  int* error);
    ~ModuleDecoder();
    ModuleDecoder(const ModuleDecoder&) = delete;
    ModuleDecoder& operator=(const ModuleDecoder&) = delete;

    // The table the decoder came from: its converter comes from it too.
    const QcCodecTable& table() const { return table_; }
    DecodedFormat format() const;
    int64_t lengthFrames() const; // -1 when unknown (live)
    bool isNetwork() const;
    // Frames decoded into out (maxFrames * channels floats), 0 at the end,
    // -1 on an error.
    int decode(float* out, int maxFrames);
    bool seek(int64_t frame);
    void cancel();

    std::vector<std::string> comments() const;
    std::vector<std::string> httpHeaders() const;
    std::vector<std::string> icyHeaders() const;
    std::string metadata() const;
    tags::TagFields tags() const;

    // Called from the decoding or the network thread. Set before decode().
    void setEventHandler(std::function<void(DecoderEvent)> handler);

    // Makes the frames [start, end) of a local file the whole decoder (end
    // -1: to the file's end), before the first decode(). False when the part
    // does not lie in the file; the decoder is then fit only to be freed.
    bool narrowToSection(int64_t start, int64_t end);
    // Fields that tags() gives in place of the file's, where not empty.
    void overrideTags(tags::TagFields given) { given_ = std::move(given); }

private:
    struct Abort;
    ModuleDecoder(const QcCodecTable& table, QcDecoder* handle, std::unique_ptr<Abort> abort);
    std::vector<std::string> texts(int32_t which) const;

    const QcCodecTable& table_;
    QcDecoder* const handle_;
    QcDecoderInfo info_{};
    std::unique_ptr<Abort> abort_;
    std::function<void(DecoderEvent)> handler_;
    tags::TagFields given_;
};

// Decoded frames (any rate, any channel count) to stereo at the device rate.
class ModuleConverter {
public:
    ModuleConverter(const QcCodecTable& table, int inRate, int inChannels, int outRate);
    ~ModuleConverter();
    ModuleConverter(const ModuleConverter&) = delete;
    ModuleConverter& operator=(const ModuleConverter&) = delete;

    bool valid() const;
    // Most output frames convert() can give for inFrames input frames.
    std::size_t maxOutputFrames(std::size_t inFrames) const;
    // The stereo frames for inFrames frames, in out (cleared first).
    void convert(const float* in, std::size_t inFrames, std::vector<float>& out);
    // What the resampler still holds at the end of the input.
    void flush(std::vector<float>& out);
    // Drops the resampler's history (after a seek).
    void reset();

private:
    const QcCodecTable& table_;
    QcConverter* const handle_;
};

// The picture embedded in a local file, as bytes; empty when none.
std::string readFilePicture(const QcCodecTable& table, const std::string& path);
// The cue sheet a local file carries in itself, as its bytes; empty when none.
std::string readEmbeddedCueSheet(const QcCodecTable& table, const std::string& path);

} // namespace audio::core
