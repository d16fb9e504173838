#include "audio/codecs/tags/content_kind.h"

#include "audio/codecs/tags/id3v2_header.h"

namespace audio::tags {
namespace {

// Files seen with a few tags in a row; a walk stops after this many.
constexpr int kMaxLeadingTags = 64;

constexpr std::string_view kAsfHeaderGuid("\x30\x26\xB2\x75\x8E\x66\xCF\x11", 8);

// Where the content starts: after the ID3v2 tags some writers put in front
// of any format.
int64_t afterLeadingTags(ByteReader& file) {
    int64_t at = 0;
    for (int i = 0; i < kMaxLeadingTags; ++i) {
        const auto header = file.bytes(at, kId3v2HeaderSize);
        if (!header)
            break;
        const auto length = id3v2TagLength(reinterpret_cast<const unsigned char*>(header->data()));
        if (!length)
            break;
        at += static_cast<int64_t>(*length);
    }
    return at;
}

bool isMpegFrameSync(const std::string& head) {
    const auto b0 = static_cast<unsigned char>(head[0]);
    const auto b1 = static_cast<unsigned char>(head[1]);
    return b0 == 0xFF && (b1 & 0xE0) == 0xE0;
}

bool isMp4(const std::string& head) {
    const std::string_view type = std::string_view(head).substr(4, 4);
    return type == "ftyp" || type == "moov" || type == "mdat" || type == "free" || type == "wide" ||
           type == "skip";
}

ContentKind kindAt(ByteReader& file, int64_t at) {
    const auto head = file.bytes(at, 16);
    if (!head)
        return ContentKind::Unknown;
    const std::string_view h(*head);
    if (h.substr(0, 4) == "RIFF" && h.substr(8, 4) == "WAVE")
        return ContentKind::Chunks;
    if (h.substr(0, 4) == "FORM" && (h.substr(8, 4) == "AIFF" || h.substr(8, 4) == "AIFC"))
        return ContentKind::Chunks;
    if (h.substr(0, 4) == "fLaC")
        return ContentKind::Flac;
    if (h.substr(0, 4) == "OggS")
        return ContentKind::Ogg;
    if (h.substr(0, 8) == kAsfHeaderGuid)
        return ContentKind::Asf;
    if (isMp4(*head))
        return ContentKind::Mp4;
    if (isMpegFrameSync(*head))
        return ContentKind::Mpeg;
    return ContentKind::Unknown;
}

} // namespace

ContentKind contentKind(ByteReader& file) {
    const int64_t start = afterLeadingTags(file);
    const ContentKind kind = kindAt(file, start);
    if (kind == ContentKind::Unknown && start > 0)
        return ContentKind::Mpeg;
    return kind;
}

} // namespace audio::tags
