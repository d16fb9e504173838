#include "audio/codecs/ffmpeg/ogg_chain.h"

#include <cstring>
#include <fstream>
#include <vector>

namespace audio {

namespace {

constexpr std::size_t kPageHeaderSize = 27;
constexpr unsigned char kBeginsStream = 0x02;
constexpr uint64_t kNoGranule = ~uint64_t{0};

uint32_t littleEndian(const unsigned char* p, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

uint64_t littleEndian64(const unsigned char* p) {
    return (uint64_t{littleEndian(p + 4, 4)} << 32) | littleEndian(p, 4);
}

// One logical stream of the chain.
struct Link {
    uint32_t serial = 0;
    int rate = 0;             // of the decoded audio
    uint64_t skipped = 0;     // granules before the first sample (Opus pre-skip)
    uint64_t lastGranule = 0; // of the stream's last page that ends a packet
};

// Rate and pre-skip from the first packet of a stream; false for a codec
// this reader does not know.
bool readIdentification(const std::vector<unsigned char>& p, Link* link) {
    if (p.size() >= 16 && std::memcmp(p.data(), "\x01vorbis", 7) == 0) {
        link->rate = static_cast<int>(littleEndian(&p[12], 4));
    } else if (p.size() >= 19 && std::memcmp(p.data(), "OpusHead", 8) == 0) {
        link->rate = 48000; // Opus always decodes at 48 kHz
        link->skipped = littleEndian(&p[10], 2);
    } else if (p.size() >= 30 && std::memcmp(p.data(),
                                             "\x7F"
                                             "FLAC",
                                             5) == 0) {
        // STREAMINFO follows "fLaC" and a block header: 20 bits of rate.
        link->rate = (p[27] << 12) | (p[28] << 4) | (p[29] >> 4);
    }
    return link->rate > 0;
}

class ChainReader {
public:
    explicit ChainReader(const std::string& path) : in_(path, std::ios::binary) {}

    // Walks every page header; false on anything but a clean chain.
    bool read() {
        while (readPage()) {
            if (!notePage())
                return false;
        }
        return clean_ && !links_.empty();
    }

    const std::vector<Link>& links() const { return links_; }

private:
    bool readPage() {
        unsigned char h[kPageHeaderSize];
        if (!in_.read(reinterpret_cast<char*>(h), sizeof h))
            return false; // the end (a partial header is damage the demuxer handles)
        if (std::memcmp(h, "OggS", 4) != 0 || h[4] != 0) {
            clean_ = false;
            return false;
        }
        flags_ = h[5];
        granule_ = littleEndian64(&h[6]);
        serial_ = littleEndian(&h[14], 4);
        lacing_.resize(h[26]);
        if (!in_.read(reinterpret_cast<char*>(lacing_.data()),
                      static_cast<std::streamsize>(lacing_.size()))) {
            clean_ = false;
            return false;
        }
        bodySize_ = 0;
        for (const unsigned char lace : lacing_)
            bodySize_ += lace;
        return true;
    }

    bool notePage() {
        if (flags_ & kBeginsStream)
            return beginLink();
        if (links_.empty() || links_.back().serial != serial_)
            return false; // streams side by side, or a page out of place
        in_.seekg(static_cast<std::streamoff>(bodySize_), std::ios::cur);
        if (granule_ != kNoGranule)
            links_.back().lastGranule = granule_;
        return static_cast<bool>(in_);
    }

    // The first packet of a stream fits its first page.
    bool beginLink() {
        std::vector<unsigned char> body(bodySize_);
        if (!in_.read(reinterpret_cast<char*>(body.data()),
                      static_cast<std::streamsize>(body.size())))
            return false;
        Link link;
        link.serial = serial_;
        if (!readIdentification(body, &link))
            return false;
        links_.push_back(link);
        return true;
    }

    std::ifstream in_;
    bool clean_ = true;
    unsigned char flags_ = 0;
    uint64_t granule_ = 0;
    uint32_t serial_ = 0;
    std::vector<unsigned char> lacing_;
    std::size_t bodySize_ = 0;
    std::vector<Link> links_;
};

} // namespace

std::optional<int64_t> chainedOggLength(const std::string& path, int outputRate) {
    ChainReader reader(path);
    if (!reader.read() || reader.links().size() < 2 || outputRate <= 0)
        return std::nullopt;
    double frames = 0;
    for (const Link& link : reader.links()) {
        const uint64_t samples =
            link.lastGranule > link.skipped ? link.lastGranule - link.skipped : 0;
        frames += static_cast<double>(samples) * outputRate / link.rate;
    }
    return static_cast<int64_t>(frames + 0.5);
}

} // namespace audio
