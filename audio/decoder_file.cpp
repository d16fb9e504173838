// Decoder::openFile: local files through FFmpeg's file protocol only.
#include "bass.h"
#include "decoder.h"
#include "decoder_errors.h"
#include "decoder_mp3_gapless.h"
#include "decoder_open.h"

#include <string_view>

#include <sys/stat.h>

namespace audio {

std::unique_ptr<Decoder> Decoder::openFile(const std::string& path, int* bassError) {
    int ignored = 0;
    int* error = bassError ? bassError : &ignored;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        *error = BASS_ERROR_FILEOPEN;
        return nullptr;
    }
    // The "file:" prefix keeps a name with a colon from being read as a
    // protocol; the whitelist keeps playlist-like formats from reaching out.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    DictionaryPtr ownedOptions(options);
    AVFormatContext* raw = nullptr;
    const int opened = avformat_open_input(&raw, ("file:" + path).c_str(), nullptr, &options);
    ownedOptions.release();
    ownedOptions.reset(options);
    if (opened < 0) {
        *error = bassErrorForOpen(opened);
        return nullptr;
    }
    DecoderParts parts;
    parts.format.reset(raw);
    if (raw->iformat && std::string_view(raw->iformat->name) == "mp3")
        parts.exactLength = mp3GaplessLength(path);
    return openDecoder(std::move(parts), error);
}

} // namespace audio
