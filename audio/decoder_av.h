// Owning pointers for the FFmpeg objects a decoder holds.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include <memory>

namespace audio {

struct AvFormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct AvCodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct AvPacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct AvFrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct SwrFreer {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct AvDictionaryFreer {
    void operator()(AVDictionary* d) const { av_dict_free(&d); }
};

using FormatPtr = std::unique_ptr<AVFormatContext, AvFormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, AvCodecFreer>;
using PacketPtr = std::unique_ptr<AVPacket, AvPacketFreer>;
using FramePtr = std::unique_ptr<AVFrame, AvFrameFreer>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFreer>;
using DictionaryPtr = std::unique_ptr<AVDictionary, AvDictionaryFreer>;

} // namespace audio
