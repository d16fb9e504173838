#include "audio/codecs/tags/embedded_cue.h"

#include "audio/codecs/tags/byte_reader.h"
#include "audio/codecs/tags/flac_metadata.h"
#include "audio/codecs/tags/leading_id3v2.h"
#include "audio/codecs/tags/tail_tags.h"
#include "audio/codecs/tags/vorbis_comment_block.h"

#include <algorithm>
#include <cstdio>
#include <strings.h>

namespace audio::tags {

namespace {

constexpr int kFlacCueSheet = 5;
constexpr std::string_view kCueSheetName = "CUESHEET";
// Comments looked through for the sheet; real files have a few dozen.
constexpr std::size_t kMaxComments = 4096;
// The CUESHEET block: catalog (128), lead-in (8), flags (1), reserved (258),
// track count (1); each track: offset (8), number (1), ISRC (12), flags (1),
// reserved (13), index count (1); each index: offset (8), number (1),
// reserved (3).
constexpr std::size_t kCueHeaderSize = 396;
constexpr std::size_t kCueTrackSize = 36;
constexpr std::size_t kCueIndexSize = 12;
constexpr int kLeadOutCd = 170;
constexpr int kLeadOutOther = 255;

std::string blockBytes(ByteReader& file, const FlacBlock& block) {
    return file.bytes(block.offset + 4, block.size).value_or(std::string());
}

int streamInfoRate(const std::string& streamInfo) {
    if (streamInfo.size() < 13)
        return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(streamInfo.data());
    return static_cast<int>(bigEndianOf(bytes + 10, 3) >> 4);
}

std::string commentSheet(const std::string& block) {
    for (const std::string& comment : vorbisCommentList(block, kMaxComments)) {
        if (comment.size() > kCueSheetName.size() && comment[kCueSheetName.size()] == '=' &&
            strncasecmp(comment.data(), kCueSheetName.data(), kCueSheetName.size()) == 0)
            return comment.substr(kCueSheetName.size() + 1);
    }
    return {};
}

std::string flacSheet(ByteReader& file, int64_t start) {
    const ReadAt read = [&file](int64_t offset, unsigned char* buffer, std::size_t size) {
        const auto got = file.bytes(offset, size);
        if (!got)
            return std::size_t{0};
        std::copy(got->begin(), got->end(), buffer);
        return got->size();
    };
    const std::vector<FlacBlock> blocks = flacMetadataBlocks(read, start);
    if (blocks.empty() || blocks.front().type != kFlacStreamInfo)
        return {};
    std::string fromBlock;
    for (const FlacBlock& block : blocks) {
        if (block.size > kMaxEmbeddedCueBytes)
            continue;
        if (block.type == kFlacVorbisComment) {
            std::string sheet = commentSheet(blockBytes(file, block));
            if (!sheet.empty())
                return sheet;
        } else if (block.type == kFlacCueSheet && fromBlock.empty()) {
            fromBlock = cueSheetOfFlacBlock(blockBytes(file, block),
                                            streamInfoRate(blockBytes(file, blocks.front())));
        }
    }
    return fromBlock;
}

// The value of the first CUESHEET item of the APE tag at the end.
std::string apeSheet(ByteReader& file) {
    const TailTags tail = tailTags(file);
    if (!tail.ape || tail.ape->end - tail.ape->offset > int64_t(kMaxEmbeddedCueBytes))
        return {};
    const auto subset = apeSubset(file, *tail.ape, {kCueSheetName});
    // The copy: a 32-byte header, the item (value size, flags, key, NUL,
    // value), a 32-byte footer.
    constexpr std::size_t kFrame = 32;
    if (!subset || subset->size() < 2 * kFrame + 8)
        return {};
    const std::string_view item(subset->data() + kFrame, subset->size() - 2 * kFrame);
    const uint64_t valueSize =
        littleEndianOf(reinterpret_cast<const unsigned char*>(item.data()), 4);
    const std::size_t keyEnd = item.find('\0', 8);
    if (keyEnd == std::string_view::npos || valueSize > item.size() - keyEnd - 1)
        return {};
    return std::string(item.substr(keyEnd + 1, valueSize));
}

std::string cueTime(uint64_t cdFrames) {
    char text[32];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu",
                  static_cast<unsigned long long>(cdFrames / 75 / 60),
                  static_cast<unsigned long long>(cdFrames / 75 % 60),
                  static_cast<unsigned long long>(cdFrames % 75));
    return text;
}

} // namespace

std::string cueSheetOfFlacBlock(const std::string& block, int sampleRate) {
    if (sampleRate <= 0 || block.size() < kCueHeaderSize)
        return {};
    const auto* bytes = reinterpret_cast<const unsigned char*>(block.data());
    const std::size_t tracks = bytes[kCueHeaderSize - 1];
    std::string sheet = "FILE \"\" WAVE\n";
    std::size_t at = kCueHeaderSize;
    for (std::size_t t = 0; t < tracks; ++t) {
        if (at + kCueTrackSize > block.size())
            return {};
        const uint64_t offset = bigEndianOf(bytes + at, 8);
        const int number = bytes[at + 8];
        const bool audio = (bytes[at + 21] & 0x80) == 0;
        const std::size_t indices = bytes[at + 35];
        at += kCueTrackSize;
        if (at + indices * kCueIndexSize > block.size())
            return {};
        if (number == kLeadOutCd || number == kLeadOutOther)
            break;
        sheet += "TRACK " + std::to_string(number) + (audio ? " AUDIO\n" : " MODE1/2352\n");
        for (std::size_t i = 0; i < indices; ++i, at += kCueIndexSize) {
            const uint64_t start = offset + bigEndianOf(bytes + at, 8);
            // Beyond any real file's length: the sum cannot overflow below.
            if (start > (uint64_t(1) << 48))
                return {};
            sheet += "INDEX " + std::to_string(bytes[at + 8]) + " " +
                     cueTime(start * 75 / static_cast<uint64_t>(sampleRate)) + "\n";
        }
    }
    return sheet;
}

std::string readEmbeddedCueSheet(const std::string& utf8Path) {
    FileReader file(utf8Path);
    const int64_t start = static_cast<int64_t>(leadingId3v2(utf8Path).size());
    std::string sheet = flacSheet(file.reader(), start);
    if (sheet.empty())
        sheet = apeSheet(file.reader());
    return sheet.size() > kMaxEmbeddedCueBytes ? std::string() : sheet;
}

} // namespace audio::tags
