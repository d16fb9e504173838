#include "audio/codecs/ffmpeg/sample_converter.h"

#include "audio/codecs/decoder.h"
#include "audio/codecs/ffmpeg/sample_unpack.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace audio {

SampleConverter::SampleConverter(int outRate, int outChannels)
    : outRate_(outRate), outChannels_(outChannels) {}

SampleConverter::~SampleConverter() {
    av_channel_layout_uninit(&inLayout_);
}

bool SampleConverter::keepsFormat(const AVFrame& frame) const {
    return frame.sample_rate == outRate_ && frame.ch_layout.nb_channels == outChannels_ &&
           canUnpack(static_cast<AVSampleFormat>(frame.format));
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
    // The resampler wants to know which channel is which; the frame's own
    // layout stays in inLayout_ to recognise the next frames by.
    AVChannelLayout from{};
    if (inLayout_.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&from, inLayout_.nb_channels);
    else
        av_channel_layout_copy(&from, &inLayout_);
    AVChannelLayout to{};
    if (outChannels_ == from.nb_channels)
        av_channel_layout_copy(&to, &from);
    else
        av_channel_layout_default(&to, outChannels_);
    SwrContext* swr = nullptr;
    const int rc = swr_alloc_set_opts2(&swr, &to, AV_SAMPLE_FMT_FLT, outRate_, &from,
                                       static_cast<AVSampleFormat>(frame.format), frame.sample_rate,
                                       0, nullptr);
    av_channel_layout_uninit(&to);
    av_channel_layout_uninit(&from);
    swr_.reset(swr);
    if (rc < 0 || swr_init(swr) < 0) {
        swr_.reset();
        return false;
    }
    inFormat_ = frame.format;
    inRate_ = frame.sample_rate;
    return true;
}

int SampleConverter::framesFor(const AVFrame& frame) {
    if (keepsFormat(frame))
        return frame.nb_samples;
    if (!ensureResampler(frame))
        return -1;
    return swr_get_out_samples(swr_.get(), frame.nb_samples);
}

std::optional<int> SampleConverter::convert(const AVFrame& frame, float* out, int room) {
    if (frame.nb_samples <= 0)
        return 0;
    const int most = framesFor(frame);
    if (most < 0)
        return 0;
    if (most > room)
        return std::nullopt;
    if (keepsFormat(frame)) {
        unpackSamples(static_cast<AVSampleFormat>(frame.format), frame.extended_data, outChannels_,
                      frame.nb_samples, out);
        return frame.nb_samples;
    }
    auto* dst = reinterpret_cast<uint8_t*>(out);
    const int got = swr_convert(swr_.get(), &dst, room,
                                const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
    return got > 0 ? got : 0;
}

bool SampleConverter::append(const AVFrame& frame, SampleBuffer* out) {
    const int most = framesFor(frame);
    if (most < 0)
        return false;
    const size_t start = out->size();
    out->resize(start + static_cast<size_t>(most) * outChannels_);
    const int got = *convert(frame, out->data() + start, most);
    out->resize(start + static_cast<size_t>(got) * outChannels_);
    return true;
}

} // namespace audio
