// The picture embedded in a local file. An ID3v2 tag at the start is walked
// here and only its pictures are handed to TagLib (a tag of a few hundred
// thousand frames would hold FFmpeg for minutes); the other formats' pictures
// (FLAC picture blocks, MP4 cover atoms, Vorbis comment pictures) come from
// FFmpeg, which reads the file through the decoder's view, with the tags it
// would otherwise parse entry by entry cut as for playback.
#include "audio/codecs/ffmpeg/av.h"
#include "audio/codecs/ffmpeg/leading_tags.h"
#include "audio/codecs/tags/id3v2_subset.h"
#include "audio/codecs/tags/leading_id3v2.h"
#include "audio/codecs/tags/tag_fields.h"

#include <cstring>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>

namespace audio::tags {

namespace {

// Larger pictures are left out: a cover is a few hundred kilobytes at most.
constexpr int kMaxPictureBytes = 16 * 1024 * 1024;
// Zeros after a tag copy, where TagLib looks for an ID3v1 or APE tag.
constexpr unsigned kTrailingZeros = 128;

bool IsFrontCover(const AVStream& stream) {
    const AVDictionaryEntry* kind = av_dict_get(stream.metadata, "comment", nullptr, 0);
    return kind && std::strcmp(kind->value, "Cover (front)") == 0;
}

// The front cover among the pictures of a leading ID3v2 tag, else its first
// picture; empty when it has none.
std::string id3v2Picture(const std::string& tag) {
    const std::optional<std::string> pictures = id3v2PictureSubset(tag);
    if (!pictures)
        return {};
    TagLib::ByteVector bytes(pictures->data(), static_cast<unsigned>(pictures->size()));
    bytes.append(TagLib::ByteVector(kTrailingZeros, '\0'));
    TagLib::ByteVectorStream stream(bytes);
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!file.isOpen() || !file.ID3v2Tag())
        return {};
    const TagLib::ID3v2::AttachedPictureFrame* chosen = nullptr;
    for (const TagLib::ID3v2::Frame* frame : file.ID3v2Tag()->frameList("APIC")) {
        const auto* picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (!picture || picture->picture().isEmpty() ||
            picture->picture().size() > static_cast<unsigned>(kMaxPictureBytes))
            continue;
        const auto front = TagLib::ID3v2::AttachedPictureFrame::FrontCover;
        if (!chosen || (picture->type() == front && chosen->type() != front))
            chosen = picture;
    }
    if (!chosen)
        return {};
    return std::string(chosen->picture().data(), chosen->picture().size());
}

// The front cover among the attached pictures FFmpeg finds in the file's
// container, else the first; empty when there is none.
std::string demuxedPicture(const std::string& utf8Path) {
    // As for decoding: the "file:" prefix keeps a colon in the name from
    // naming a protocol, and nothing but local files is opened.
    const std::string url = "file:" + utf8Path;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVIOContext* rawIo = nullptr;
    const int ioOpened = avio_open2(&rawIo, url.c_str(), AVIO_FLAG_READ, nullptr, &options);
    av_dict_free(&options);
    if (ioOpened < 0)
        return {};
    const IoPtr io(rawIo); // closed after the view and the demuxer that read it
    AudioView view(rawIo, TagPassage::Seek);
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw || !view.io()) {
        avformat_free_context(raw);
        return {};
    }
    raw->pb = view.io();
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const int opened = avformat_open_input(&raw, url.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) // avformat_open_input has freed the context
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

} // namespace

std::string readFilePicture(const std::string& utf8Path) {
    std::string picture = id3v2Picture(leadingId3v2(utf8Path));
    return picture.empty() ? demuxedPicture(utf8Path) : picture;
}

} // namespace audio::tags
