#include "audio/codecs/ffmpeg/comments.h"

#include "audio/codecs/ffmpeg/av.h"
#include "audio/codecs/tags/vorbis_comment_block.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace audio {

namespace {

std::string upperCase(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

std::string vorbisName(std::string_view ffmpegName) {
    if (ffmpegName == "track")
        return "TRACKNUMBER";
    if (ffmpegName == "disc")
        return "DISCNUMBER";
    if (ffmpegName == "album_artist")
        return "ALBUMARTIST";
    return upperCase(ffmpegName);
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

std::vector<std::string> flacComments(const std::string& block) {
    std::vector<std::string> comments = tags::vorbisCommentList(block, kMaxFlacComments);
    for (std::string& comment : comments) {
        const std::size_t equals = std::min(comment.find('='), comment.size());
        comment.replace(0, equals, upperCase(std::string_view(comment).substr(0, equals)));
    }
    return comments;
}

} // namespace audio
