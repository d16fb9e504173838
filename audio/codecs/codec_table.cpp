// The codec module's entry: its C++ decoders, converter and HTTP client
// behind the plain C table of codec_abi.h.
#include "audio/codecs/codec_abi.h"

#include "audio/codecs/decoder.h"
#include "audio/codecs/format_converter.h"
#include "audio/codecs/net/document_fetch.h"
#include "audio/codecs/net/header_probe.h"
#include "audio/codecs/section_decoder.h"
#include "audio/codecs/tags/embedded_cue.h"
#include "audio/codecs/tags/tag_fields.h"

#include <memory>
#include <string>
#include <vector>

// The version in the file, for a program that checks the module without
// loading it.
extern "C" {
QC_DEFINE_ABI_NOTE(QC_ABI_VERSION);
}

struct QcDecoder {
    std::unique_ptr<audio::Decoder> decoder;
};

struct QcConverter {
    std::unique_ptr<audio::core::FormatConverter> converter;
    std::vector<float> frames;
};

namespace {

using audio::net::HttpLimits;

HttpLimits toLimits(const QcHttpLimits* given) {
    HttpLimits limits;
    if (!given)
        return limits;
    limits.connectTimeoutMs = static_cast<long>(given->connectTimeoutMs);
    limits.stallTimeoutMs = static_cast<long>(given->stallTimeoutMs);
    limits.deadlineMs = static_cast<long>(given->deadlineMs);
    limits.maxBodyBytes = given->maxBodyBytes;
    if (given->abortRequested) {
        limits.abortRequested = [check = given->abortRequested, context = given->abortContext] {
            return check(context) != 0;
        };
    }
    return limits;
}

void give(QcTextSink sink, void* context, int32_t kind, const std::string& text) {
    sink(context, kind, text.data(), text.size());
}

void giveAll(QcTextSink sink, void* context, int32_t kind, const std::vector<std::string>& texts) {
    for (const std::string& text : texts)
        give(sink, context, kind, text);
}

int32_t giveFailure(QcTextSink sink, void* context, const audio::net::HttpFailure& failure) {
    if (failure)
        give(sink, context, QC_TEXT_FAILURE, failure.detail);
    return static_cast<int32_t>(failure.kind);
}

void giveTags(QcTextSink sink, void* context, const audio::tags::TagFields& fields) {
    const std::string* const ordered[] = {&fields.artist, &fields.album,   &fields.year,
                                          &fields.disc,   &fields.track,   &fields.title,
                                          &fields.genre,  &fields.comment, &fields.composer};
    int32_t kind = QC_TEXT_ARTIST;
    for (const std::string* field : ordered)
        give(sink, context, kind++, *field);
}

QcDecoder* wrap(std::unique_ptr<audio::Decoder> decoder) {
    return decoder ? new QcDecoder{std::move(decoder)} : nullptr;
}

QcDecoder* openFile(const char* path, size_t length, int32_t* error) {
    int code = QC_OK;
    QcDecoder* decoder = wrap(audio::Decoder::openFile(std::string(path, length), &code));
    *error = code;
    return decoder;
}

QcDecoder* openUrl(const char* url, size_t length, int32_t followPlaylists,
                   const QcHttpLimits* limits, int32_t* error) {
    audio::net::HttpOpenOptions options;
    options.followPlaylists = followPlaylists != 0;
    options.limits = toLimits(limits);
    int code = QC_OK;
    QcDecoder* decoder = wrap(audio::Decoder::openUrl(std::string(url, length), options, &code));
    *error = code;
    return decoder;
}

void closeDecoder(QcDecoder* decoder) {
    delete decoder;
}

void decoderInfo(const QcDecoder* handle, QcDecoderInfo* info) {
    const audio::Decoder& decoder = *handle->decoder;
    const audio::DecodedFormat format = decoder.format();
    *info = QcDecoderInfo{format.sampleRate, format.channels, decoder.lengthFrames(),
                          decoder.isNetwork() ? 1 : 0};
}

int32_t decode(QcDecoder* decoder, float* out, int32_t maxFrames) {
    return decoder->decoder->decode(out, maxFrames);
}

int32_t seek(QcDecoder* decoder, int64_t frame) {
    return decoder->decoder->seek(frame) ? 1 : 0;
}

void cancel(QcDecoder* decoder) {
    decoder->decoder->cancel();
}

void decoderTexts(const QcDecoder* handle, int32_t which, QcTextSink sink, void* context) {
    const audio::Decoder& decoder = *handle->decoder;
    switch (which) {
    case QC_TEXTS_COMMENTS:
        return giveAll(sink, context, QC_TEXT_COMMENT, decoder.comments());
    case QC_TEXTS_HTTP:
        return giveAll(sink, context, QC_TEXT_HTTP_HEADER, decoder.httpHeaders());
    case QC_TEXTS_ICY:
        return giveAll(sink, context, QC_TEXT_ICY_HEADER, decoder.icyHeaders());
    case QC_TEXTS_METADATA:
        return give(sink, context, QC_TEXT_METADATA, decoder.metadata());
    case QC_TEXTS_TAGS:
        return giveTags(sink, context, decoder.tags());
    default:
        return;
    }
}

void setEventHandler(QcDecoder* decoder, QcEventHandler handler, void* context) {
    if (!handler) {
        decoder->decoder->setEventHandler(nullptr);
        return;
    }
    decoder->decoder->setEventHandler([handler, context](audio::DecoderEvent event) {
        handler(context, event == audio::DecoderEvent::MetadataChanged
                             ? QC_EVENT_METADATA_CHANGED
                             : QC_EVENT_OGG_STREAM_CHANGED);
    });
}

QcConverter* openConverter(int32_t inRate, int32_t inChannels, int32_t outRate) {
    return new QcConverter{audio::core::makeFormatConverter(inRate, inChannels, outRate), {}};
}

void closeConverter(QcConverter* converter) {
    delete converter;
}

int32_t converterValid(const QcConverter* converter) {
    return converter->converter->valid() ? 1 : 0;
}

size_t maxOutputFrames(const QcConverter* converter, size_t inFrames) {
    return converter->converter->maxOutputFrames(inFrames);
}

void giveFrames(QcConverter* converter, QcFrameSink sink, void* context) {
    sink(context, converter->frames.data(), converter->frames.size() / 2);
}

void convert(QcConverter* converter, const float* in, size_t inFrames, QcFrameSink sink,
             void* context) {
    converter->converter->convert(in, inFrames, converter->frames);
    giveFrames(converter, sink, context);
}

void flush(QcConverter* converter, QcFrameSink sink, void* context) {
    converter->converter->flush(converter->frames);
    giveFrames(converter, sink, context);
}

void resetConverter(QcConverter* converter) {
    converter->converter->reset();
}

int32_t fetchDocument(const char* url, size_t length, const QcHttpLimits* limits,
                      QcProgress progress, void* progressContext, QcTextSink sink, void* context) {
    audio::net::FetchProgress report;
    if (progress)
        report = [progress, progressContext](int64_t total) { progress(progressContext, total); };
    const audio::net::FetchedDocument fetched =
        audio::net::fetchDocument(std::string(url, length), toLimits(limits), report);
    give(sink, context, QC_TEXT_BODY, fetched.body);
    give(sink, context, QC_TEXT_FINAL_URL, fetched.finalUrl);
    return giveFailure(sink, context, fetched.failure);
}

int32_t probeHeaders(const char* url, size_t length, const QcHttpLimits* limits, QcTextSink sink,
                     void* context) {
    const audio::net::ProbedHeaders probed =
        audio::net::probeHeaders(std::string(url, length), toLimits(limits));
    giveAll(sink, context, QC_TEXT_ICY_HEADER, probed.icyLines);
    giveAll(sink, context, QC_TEXT_HTTP_HEADER, probed.httpLines);
    return giveFailure(sink, context, probed.failure);
}

void readFilePicture(const char* path, size_t length, QcTextSink sink, void* context) {
    const std::string picture = audio::tags::readFilePicture(std::string(path, length));
    if (!picture.empty())
        give(sink, context, QC_TEXT_PICTURE, picture);
}

int32_t narrowToSection(QcDecoder* handle, int64_t startFrame, int64_t endFrame) {
    auto section =
        std::make_unique<audio::SectionDecoder>(std::move(handle->decoder), startFrame, endFrame);
    const bool fits = section->open();
    handle->decoder = std::move(section);
    return fits ? 1 : 0;
}

void readEmbeddedCueSheet(const char* path, size_t length, QcTextSink sink, void* context) {
    const std::string sheet = audio::tags::readEmbeddedCueSheet(std::string(path, length));
    if (!sheet.empty())
        give(sink, context, QC_TEXT_BODY, sheet);
}

} // namespace

extern "C" const QcCodecTable* quaverly_codec_table(void) {
    static const QcCodecTable table{QC_ABI_VERSION,
                                    sizeof(QcCodecTable),
                                    &openFile,
                                    &openUrl,
                                    &closeDecoder,
                                    &decoderInfo,
                                    &decode,
                                    &seek,
                                    &cancel,
                                    &decoderTexts,
                                    &setEventHandler,
                                    &openConverter,
                                    &closeConverter,
                                    &converterValid,
                                    &maxOutputFrames,
                                    &convert,
                                    &flush,
                                    &resetConverter,
                                    &fetchDocument,
                                    &probeHeaders,
                                    &readFilePicture,
                                    &narrowToSection,
                                    &readEmbeddedCueSheet};
    return &table;
}
