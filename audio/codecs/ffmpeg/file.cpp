// Decoder::openFile: local files through FFmpeg's file protocol only.
#include "audio/codecs/codec_abi.h"
#include "audio/codecs/decoder.h"
#include "audio/codecs/ffmpeg/errors.h"
#include "audio/codecs/ffmpeg/mp3_gapless.h"
#include "audio/codecs/ffmpeg/open.h"

#include <string_view>

#include <sys/stat.h>

namespace audio {

namespace {

// The whitelist keeps playlist-like formats from reaching out of the file.
DictionaryPtr fileOnly() {
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    return DictionaryPtr(options);
}

bool demuxedBy(const AVFormatContext& format, std::string_view name) {
    return format.iformat && name == format.iformat->name;
}

} // namespace

std::unique_ptr<Decoder> Decoder::openFile(const std::string& path, int* bassError) {
    int ignored = 0;
    int* error = bassError ? bassError : &ignored;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        *error = QC_ERROR_FILEOPEN;
        return nullptr;
    }
    // The "file:" prefix keeps a name with a colon from being read as a
    // protocol.
    const std::string url = "file:" + path;
    DictionaryPtr options = fileOnly();
    AVIOContext* rawIo = nullptr;
    AVDictionary* ioOptions = options.release();
    const int ioOpened = avio_open2(&rawIo, url.c_str(), AVIO_FLAG_READ, nullptr, &ioOptions);
    options.reset(ioOptions);
    if (ioOpened < 0) {
        *error = bassErrorForOpen(ioOpened);
        return nullptr;
    }
    DecoderParts parts;
    parts.fileIo.reset(rawIo);
    parts.path = path;
    parts.view = std::make_unique<AudioView>(rawIo, TagPassage::Seek);
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw || !parts.view->io()) {
        avformat_free_context(raw);
        *error = QC_ERROR_MEM;
        return nullptr;
    }
    raw->pb = parts.view->io();
    options = fileOnly();
    AVDictionary* formatOptions = options.release();
    const int opened = avformat_open_input(&raw, url.c_str(), nullptr, &formatOptions);
    options.reset(formatOptions);
    if (opened < 0) { // avformat_open_input has freed the context
        *error = bassErrorForOpen(opened);
        return nullptr;
    }
    parts.format.reset(raw);
    if (demuxedBy(*raw, "mp3"))
        parts.exactLength = mp3GaplessLength(path, parts.view->audioStart());
    return openDecoder(std::move(parts), error);
}

} // namespace audio
