#include "audio/codecs/tags/flac_metadata.h"

#include "audio/codecs/tags/vorbis_comment_block.h"

#include <cstring>

namespace audio::tags {
namespace {

// Real files have a handful of blocks; past this many the walk gives up
// rather than read a hostile file's header for long.
constexpr std::size_t kMaxBlocks = 4096;
constexpr unsigned char kLastBlock = 0x80;

std::string blockContent(const ReadAt& read, const FlacBlock& block) {
    std::string content(block.size, '\0');
    content.resize(
        read(block.offset + 4, reinterpret_cast<unsigned char*>(content.data()), content.size()));
    return content;
}

void appendBlock(std::string& out, int type, const std::string& content, bool last) {
    const auto size = static_cast<uint32_t>(content.size());
    out += static_cast<char>((last ? kLastBlock : 0) | type);
    out += static_cast<char>((size >> 16) & 0xFF);
    out += static_cast<char>((size >> 8) & 0xFF);
    out += static_cast<char>(size & 0xFF);
    out += content;
}

} // namespace

std::vector<FlacBlock> flacMetadataBlocks(const ReadAt& read, int64_t start) {
    unsigned char marker[4];
    if (read(start, marker, 4) != 4 || std::memcmp(marker, "fLaC", 4) != 0)
        return {};
    std::vector<FlacBlock> blocks;
    for (int64_t at = start + 4; blocks.size() < kMaxBlocks;) {
        unsigned char header[4];
        if (read(at, header, 4) != 4)
            return {};
        FlacBlock block;
        block.type = header[0] & 0x7F;
        block.last = (header[0] & kLastBlock) != 0;
        block.offset = at;
        block.size = (uint32_t{header[1]} << 16) | (uint32_t{header[2]} << 8) | header[3];
        blocks.push_back(block);
        if (block.last)
            return blocks;
        at = block.end();
    }
    return {};
}

std::optional<FlacHead> reducedFlacHead(const ReadAt& read, int64_t start,
                                        const std::vector<std::string_view>& names) {
    const std::vector<FlacBlock> blocks = flacMetadataBlocks(read, start);
    if (blocks.empty() || blocks.front().type != kFlacStreamInfo)
        return std::nullopt;
    const FlacBlock* comments = nullptr;
    for (const FlacBlock& block : blocks) {
        if (block.type == kFlacVorbisComment && !comments)
            comments = &block;
    }
    FlacHead head;
    head.bytes = "fLaC";
    appendBlock(head.bytes, kFlacStreamInfo, blockContent(read, blocks.front()), !comments);
    if (comments) {
        const std::string subset = vorbisCommentSubset(blockContent(read, *comments), names);
        appendBlock(head.bytes, kFlacVorbisComment, subset, true);
    }
    head.audioOffset = blocks.back().end();
    return head;
}

} // namespace audio::tags
