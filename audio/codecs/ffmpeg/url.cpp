// Decoder::openUrl: an http/https stream through net::HttpSource and FFmpeg.
#include "audio/codecs/codec_abi.h"
#include "audio/codecs/decoder.h"
#include "audio/codecs/ffmpeg/errors.h"
#include "audio/codecs/ffmpeg/leading_tags.h"
#include "audio/codecs/ffmpeg/network.h"
#include "audio/codecs/ffmpeg/open.h"
#include "text/header_text.h"

namespace audio {

namespace {

// Probing a live stream for its format would wait seconds for data; this
// much is enough to recognise any of the stream formats.
constexpr int64_t kProbeBytes = 32768;
constexpr int64_t kAnalyzeMicroseconds = 500000;

int bassErrorFor(net::HttpOpenError error) {
    switch (error) {
    case net::HttpOpenError::BadUrl:
    case net::HttpOpenError::HttpStatus:
    case net::HttpOpenError::Refused:
        return QC_ERROR_FILEOPEN;
    case net::HttpOpenError::Connect:
        return QC_ERROR_NONET;
    case net::HttpOpenError::Timeout:
    case net::HttpOpenError::Deadline:
        return QC_ERROR_TIMEOUT;
    case net::HttpOpenError::Aborted:
        return QC_ERROR_ENDED;
    case net::HttpOpenError::Tls:
        return QC_ERROR_SSL;
    case net::HttpOpenError::NotAudio:
    case net::HttpOpenError::TooLarge:
        return QC_ERROR_FILEFORM;
    case net::HttpOpenError::Unavailable:
        return QC_ERROR_NOTAVAIL;
    case net::HttpOpenError::None:
        break;
    }
    return QC_ERROR_UNKNOWN;
}

// The demuxer a Content-Type names; null lets FFmpeg probe the bytes.
const AVInputFormat* demuxerFor(const std::string& contentType) {
    const std::string type = text::mediaType(contentType);
    const char* name = nullptr;
    if (type == "audio/mpeg" || type == "audio/mp3" || type == "audio/x-mpeg")
        name = "mp3";
    else if (type == "audio/aac" || type == "audio/aacp" || type == "audio/x-aac")
        name = "aac";
    else if (type == "application/ogg" || type == "audio/ogg" || type == "audio/x-ogg" ||
             type == "audio/opus" || type == "audio/vorbis")
        name = "ogg";
    else if (type == "audio/flac" || type == "audio/x-flac")
        name = "flac";
    return name ? av_find_input_format(name) : nullptr;
}

} // namespace

std::unique_ptr<Decoder> Decoder::openUrl(const std::string& url,
                                          const net::HttpOpenOptions& options, int* bassError) {
    int ignored = 0;
    int* error = bassError ? bassError : &ignored;
    net::HttpFailure failure;
    std::unique_ptr<net::HttpSource> source = net::HttpSource::open(url, options, &failure);
    if (!source) {
        *error = bassErrorFor(failure.kind);
        return nullptr;
    }
    const bool live = source->contentLength() < 0;
    const AVInputFormat* demuxer = demuxerFor(source->contentType());
    auto input = std::make_unique<NetworkInput>(std::move(source));
    auto view = input->io() ? std::make_unique<AudioView>(input->io(), TagPassage::Read) : nullptr;
    input->tagsPassed();
    AVFormatContext* format = avformat_alloc_context();
    if (!view || !view->io() || !format) {
        avformat_free_context(format);
        *error = QC_ERROR_MEM;
        return nullptr;
    }
    format->pb = view->io();
    // A demuxer that cannot place a seek without reading up to it (MP3
    // without a table of contents) places it by the bit rate instead: over
    // the network that read would take as long as the server sends it.
    format->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_FAST_SEEK;
    format->probesize = kProbeBytes;
    format->format_probesize = static_cast<int>(kProbeBytes);
    format->max_analyze_duration = kAnalyzeMicroseconds;
    const int opened = avformat_open_input(&format, url.c_str(), demuxer, nullptr);
    if (opened < 0) { // avformat_open_input has freed the context
        const net::HttpFailure ended = input->source().failure();
        *error = ended                    ? bassErrorFor(ended.kind)
                 : opened == AVERROR(EIO) ? QC_ERROR_FILEOPEN
                                          : QC_ERROR_FILEFORM;
        return nullptr;
    }
    DecoderParts parts;
    // Known once the open is done: a server that ignored a Range request
    // while the demuxer looked at the stream's end is not seekable.
    parts.seekable = !live && input->source().seekable();
    parts.input = std::move(input);
    parts.view = std::move(view);
    parts.format.reset(format);
    parts.live = live;
    return openDecoder(std::move(parts), error);
}

} // namespace audio
