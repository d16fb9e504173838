#include "audio/codecs/ffmpeg/open.h"

#include "audio/codecs/codec_abi.h"
#include "audio/codecs/ffmpeg/errors.h"

namespace audio {

namespace {

CodecPtr openCodec(const AVStream& stream, int* bassError) {
    const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
    if (!codec) {
        *bassError = QC_ERROR_CODEC;
        return nullptr;
    }
    CodecPtr context(avcodec_alloc_context3(codec));
    if (!context) {
        *bassError = QC_ERROR_MEM;
        return nullptr;
    }
    if (avcodec_parameters_to_context(context.get(), stream.codecpar) < 0) {
        *bassError = QC_ERROR_CODEC;
        return nullptr;
    }
    context->pkt_timebase = stream.time_base;
    context->thread_count = 1; // one decoder thread per stream already
    if (avcodec_open2(context.get(), codec, nullptr) < 0) {
        *bassError = QC_ERROR_CODEC;
        return nullptr;
    }
    return context;
}

} // namespace

std::unique_ptr<Decoder> openDecoder(DecoderParts parts, int* bassError) {
    AVFormatContext* format = parts.format.get();
    const int info = avformat_find_stream_info(format, nullptr);
    if (info < 0 && format->nb_streams == 0) {
        *bassError = bassErrorForOpen(info);
        return nullptr;
    }
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0) {
        *bassError = index == AVERROR_DECODER_NOT_FOUND ? QC_ERROR_CODEC : QC_ERROR_FILEFORM;
        return nullptr;
    }
    for (unsigned i = 0; i < format->nb_streams; ++i)
        if (static_cast<int>(i) != index)
            format->streams[i]->discard = AVDISCARD_ALL;
    if (format->streams[index]->codecpar->codec_id == AV_CODEC_ID_NONE) {
        *bassError = QC_ERROR_FILEFORM;
        return nullptr;
    }
    parts.streamIndex = index;
    parts.codec = openCodec(*format->streams[index], bassError);
    if (!parts.codec)
        return nullptr;
    return FfmpegDecoder::create(std::move(parts), bassError);
}

} // namespace audio
