// What a network byte source adds to a decoder: response headers, station
// metadata tied to byte positions of the audio, and a way to wake a blocked
// read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace audio {

class DecoderInput {
public:
    virtual ~DecoderInput() = default;
    virtual std::vector<std::string> httpHeaders() const = 0;
    virtual std::vector<std::string> icyHeaders() const = 0;
    // The newest metadata text that arrived at or before a byte position of
    // the audio, removing it and any older ones; nothing when none is due.
    virtual std::optional<std::string> takeMetadataUpTo(int64_t bytePos) = 0;
    virtual void cancel() = 0;
    // The decoder has decoded its first frame: the source stops limiting how
    // much it reads while the format is being found.
    virtual void audioStarted() {}
    // False once the source has shown it cannot seek (a server that answered
    // a Range request with the whole body).
    virtual bool seekable() const { return true; }
    // Around one seek of the decoder, which may move the source several
    // times: the moves share one deadline, and once one has failed the
    // others fail at once.
    virtual void seekStarts() {}
    // True when a move of the seek under way failed: the seek did, whatever
    // the demuxer made of the reads that failed with it.
    virtual bool seekFailed() const { return false; }
    virtual void seekEnds() {}
};

} // namespace audio
