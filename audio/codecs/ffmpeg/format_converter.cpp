#include "audio/codecs/format_converter.h"

#include <cstdint>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace audio::core {

namespace {

class ResamplingConverter final : public FormatConverter {
public:
    ResamplingConverter(int inRate, int inChannels, int outRate);
    ~ResamplingConverter() override;
    ResamplingConverter(const ResamplingConverter&) = delete;
    ResamplingConverter& operator=(const ResamplingConverter&) = delete;

    bool valid() const override { return valid_; }
    std::size_t maxOutputFrames(std::size_t inFrames) const override;
    void convert(const float* in, std::size_t inFrames, std::vector<float>& out) override;
    void flush(std::vector<float>& out) override;
    void reset() override;

private:
    bool openResampler();
    void toStereo(const float* in, std::size_t frames, int channels, std::vector<float>& out);
    void resample(const float* in, std::size_t inFrames, std::vector<float>& out);

    const int inRate_;
    const int inChannels_;
    const int outRate_;
    // The resampler works on min(inChannels, 2) or downmixes to 2.
    int resampledChannels_ = 2;
    SwrContext* swr_ = nullptr;
    bool valid_ = true;
    std::vector<float> resampled_;
};

} // namespace

std::unique_ptr<FormatConverter> makeFormatConverter(int inRate, int inChannels, int outRate) {
    return std::make_unique<ResamplingConverter>(inRate, inChannels, outRate);
}

ResamplingConverter::ResamplingConverter(int inRate, int inChannels, int outRate)
    : inRate_(inRate), inChannels_(inChannels), outRate_(outRate) {
    if (inRate <= 0 || inChannels <= 0 || outRate <= 0) {
        valid_ = false;
        return;
    }
    resampledChannels_ = inChannels_ == 1 ? 1 : 2;
    if (inRate_ != outRate_ || inChannels_ > 2)
        valid_ = openResampler();
}

ResamplingConverter::~ResamplingConverter() {
    swr_free(&swr_);
}

bool ResamplingConverter::openResampler() {
    AVChannelLayout inLayout{};
    AVChannelLayout outLayout{};
    av_channel_layout_default(&inLayout, inChannels_);
    av_channel_layout_default(&outLayout, resampledChannels_);
    const int error = swr_alloc_set_opts2(&swr_, &outLayout, AV_SAMPLE_FMT_FLT, outRate_, &inLayout,
                                          AV_SAMPLE_FMT_FLT, inRate_, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    return error >= 0 && swr_init(swr_) >= 0;
}

std::size_t ResamplingConverter::maxOutputFrames(std::size_t inFrames) const {
    if (!swr_)
        return inFrames;
    const int64_t delay = swr_get_delay(swr_, inRate_);
    return static_cast<std::size_t>(
        av_rescale_rnd(delay + static_cast<int64_t>(inFrames), outRate_, inRate_, AV_ROUND_UP) +
        16);
}

void ResamplingConverter::convert(const float* in, std::size_t inFrames, std::vector<float>& out) {
    out.clear();
    if (!valid_ || inFrames == 0)
        return;
    if (!swr_) {
        toStereo(in, inFrames, inChannels_, out);
        return;
    }
    resample(in, inFrames, out);
}

void ResamplingConverter::flush(std::vector<float>& out) {
    out.clear();
    if (swr_ && valid_)
        resample(nullptr, 0, out);
}

void ResamplingConverter::reset() {
    if (!swr_)
        return;
    swr_close(swr_);
    valid_ = swr_init(swr_) >= 0;
}

void ResamplingConverter::resample(const float* in, std::size_t inFrames, std::vector<float>& out) {
    const std::size_t capacity = maxOutputFrames(inFrames);
    resampled_.resize(capacity * resampledChannels_);
    auto* outPlane = reinterpret_cast<uint8_t*>(resampled_.data());
    const auto* inPlane = reinterpret_cast<const uint8_t*>(in);
    const int produced = swr_convert(swr_, &outPlane, static_cast<int>(capacity),
                                     in ? &inPlane : nullptr, static_cast<int>(inFrames));
    if (produced > 0)
        toStereo(resampled_.data(), static_cast<std::size_t>(produced), resampledChannels_, out);
}

void ResamplingConverter::toStereo(const float* in, std::size_t frames, int channels,
                                   std::vector<float>& out) {
    out.resize(frames * 2);
    if (channels == 2) {
        out.assign(in, in + frames * 2);
        return;
    }
    if (channels == 1) {
        for (std::size_t i = 0; i < frames; ++i)
            out[2 * i] = out[2 * i + 1] = in[i];
        return;
    }
    // Only reached without a resampler, which exists for every layout wider
    // than stereo; keep the front pair as a safe answer.
    for (std::size_t i = 0; i < frames; ++i) {
        out[2 * i] = in[i * channels];
        out[2 * i + 1] = in[i * channels + 1];
    }
}

} // namespace audio::core
