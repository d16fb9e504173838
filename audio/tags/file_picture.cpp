// The picture embedded in a local file, through FFmpeg, which reads them all
// as attached-picture streams: ID3v2 APIC frames, FLAC picture blocks, MP4
// cover atoms, Vorbis comment pictures and ASF picture attributes.
#include "decoder_av.h"
#include "tags/tag_fields.h"

#include <cstring>

namespace audio::tags {

namespace {

// Larger pictures are left out: a cover is a few hundred kilobytes at most.
constexpr int kMaxPictureBytes = 16 * 1024 * 1024;

bool IsFrontCover(const AVStream& stream) {
    const AVDictionaryEntry* kind = av_dict_get(stream.metadata, "comment", nullptr, 0);
    return kind && std::strcmp(kind->value, "Cover (front)") == 0;
}

} // namespace

std::string readFilePicture(const std::string& utf8Path) {
    // As for decoding: the "file:" prefix keeps a colon in the name from
    // naming a protocol, and nothing but local files is opened.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVFormatContext* raw = nullptr;
    const int opened = avformat_open_input(&raw, ("file:" + utf8Path).c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0)
        return {};
    const FormatPtr format(raw);
    const AVStream* chosen = nullptr;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        const AVPacket& picture = stream->attached_pic;
        if (!(stream->disposition & AV_DISPOSITION_ATTACHED_PIC) || picture.size <= 0 ||
            picture.size > kMaxPictureBytes)
            continue;
        if (!chosen || (IsFrontCover(*stream) && !IsFrontCover(*chosen)))
            chosen = stream;
    }
    if (!chosen)
        return {};
    return std::string(reinterpret_cast<const char*>(chosen->attached_pic.data),
                       static_cast<size_t>(chosen->attached_pic.size));
}

} // namespace audio::tags
