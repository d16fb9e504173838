#include "audio/codecs/tags/tag_cuts.h"

#include "audio/codecs/tags/asf_metadata.h"
#include "audio/codecs/tags/mp4_items.h"
#include "audio/codecs/tags/ogg_comments.h"
#include "audio/codecs/tags/riff_chunks.h"
#include "audio/codecs/tags/tail_tags.h"

#include <algorithm>

namespace audio::tags {
namespace {

const std::string kAsfHeader("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C",
                             16);

// The atom types an MP4 file starts with.
constexpr std::string_view kMp4FirstAtoms[] = {"ftyp", "moov", "mdat", "free", "skip", "wide"};

bool isMp4(std::string_view head) {
    return head.size() >= 8 && std::find(std::begin(kMp4FirstAtoms), std::end(kMp4FirstAtoms),
                                         head.substr(4, 4)) != std::end(kMp4FirstAtoms);
}

// An MPEG audio frame or ADTS header: eleven set bits of frame sync.
bool isMpegAudio(std::string_view head) {
    return head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0xFF &&
           (static_cast<unsigned char>(head[1]) & 0xE0) == 0xE0;
}

} // namespace

void PaddingRuns::hide(int64_t offset, int64_t end) {
    if (runStart_ >= 0 && offset == runEnd_) {
        runEnd_ = end;
        return;
    }
    keep();
    runStart_ = offset;
    runEnd_ = end;
}

void PaddingRuns::keep() {
    if (runStart_ < 0)
        return;
    if (auto header = header_(static_cast<uint64_t>(runEnd_ - runStart_)))
        cuts_.patches.push_back({runStart_, std::move(*header)});
    runStart_ = -1;
}

TagCuts tagCuts(ByteReader& file, int64_t start) {
    TagCuts cuts;
    const std::string head = file.bytes(start, 16).value_or(std::string());
    if (head.compare(0, 4, "OggS") == 0) {
        cutOggComments(file, start, cuts);
    } else if (head.compare(0, 4, "RIFF") == 0 || head.compare(0, 4, "FORM") == 0) {
        hideChunkTags(file, start, cuts);
    } else if (head == kAsfHeader) {
        hideAsfMetadata(file, start, cuts);
    } else if (isMp4(head)) {
        cutMp4Items(file, start, cuts);
    } else if (isMpegAudio(head)) {
        const int64_t end = tailTags(file).audioEnd;
        if (end > start && end < file.size())
            cuts.end = end;
    }
    std::sort(cuts.patches.begin(), cuts.patches.end(),
              [](const BytePatch& a, const BytePatch& b) { return a.offset < b.offset; });
    return cuts;
}

} // namespace audio::tags
