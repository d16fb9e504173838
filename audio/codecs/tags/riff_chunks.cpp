#include "audio/codecs/tags/riff_chunks.h"

#include <algorithm>

namespace audio::tags {
namespace {

constexpr std::size_t kChunkHeaderSize = 8;

// Chunks whose content is a tag, for either kind of form.
constexpr std::string_view kTagChunks[] = {"LIST", "id3 ", "ID3 ", "NAME", "AUTH", "(c) ", "ANNO"};

bool isTagChunk(std::string_view id) {
    return std::find(std::begin(kTagChunks), std::end(kTagChunks), id) != std::end(kTagChunks);
}

// True for big-endian sizes (AIFF), false for RIFF; nothing for neither.
std::optional<bool> formAt(ByteReader& file, int64_t start) {
    const auto head = file.bytes(start, 12);
    if (!head)
        return std::nullopt;
    const std::string_view form(*head);
    if (form.substr(0, 4) == "RIFF" && form.substr(8, 4) == "WAVE")
        return false;
    if (form.substr(0, 4) == "FORM" && (form.substr(8, 4) == "AIFF" || form.substr(8, 4) == "AIFC"))
        return true;
    return std::nullopt;
}

void addInfoItems(std::string_view data, const std::vector<std::string_view>& ids,
                  std::map<std::string, std::string>& items) {
    for (std::size_t at = 4; at + kChunkHeaderSize <= data.size();) {
        const std::string_view id = data.substr(at, 4);
        const auto size = static_cast<std::size_t>(
            littleEndianOf(reinterpret_cast<const unsigned char*>(data.data() + at + 4), 4));
        at += kChunkHeaderSize;
        if (size > data.size() - at)
            return;
        if (ids.empty() || std::find(ids.begin(), ids.end(), id) != ids.end()) {
            std::string_view text = data.substr(at, size);
            items.emplace(std::string(id), std::string(text.substr(0, text.find('\0'))));
        }
        at += size + (size & 1);
    }
}

} // namespace

bool forEachChunk(ByteReader& file, int64_t start, const std::function<bool(const Chunk&)>& visit) {
    const auto bigEndian = formAt(file, start);
    if (!bigEndian)
        return false;
    for (int64_t at = start + 12; at + static_cast<int64_t>(kChunkHeaderSize) <= file.size();) {
        const auto id = file.bytes(at, 4);
        const auto size = *bigEndian ? file.bigEndian(at + 4, 4) : file.littleEndian(at + 4, 4);
        if (!id || !size)
            break;
        const Chunk chunk{at, *id, static_cast<uint32_t>(*size)};
        if (!visit(chunk) || chunk.end() > file.size())
            break;
        at = chunk.end();
    }
    return true;
}

void hideChunkTags(ByteReader& file, int64_t start, TagCuts& cuts) {
    const auto bigEndian = formAt(file, start);
    if (!bigEndian)
        return;
    PaddingRuns runs(cuts, [&](uint64_t size) -> std::optional<std::string> {
        if (size < kChunkHeaderSize || size - kChunkHeaderSize > 0xFFFFFFFFu)
            return std::nullopt;
        const uint64_t data = size - kChunkHeaderSize;
        return "JUNK" + (*bigEndian ? bigEndianBytes(data, 4) : littleEndianBytes(data, 4));
    });
    forEachChunk(file, start, [&](const Chunk& chunk) {
        if (isTagChunk(chunk.id) && chunk.end() <= file.size())
            runs.hide(chunk.offset, chunk.end());
        else
            runs.keep();
        return true;
    });
}

ChunkTags chunkTags(ByteReader& file, const std::vector<std::string_view>& infoIds) {
    ChunkTags tags;
    bool haveId3 = false;
    forEachChunk(file, 0, [&](const Chunk& chunk) {
        const bool id3 = chunk.id == "id3 " || chunk.id == "ID3 ";
        const bool text = chunk.id == "NAME" || chunk.id == "AUTH";
        if ((id3 && haveId3) || (text && tags.aiffText.count(chunk.id)) ||
            (!id3 && !text && chunk.id != "LIST"))
            return true;
        const auto data = file.bytes(
            chunk.dataStart(), std::min<int64_t>(chunk.size, file.size() - chunk.dataStart()));
        if (!data)
            return true;
        if (id3) {
            tags.id3 = *data;
            haveId3 = true;
        } else if (text) {
            tags.aiffText.emplace(chunk.id, data->substr(0, data->find('\0')));
        } else if (data->compare(0, 4, "INFO") == 0) {
            addInfoItems(*data, infoIds, tags.info);
        }
        return true;
    });
    return tags;
}

} // namespace audio::tags
