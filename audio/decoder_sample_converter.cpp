#include "decoder_sample_converter.h"

#include "decoder.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <cstring>

namespace audio {

SampleConverter::SampleConverter(int outRate, int outChannels)
    : outRate_(outRate), outChannels_(outChannels) {}

SampleConverter::~SampleConverter() {
    av_channel_layout_uninit(&inLayout_);
}

bool SampleConverter::isPassThrough(const AVFrame& frame) const {
    return frame.format == AV_SAMPLE_FMT_FLT && frame.sample_rate == outRate_ &&
           frame.ch_layout.nb_channels == outChannels_;
}

bool SampleConverter::ensureResampler(const AVFrame& frame) {
    // A later part of a stream (a chained Ogg file's next stream) may claim
    // any format too.
    if (!isPlayableFormat(frame.sample_rate, frame.ch_layout.nb_channels))
        return false;
    if (swr_ && frame.format == inFormat_ && frame.sample_rate == inRate_ &&
        av_channel_layout_compare(&frame.ch_layout, &inLayout_) == 0)
        return true;
    swr_.reset();
    av_channel_layout_uninit(&inLayout_);
    if (av_channel_layout_copy(&inLayout_, &frame.ch_layout) < 0)
        return false;
    if (inLayout_.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&inLayout_, frame.ch_layout.nb_channels);
    AVChannelLayout outLayout{};
    if (outChannels_ == inLayout_.nb_channels)
        av_channel_layout_copy(&outLayout, &inLayout_);
    else
        av_channel_layout_default(&outLayout, outChannels_);
    SwrContext* swr = nullptr;
    const int rc = swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_FLT, outRate_, &inLayout_,
                                       static_cast<AVSampleFormat>(frame.format), frame.sample_rate,
                                       0, nullptr);
    av_channel_layout_uninit(&outLayout);
    swr_.reset(swr);
    if (rc < 0 || swr_init(swr) < 0) {
        swr_.reset();
        return false;
    }
    inFormat_ = frame.format;
    inRate_ = frame.sample_rate;
    return true;
}

bool SampleConverter::append(const AVFrame& frame, std::vector<float>* out) {
    if (frame.nb_samples <= 0)
        return true;
    const size_t start = out->size();
    if (isPassThrough(frame)) {
        const size_t count = static_cast<size_t>(frame.nb_samples) * outChannels_;
        out->resize(start + count);
        std::memcpy(out->data() + start, frame.extended_data[0], count * sizeof(float));
        return true;
    }
    if (!ensureResampler(frame))
        return false;
    const int capacity = swr_get_out_samples(swr_.get(), frame.nb_samples);
    if (capacity < 0)
        return false;
    out->resize(start + static_cast<size_t>(capacity) * outChannels_);
    auto* dst = reinterpret_cast<uint8_t*>(out->data() + start);
    const int got = swr_convert(swr_.get(), &dst, capacity,
                                const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
    out->resize(start + static_cast<size_t>(got > 0 ? got : 0) * outChannels_);
    return got >= 0;
}

} // namespace audio
