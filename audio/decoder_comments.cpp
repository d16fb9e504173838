#include "decoder_comments.h"

#include "decoder_av.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace audio {

namespace {

std::string vorbisName(std::string_view ffmpegName) {
    if (ffmpegName == "track")
        return "TRACKNUMBER";
    if (ffmpegName == "disc")
        return "DISCNUMBER";
    if (ffmpegName == "album_artist")
        return "ALBUMARTIST";
    std::string name(ffmpegName);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name;
}

void appendEntries(const AVDictionary* dict, std::vector<std::string>* out) {
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = av_dict_get(dict, "", entry, AV_DICT_IGNORE_SUFFIX)))
        out->push_back(vorbisName(entry->key) + "=" + entry->value);
}

} // namespace

bool carriesVorbisComments(int codecId) {
    return codecId == AV_CODEC_ID_VORBIS || codecId == AV_CODEC_ID_OPUS ||
           codecId == AV_CODEC_ID_FLAC || codecId == AV_CODEC_ID_SPEEX;
}

std::vector<std::string> vorbisComments(const AVDictionary* formatMetadata,
                                        const AVDictionary* streamMetadata) {
    std::vector<std::string> out;
    appendEntries(formatMetadata, &out);
    appendEntries(streamMetadata, &out);
    return out;
}

} // namespace audio
