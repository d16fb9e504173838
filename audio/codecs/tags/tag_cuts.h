// The demuxer's view of a file without the cost of its tags. FFmpeg adds each
// tag entry to a dictionary whose every insertion looks through the entries
// before it, so a tag of a few hundred thousand entries holds an open for
// minutes. The demuxer reads the file with a few of its bytes overwritten:
// - tags the player takes from its tag reader become padding of the format
//   (WAV and AIFF tag chunks, ASF metadata objects), and the tags at the end
//   of MPEG audio (APE, ID3v1) are cut off the end of the view;
// - tags the demuxer itself takes something from are cut to their first
//   kMaxDemuxedItems entries and the rest made padding: Ogg comments (which
//   the decoder lists) and MP4 items (iTunes files keep their encoder delay
//   there).
// Nothing moves: positions in the view are positions in the file.
#pragma once

#include "audio/codecs/tags/byte_reader.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace audio::tags {

// Real files hold a few dozen entries; FFmpeg's cost for each grows with the
// number before it.
inline constexpr std::size_t kMaxDemuxedItems = 1024;

struct BytePatch {
    int64_t offset = 0;
    std::string bytes; // written over the file's bytes from offset on
};

struct TagCuts {
    std::vector<BytePatch> patches; // sorted by offset, none overlapping
    int64_t end = -1;               // where the view ends; -1: at the end of the file
};

// The cuts for the file whose audio (its container) begins at start, after
// any leading ID3v2 tags. FLAC files are left to flac_metadata.h.
TagCuts tagCuts(ByteReader& file, int64_t start);

// Merges adjacent records to be hidden into one record of padding, so that
// any number of them costs one patch.
class PaddingRuns {
public:
    // header(size) gives the header of a padding record of that whole size,
    // or nothing when the format cannot describe such a record.
    using Header = std::function<std::optional<std::string>(uint64_t size)>;
    PaddingRuns(TagCuts& cuts, Header header) : cuts_(cuts), header_(std::move(header)) {}
    ~PaddingRuns() { keep(); }
    PaddingRuns(const PaddingRuns&) = delete;
    PaddingRuns& operator=(const PaddingRuns&) = delete;

    // A record from offset to end that the demuxer need not see.
    void hide(int64_t offset, int64_t end);
    // A record the demuxer reads: it ends the current run.
    void keep();

private:
    TagCuts& cuts_;
    Header header_;
    int64_t runStart_ = -1;
    int64_t runEnd_ = -1;
};

} // namespace audio::tags
