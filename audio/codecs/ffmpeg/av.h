// Owning pointers for the FFmpeg objects a decoder holds.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include <memory>

namespace audio {

// FFmpeg frees each of these objects with a function that takes the address
// of the pointer and clears it.
template <auto Free> struct AvFree {
    template <class T> void operator()(T* object) const { Free(&object); }
};

using FormatPtr = std::unique_ptr<AVFormatContext, AvFree<avformat_close_input>>;
using IoPtr = std::unique_ptr<AVIOContext, AvFree<avio_closep>>;
using CodecPtr = std::unique_ptr<AVCodecContext, AvFree<avcodec_free_context>>;
using PacketPtr = std::unique_ptr<AVPacket, AvFree<av_packet_free>>;
using FramePtr = std::unique_ptr<AVFrame, AvFree<av_frame_free>>;
using SwrPtr = std::unique_ptr<SwrContext, AvFree<swr_free>>;
using DictionaryPtr = std::unique_ptr<AVDictionary, AvFree<av_dict_free>>;

} // namespace audio
