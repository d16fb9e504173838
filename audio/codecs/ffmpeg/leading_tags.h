// The demuxer's view of a stream: from the first byte after the ID3v2 tags it
// starts with, and for a file, with the cost of its other tags taken away.
// FFmpeg parses every frame of such a tag, and every tag entry of any
// format, into its metadata at a cost that grows with the square of their
// number (40,000 ID3 frames took half a minute, 390,000 Ogg comments more
// than five minutes); the title fields come from the tag reader instead. So
// the demuxer reads the stream from the first byte after the leading tags,
// takes a FLAC comment block for padding, and reads the other formats' tags
// cut or hidden as tags/tag_cuts.h describes.
#pragma once

#include "audio/codecs/ffmpeg/av.h"
#include "audio/codecs/tags/tag_cuts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace audio {

enum class TagPassage {
    Seek, // a file: seek over the tags
    Read, // a network stream, where a seek is a new request: read through
          // them, keeping the first tag
};

class AudioView {
public:
    // Reads the source through its read and seek functions (never through its
    // buffer) from its start, passing the tags. A tag that would end beyond
    // the end of a stream of known size is left to the demuxer, as is
    // anything that is not a complete ID3v2 header. With TagPassage::Seek it
    // also looks for the tags the demuxer should not parse.
    AudioView(AVIOContext* source, TagPassage passage);
    ~AudioView();
    AudioView(const AudioView&) = delete;
    AudioView& operator=(const AudioView&) = delete;

    // What the demuxer reads, positions counted from audioStart(). Null when
    // it could not be allocated.
    AVIOContext* io() const { return view_; }
    int64_t audioStart() const { return audioStart_; }
    // The first tag's bytes when they were read (TagPassage::Read), handed
    // over once: a cover may make them megabytes the playback has no use for.
    std::string takeFirstTag() { return std::move(firstTag_); }
    // The FLAC comment block the demuxer does not see (files only).
    const std::optional<std::string>& flacComments() const { return flacComments_; }

private:
    int readSource(uint8_t* buffer, int size);
    int readFully(uint8_t* buffer, int size);
    void readRest(std::size_t length, std::string* keep);
    void passTags(TagPassage passage);
    bool hideFlacComments(const tags::ReadAt& readAt);
    void cutTags();
    int64_t viewSize() const;
    void patch(uint8_t* buffer, int size) const;
    void openView();
    static int readBytes(void* self, uint8_t* buffer, int size);
    static int64_t seekBytes(void* self, int64_t offset, int whence);

    AVIOContext* source_;
    AVIOContext* view_ = nullptr;
    int64_t audioStart_ = 0;
    std::string firstTag_;
    std::string pending_; // read while looking for a tag: the audio's first bytes
    std::size_t pendingPos_ = 0;
    int64_t position_ = 0;                 // of the next byte the demuxer reads
    std::vector<tags::BytePatch> patches_; // offsets counted from audioStart_, sorted
    int64_t end_ = -1;                     // of the view in the source; -1: the source's end
    std::optional<std::string> flacComments_;
};

} // namespace audio
