#include "audio/codecs/tags/tail_tags.h"

#include <algorithm>
#include <strings.h>

namespace audio::tags {
namespace {

constexpr int64_t kId3v1Size = 128;
constexpr int64_t kApeFrameSize = 32; // its header and its footer alike
constexpr uint32_t kApeHasHeader = 1u << 31;
constexpr uint32_t kApeIsHeader = 1u << 29;
// Real files end in one or two tags; a walk stops after this many.
constexpr int kMaxTailTags = 1 << 20;

// The APE footer's fields.
struct ApeFooter {
    uint32_t tagSize = 0; // items and footer
    uint32_t items = 0;
    uint32_t flags = 0;
};

std::optional<ApeFooter> apeFooterAt(ByteReader& file, int64_t offset) {
    const auto frame = file.bytes(offset, kApeFrameSize);
    if (!frame || frame->compare(0, 8, "APETAGEX") != 0)
        return std::nullopt;
    const auto* f = reinterpret_cast<const unsigned char*>(frame->data());
    ApeFooter footer{static_cast<uint32_t>(littleEndianOf(f + 12, 4)),
                     static_cast<uint32_t>(littleEndianOf(f + 16, 4)),
                     static_cast<uint32_t>(littleEndianOf(f + 20, 4))};
    if ((footer.flags & kApeIsHeader) || footer.tagSize < kApeFrameSize)
        return std::nullopt;
    return footer;
}

// The APE tag that ends at end, when one does.
std::optional<TailTags::Span> apeEndingAt(ByteReader& file, int64_t end) {
    const auto footer = apeFooterAt(file, end - kApeFrameSize);
    if (!footer)
        return std::nullopt;
    const int64_t size = footer->tagSize + ((footer->flags & kApeHasHeader) ? kApeFrameSize : 0);
    if (size > end)
        return std::nullopt;
    return TailTags::Span{end - size, end};
}

void appendApeFrame(std::string& out, const ApeFooter& footer, uint32_t extraFlags) {
    out += "APETAGEX" + littleEndianBytes(2000, 4) + littleEndianBytes(footer.tagSize, 4) +
           littleEndianBytes(footer.items, 4) + littleEndianBytes(footer.flags | extraFlags, 4) +
           std::string(8, '\0');
}

} // namespace

TailTags tailTags(ByteReader& file) {
    TailTags tags;
    tags.audioEnd = file.size();
    bool sawId3v1 = false;
    for (int walked = 0; walked < kMaxTailTags; ++walked) {
        const int64_t end = tags.audioEnd;
        if (end >= kId3v1Size && file.startsWith(end - kId3v1Size, "TAG")) {
            tags.audioEnd -= kId3v1Size;
            sawId3v1 = true;
            continue;
        }
        const auto ape = apeEndingAt(file, end);
        if (!ape)
            return tags;
        // A reader looks right before the last ID3v1 tag, or at the end.
        const bool found = end == file.size() || (sawId3v1 && end == file.size() - kId3v1Size);
        if (found)
            tags.ape = ape;
        tags.audioEnd = ape->offset;
    }
    return tags;
}

std::optional<std::string> apeSubset(ByteReader& file, const TailTags::Span& ape,
                                     const std::vector<std::string_view>& keys) {
    const auto footer = apeFooterAt(file, ape.end - kApeFrameSize);
    if (!footer)
        return std::nullopt;
    const int64_t itemsStart = ape.end - footer->tagSize;
    const auto items = file.bytes(itemsStart, footer->tagSize - kApeFrameSize);
    if (!items)
        return std::nullopt;
    std::string kept;
    uint32_t keptCount = 0;
    std::vector<std::string_view> seen;
    std::string_view rest(*items);
    for (uint32_t i = 0; i < footer->items && rest.size() >= 9; ++i) {
        const auto* h = reinterpret_cast<const unsigned char*>(rest.data());
        const uint64_t valueSize = littleEndianOf(h, 4);
        const std::size_t keyEnd = rest.find('\0', 8);
        if (keyEnd == std::string_view::npos || valueSize > rest.size() - keyEnd - 1)
            break;
        const std::string_view key = rest.substr(8, keyEnd - 8);
        const std::size_t itemSize = keyEnd + 1 + static_cast<std::size_t>(valueSize);
        const auto same = [&](std::string_view other) {
            return other.size() == key.size() &&
                   strncasecmp(other.data(), key.data(), key.size()) == 0;
        };
        if (std::any_of(keys.begin(), keys.end(), same) &&
            std::none_of(seen.begin(), seen.end(), same)) {
            kept.append(rest.substr(0, itemSize));
            ++keptCount;
            seen.push_back(key);
        }
        rest.remove_prefix(itemSize);
    }
    ApeFooter reduced{static_cast<uint32_t>(kept.size() + kApeFrameSize), keptCount,
                      footer->flags | kApeHasHeader};
    std::string out;
    appendApeFrame(out, reduced, kApeIsHeader);
    out += kept;
    appendApeFrame(out, reduced, 0);
    return out;
}

} // namespace audio::tags
