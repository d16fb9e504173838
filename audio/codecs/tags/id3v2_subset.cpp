#include "audio/codecs/tags/id3v2_subset.h"

#include "audio/codecs/tags/id3v2_header.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <span>

namespace audio::tags {
namespace {

// The frames file_tags.cpp reads, under their ID3v2.3/2.4 and ID3v2.2 names
// (TagLib turns TYER into the year of TDRC).
constexpr std::string_view kWanted[] = {"TPE1", "TALB", "TYER", "TDRC", "TPOS",
                                        "TRCK", "TIT2", "TCON", "COMM", "TCOM"};
constexpr std::string_view kWantedV22[] = {"TP1", "TAL", "TYE", "TPA", "TRK",
                                           "TT2", "TCO", "COM", "TCM"};
constexpr std::string_view kPictures[] = {"APIC"};
constexpr std::string_view kPicturesV22[] = {"PIC"};
// A file holds a front cover and perhaps a back cover, an artist photo...
constexpr std::size_t kPicturesKept = 8;

struct FrameSelection {
    std::span<const std::string_view> ids;
    std::span<const std::string_view> idsV22;
    std::size_t perKind;
};

constexpr FrameSelection kTitleFrames{kWanted, kWantedV22, 1};
constexpr FrameSelection kPictureFrames{kPictures, kPicturesV22, kPicturesKept};

constexpr unsigned char kUnsynchronised = 0x80;
constexpr unsigned char kExtendedHeader = 0x40;
constexpr unsigned char kCompressedV22 = 0x40;

uint32_t bigEndian(std::string_view bytes) {
    uint32_t value = 0;
    for (const char c : bytes)
        value = (value << 8) | static_cast<unsigned char>(c);
    return value;
}

uint32_t syncSafe(std::string_view bytes) {
    uint32_t value = 0;
    for (const char c : bytes)
        value = (value << 7) | (static_cast<unsigned char>(c) & 0x7F);
    return value;
}

void appendSyncSafe(std::string& out, uint32_t value) {
    for (int shift = 21; shift >= 0; shift -= 7)
        out += static_cast<char>((value >> shift) & 0x7F);
}

void appendBigEndian(std::string& out, uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

// Undoes the unsynchronisation scheme: every 0xFF 0x00 pair was a 0xFF.
std::string resynchronised(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out += bytes[i];
        if (static_cast<unsigned char>(bytes[i]) == 0xFF && i + 1 < bytes.size() &&
            bytes[i + 1] == 0)
            ++i;
    }
    return out;
}

bool isFrameId(std::string_view id) {
    return std::all_of(id.begin(), id.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

class FrameWalk {
public:
    FrameWalk(int version, std::string_view body, const FrameSelection& selection)
        : version_(version), body_(body), selection_(selection) {}

    // The kept frames, each with its size written the way its version wants:
    // the first of each wanted id, and the first comment without a
    // description (the one readers show) when the first has one.
    std::string keptFrames(std::size_t start) {
        std::string out;
        std::map<std::string_view, std::size_t> kept;
        bool plainComment = false;
        for (std::size_t pos = start; pos + headerSize() <= body_.size();) {
            const std::string_view id = body_.substr(pos, idSize());
            const std::size_t size = frameSize(pos);
            if (!isFrameId(id) || size == 0 || size > body_.size() - pos - headerSize())
                break;
            const bool comment = id == "COMM" || id == "COM";
            const bool plain = comment && !plainComment && hasNoDescription(pos, size);
            if (wanted(id) && (++kept[id] <= selection_.perKind || plain))
                appendFrame(out, pos, size);
            plainComment = plainComment || plain;
            pos += headerSize() + size;
        }
        return out;
    }

private:
    std::size_t idSize() const { return version_ == 2 ? 3 : 4; }
    std::size_t headerSize() const { return version_ == 2 ? 6 : 10; }

    bool wanted(std::string_view id) const {
        const auto ids = version_ == 2 ? selection_.idsV22 : selection_.ids;
        return std::find(ids.begin(), ids.end(), id) != ids.end();
    }

    std::size_t frameSize(std::size_t pos) const {
        const std::string_view field = body_.substr(pos + idSize(), version_ == 2 ? 3 : 4);
        if (version_ != 4)
            return bigEndian(field);
        // Some writers put plain sizes into 2.4 tags. A size with a byte of
        // 128 or more cannot be syncsafe, so it is plain; otherwise the plain
        // reading is taken when only it lands on the next frame. TagLib and
        // the other common readers decide the same way.
        const std::size_t plain = bigEndian(field);
        if (std::any_of(field.begin(), field.end(), [](char c) { return c & 0x80; }))
            return plain;
        const std::size_t safe = syncSafe(field);
        if (safe > 127 && !landsOnFrame(pos + headerSize() + safe) &&
            landsOnFrame(pos + headerSize() + plain))
            return plain;
        return safe;
    }

    // A comment frame's body: encoding, language, description, text. Frames
    // with flags that change the body (2.4 unsynchronisation, compression,
    // a data length indicator) count as described.
    bool hasNoDescription(std::size_t pos, std::size_t size) const {
        const std::size_t flagsAt = pos + idSize() + 4;
        if (version_ == 4 && (static_cast<unsigned char>(body_[flagsAt + 1]) & 0x0F) != 0)
            return false;
        if (version_ == 3 && (static_cast<unsigned char>(body_[flagsAt + 1]) & 0xE0) != 0)
            return false;
        std::string_view frame = body_.substr(pos + headerSize(), size);
        if (frame.size() < 5)
            return false;
        const char encoding = frame[0];
        std::string_view description = frame.substr(4);
        if (encoding == 1 &&
            ((description.starts_with("\xFF\xFE") || description.starts_with("\xFE\xFF"))))
            description.remove_prefix(2);
        const bool wide = encoding == 1 || encoding == 2;
        return wide ? description.starts_with(std::string_view("\0\0", 2)) : description[0] == 0;
    }

    bool landsOnFrame(std::size_t pos) const {
        return pos <= body_.size() && body_.size() - pos >= 4 && isFrameId(body_.substr(pos, 4));
    }

    void appendFrame(std::string& out, std::size_t pos, std::size_t size) const {
        out.append(body_.substr(pos, idSize()));
        if (version_ == 4)
            appendSyncSafe(out, static_cast<uint32_t>(size));
        else
            appendBigEndian(out, static_cast<uint32_t>(size), version_ == 2 ? 3 : 4);
        out.append(body_.substr(pos + idSize() + (version_ == 2 ? 3 : 4),
                                headerSize() - idSize() - (version_ == 2 ? 3 : 4) + size));
    }

    int version_;
    std::string_view body_;
    const FrameSelection& selection_;
};

// Where the frames begin: after the extended header, if there is one.
std::size_t framesStart(int version, unsigned char flags, std::string_view body) {
    if (version == 2 || !(flags & kExtendedHeader) || body.size() < 4)
        return 0;
    // 2.3 counts the size field out, 2.4 counts it in (and keeps it syncsafe).
    const std::size_t size =
        version == 3 ? bigEndian(body.substr(0, 4)) + 4 : syncSafe(body.substr(0, 4));
    return std::min(size, body.size());
}

std::optional<std::string> subsetOf(std::string_view tag, const FrameSelection& selection) {
    if (tag.size() < kId3v2HeaderSize)
        return std::nullopt;
    const auto length = id3v2TagLength(reinterpret_cast<const unsigned char*>(tag.data()));
    const int version = static_cast<unsigned char>(tag[3]);
    const auto flags = static_cast<unsigned char>(tag[5]);
    if (!length || version < 2 || version > 4 || (version == 2 && (flags & kCompressedV22)))
        return std::nullopt;
    const std::size_t declared = syncSafe(tag.substr(6, 4));
    std::string_view body = tag.substr(kId3v2HeaderSize, declared);
    // 2.4 marks unsynchronisation on each frame, which the copy keeps.
    std::string resynced;
    if ((flags & kUnsynchronised) && version < 4) {
        resynced = resynchronised(body);
        body = resynced;
    }
    const std::string frames =
        FrameWalk(version, body, selection).keptFrames(framesStart(version, flags, body));
    std::string out{'I', 'D', '3', static_cast<char>(version), 0, 0};
    appendSyncSafe(out, static_cast<uint32_t>(frames.size()));
    return out + frames;
}

} // namespace

std::optional<std::string> id3v2Subset(std::string_view tag) {
    return subsetOf(tag, kTitleFrames);
}

std::optional<std::string> id3v2PictureSubset(std::string_view tag) {
    return subsetOf(tag, kPictureFrames);
}

} // namespace audio::tags
