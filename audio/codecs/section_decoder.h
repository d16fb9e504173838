// A part of a file as a decoder of its own: the frames from `start` to `end`
// of another decoder (a track of a cue sheet's image). Position 0 is
// `start`; the length is the part's; decoding ends at `end` to the sample.
#pragma once

#include "audio/codecs/decoder.h"

#include <memory>

namespace audio {

class SectionDecoder : public Decoder {
public:
    // end -1: the inner decoder's end. The inner decoder is at `start` once
    // open() succeeded.
    SectionDecoder(std::unique_ptr<Decoder> inner, int64_t start, int64_t end);
    // Moves to the part's start; false when the file cannot get there (the
    // part starts beyond its end, or the file cannot seek).
    bool open();

    DecodedFormat format() const override { return inner_->format(); }
    int64_t lengthFrames() const override;
    bool isNetwork() const override { return false; }
    int decode(float* out, int maxFrames) override;
    bool seek(int64_t frame) override;
    void cancel() override { inner_->cancel(); }
    std::vector<std::string> comments() const override { return inner_->comments(); }
    std::vector<std::string> httpHeaders() const override { return {}; }
    std::vector<std::string> icyHeaders() const override { return {}; }
    std::string metadata() const override { return {}; }
    tags::TagFields tags() const override { return inner_->tags(); }
    void setEventHandler(std::function<void(DecoderEvent)> handler) override {
        inner_->setEventHandler(std::move(handler));
    }

private:
    int64_t end() const;

    std::unique_ptr<Decoder> inner_;
    const int64_t start_;
    const int64_t end_;
    int64_t position_; // the inner decoder's next frame
};

} // namespace audio
