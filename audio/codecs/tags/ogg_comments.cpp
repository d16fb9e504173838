#include "audio/codecs/tags/ogg_comments.h"

#include <algorithm>
#include <cstring>
#include <map>

extern "C" {
#include <libavutil/bswap.h>
#include <libavutil/crc.h>
}

namespace audio::tags {
namespace {

constexpr std::size_t kPageHeaderSize = 27;
constexpr std::size_t kChecksumAt = 22;
// The comment count follows the vendor text; a count further into the packet
// than this is left as it is.
constexpr std::size_t kCountWithin = 64 * 1024;
// Identification headers are a few dozen bytes; a first packet that runs on
// further is no codec's, and following it would read the whole file.
constexpr std::size_t kMaxFirstPacket = 64 * 1024;

struct Page {
    int64_t offset = 0;
    uint32_t serial = 0;
    std::string lacing;
    int64_t bodyOffset = 0;
    int64_t end = 0;
};

std::optional<Page> pageAt(ByteReader& file, int64_t offset) {
    const auto header = file.bytes(offset, kPageHeaderSize);
    if (!header || header->compare(0, 4, "OggS") != 0 || (*header)[4] != 0)
        return std::nullopt;
    const auto* h = reinterpret_cast<const unsigned char*>(header->data());
    Page page;
    page.offset = offset;
    page.serial = static_cast<uint32_t>(littleEndianOf(h + 14, 4));
    const auto lacing = file.bytes(offset + kPageHeaderSize, h[26]);
    if (!lacing)
        return std::nullopt;
    page.lacing = *lacing;
    page.bodyOffset = offset + static_cast<int64_t>(kPageHeaderSize + page.lacing.size());
    page.end = page.bodyOffset;
    for (const char lace : page.lacing)
        page.end += static_cast<unsigned char>(lace);
    return page;
}

// Bytes before the comment block in the second packet, from the first
// packet's codec; nothing for a codec without comments there.
std::optional<std::size_t> blockPrefix(std::string_view first, std::string_view second) {
    const auto starts = [](std::string_view packet, std::string_view with) {
        return packet.substr(0, with.size()) == with;
    };
    if (starts(first, "\x01vorbis") && starts(second, "\x03vorbis"))
        return 7;
    if (starts(first, "OpusHead") && starts(second, "OpusTags"))
        return 8;
    if (starts(first, "\x7F"
                      "FLAC") &&
        !second.empty() && (static_cast<unsigned char>(second[0]) & 0x7F) == 4)
        return 4; // a metadata block header
    if (starts(first, "Speex   "))
        return 0;
    return std::nullopt;
}

// Collects the first two packets of the stream whose first page is at start,
// the second up to most bytes. Each page's part of a packet is one read.
class PacketCollector {
public:
    explicit PacketCollector(std::size_t most) : most_(most) {}

    bool collect(ByteReader& file, int64_t start) {
        std::optional<uint32_t> serial;
        for (int64_t at = start; packets_ < 2 && second.packet.size() < most_;) {
            const auto page = pageAt(file, at);
            if (!page)
                return false;
            at = page->end;
            if (serial && *serial != page->serial)
                continue;
            serial = page->serial;
            if (!takePage(file, *page))
                return false;
        }
        return true;
    }

    std::string first;
    OggCommentPacket second;

private:
    bool takePage(ByteReader& file, const Page& page) {
        int64_t at = page.bodyOffset;
        int64_t from = at; // of the current packet's part on this page
        for (const char c : page.lacing) {
            at += static_cast<unsigned char>(c);
            if (static_cast<unsigned char>(c) < 255) {
                if (!take(file, page, from, at))
                    return false;
                from = at;
                if (++packets_ == 2)
                    return true;
            }
        }
        return take(file, page, from, at);
    }

    // The bytes from begin to end of the page belong to the current packet.
    bool take(ByteReader& file, const Page& page, int64_t begin, int64_t end) {
        const std::size_t room = most_ - second.packet.size();
        if (packets_ == 1 && static_cast<uint64_t>(end - begin) > room)
            end = begin + static_cast<int64_t>(room);
        const auto bytes = file.bytes(begin, static_cast<std::size_t>(end - begin));
        if (!bytes)
            return false;
        if (packets_ == 0) {
            if (first.size() + bytes->size() > kMaxFirstPacket)
                return false;
            first += *bytes;
        } else if (packets_ == 1 && !bytes->empty()) {
            second.spans.push_back({page.offset, begin, second.packet.size(), bytes->size()});
            second.packet += *bytes;
        }
        return true;
    }

    std::size_t most_;
    int packets_ = 0;
};

// The page checksum: CRC-32 with polynomial 0x04C11DB7, not reflected, from 0.
uint32_t oggChecksum(const std::string& page) {
    // FFmpeg's table for it gives the value with its bytes swapped.
    return av_bswap32(av_crc(av_crc_get_table(AV_CRC_32_IEEE), 0,
                             reinterpret_cast<const uint8_t*>(page.data()), page.size()));
}

} // namespace

std::optional<OggCommentPacket> oggCommentPacket(ByteReader& file, int64_t start,
                                                 std::size_t most) {
    PacketCollector collector(most);
    if (!collector.collect(file, start))
        return std::nullopt;
    const auto prefix = blockPrefix(collector.first, collector.second.packet);
    if (!prefix || *prefix > collector.second.packet.size())
        return std::nullopt;
    collector.second.blockStart = *prefix;
    return std::move(collector.second);
}

void cutOggComments(ByteReader& file, int64_t start, TagCuts& cuts) {
    const auto comments = oggCommentPacket(file, start, kCountWithin);
    if (!comments)
        return;
    const std::string_view block = comments->block();
    if (block.size() < 4)
        return;
    const auto* bytes = reinterpret_cast<const unsigned char*>(block.data());
    const std::size_t countAt = 4 + littleEndianOf(bytes, 4);
    if (countAt > block.size() - 4 || littleEndianOf(bytes + countAt, 4) <= kMaxDemuxedItems)
        return;
    // Each byte of the new count goes where the file holds that byte of the
    // packet; each page it lands on gets its checksum again.
    const std::string count = littleEndianBytes(kMaxDemuxedItems, 4);
    std::map<int64_t, std::string> pages; // offset -> the page as the demuxer reads it
    for (std::size_t i = 0; i < count.size(); ++i) {
        const std::size_t pos = comments->blockStart + countAt + i;
        for (const OggCommentPacket::Span& span : comments->spans) {
            if (pos < span.packetPos || pos >= span.packetPos + span.length)
                continue;
            const int64_t at = span.fileOffset + static_cast<int64_t>(pos - span.packetPos);
            if (!pages.count(span.page)) {
                const auto page = pageAt(file, span.page);
                const auto whole =
                    page ? file.bytes(span.page, page->end - span.page) : std::nullopt;
                if (!whole)
                    return;
                pages[span.page] = *whole;
            }
            pages[span.page][at - span.page] = count[i];
            cuts.patches.push_back({at, count.substr(i, 1)});
        }
    }
    for (auto& [offset, page] : pages) {
        std::memset(page.data() + kChecksumAt, 0, 4);
        cuts.patches.push_back(
            {offset + static_cast<int64_t>(kChecksumAt), littleEndianBytes(oggChecksum(page), 4)});
    }
}

} // namespace audio::tags
