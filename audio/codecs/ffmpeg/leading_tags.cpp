#include "audio/codecs/ffmpeg/leading_tags.h"

#include "audio/codecs/tags/flac_metadata.h"
#include "audio/codecs/tags/id3v2_header.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace audio {

namespace {

// A larger first tag of a network stream is read through but not kept.
constexpr std::size_t kMaxKeptTag = 8 * 1024 * 1024;
constexpr std::size_t kDiscardChunk = 64 * 1024;
// Demuxers seek back to the start while they read a header; a buffer that
// keeps the first reads lets them do so without a new request to a server.
constexpr int kViewBufferSize = 128 * 1024;

} // namespace

AudioView::AudioView(AVIOContext* source, TagPassage passage) : source_(source) {
    passTags(passage);
    if (passage == TagPassage::Seek)
        cutTags();
    openView();
}

AudioView::~AudioView() {
    if (view_) {
        av_freep(&view_->buffer);
        avio_context_free(&view_);
    }
}

int AudioView::readSource(uint8_t* buffer, int size) {
    return source_->read_packet(source_->opaque, buffer, size);
}

// Up to size bytes, fewer only at the end or on an error.
int AudioView::readFully(uint8_t* buffer, int size) {
    int done = 0;
    while (done < size) {
        const int got = readSource(buffer + done, size - done);
        if (got <= 0)
            break;
        done += got;
    }
    return done;
}

// Reads the rest of a tag whose header has just been read. Keeps the whole
// tag in *keep when it is given (as much of it as the stream holds).
void AudioView::readRest(std::size_t length, std::string* keep) {
    const std::size_t rest = length - tags::kId3v2HeaderSize;
    if (keep) {
        keep->resize(length);
        auto* into = reinterpret_cast<uint8_t*>(keep->data()) + tags::kId3v2HeaderSize;
        const int got = readFully(into, static_cast<int>(rest));
        keep->resize(tags::kId3v2HeaderSize + static_cast<std::size_t>(got));
        return;
    }
    std::vector<uint8_t> discard(std::min(rest, kDiscardChunk));
    for (std::size_t left = rest; left > 0;) {
        const int wanted = static_cast<int>(std::min(left, discard.size()));
        const int got = readFully(discard.data(), wanted);
        if (got < wanted)
            return;
        left -= static_cast<std::size_t>(got);
    }
}

void AudioView::passTags(TagPassage passage) {
    const int64_t size = source_->seek ? source_->seek(source_->opaque, 0, AVSEEK_SIZE) : -1;
    for (;;) {
        uint8_t header[tags::kId3v2HeaderSize];
        const int got = readFully(header, sizeof header);
        const auto length =
            got == static_cast<int>(sizeof header) ? tags::id3v2TagLength(header) : std::nullopt;
        if (!length || (size >= 0 && audioStart_ + static_cast<int64_t>(*length) > size)) {
            pending_.assign(reinterpret_cast<const char*>(header),
                            static_cast<std::size_t>(std::max(got, 0)));
            return;
        }
        if (passage == TagPassage::Read) {
            const bool keep = audioStart_ == 0 && *length <= kMaxKeptTag;
            if (keep)
                firstTag_.assign(reinterpret_cast<const char*>(header), sizeof header);
            readRest(*length, keep ? &firstTag_ : nullptr);
        }
        audioStart_ += static_cast<int64_t>(*length);
        if (passage == TagPassage::Seek &&
            source_->seek(source_->opaque, audioStart_, SEEK_SET) != audioStart_)
            return;
    }
}

// Looks for the tags the demuxer would spend long on, then goes back to the
// audio: the bytes read while looking for leading tags are read again.
void AudioView::cutTags() {
    const tags::ReadAt readAt = [this](int64_t offset, unsigned char* buffer, std::size_t size) {
        if (source_->seek(source_->opaque, offset, SEEK_SET) != offset)
            return std::size_t{0};
        return static_cast<std::size_t>(readFully(buffer, static_cast<int>(size)));
    };
    if (!hideFlacComments(readAt)) {
        tags::ByteReader file(readAt, source_->seek(source_->opaque, 0, AVSEEK_SIZE));
        tags::TagCuts cuts = tags::tagCuts(file, audioStart_);
        for (tags::BytePatch& p : cuts.patches)
            patches_.push_back({p.offset - audioStart_, std::move(p.bytes)});
        end_ = cuts.end;
    }
    source_->seek(source_->opaque, audioStart_, SEEK_SET);
    pending_.clear();
    pendingPos_ = 0;
}

// True for a FLAC file: its first comment block is kept for the decoder, and
// each one is made padding.
bool AudioView::hideFlacComments(const tags::ReadAt& readAt) {
    const auto blocks = tags::flacMetadataBlocks(readAt, audioStart_);
    for (const tags::FlacBlock& block : blocks) {
        if (block.type != tags::kFlacVorbisComment)
            continue;
        if (!flacComments_) {
            std::string comments(block.size, '\0');
            auto* into = reinterpret_cast<unsigned char*>(comments.data());
            comments.resize(readAt(block.offset + 4, into, block.size));
            flacComments_ = std::move(comments);
        }
        const char header = static_cast<char>((block.last ? 0x80 : 0) | tags::kFlacPadding);
        patches_.push_back({block.offset - audioStart_, std::string(1, header)});
    }
    return !blocks.empty();
}

// The bytes of the view's patches that fall in the buffer just read.
void AudioView::patch(uint8_t* buffer, int size) const {
    const int64_t end = position_ + size;
    auto p = std::lower_bound(patches_.begin(), patches_.end(), position_,
                              [](const tags::BytePatch& patch, int64_t position) {
                                  return patch.offset + static_cast<int64_t>(patch.bytes.size()) <=
                                         position;
                              });
    for (; p != patches_.end() && p->offset < end; ++p) {
        for (std::size_t i = 0; i < p->bytes.size(); ++i) {
            const int64_t at = p->offset + static_cast<int64_t>(i);
            if (at >= position_ && at < end)
                buffer[at - position_] = static_cast<uint8_t>(p->bytes[i]);
        }
    }
}

void AudioView::openView() {
    auto* buffer = static_cast<unsigned char*>(av_malloc(kViewBufferSize));
    if (!buffer)
        return;
    // The seek function also tells the size of a source that cannot move.
    view_ = avio_alloc_context(buffer, kViewBufferSize, 0, this, &AudioView::readBytes, nullptr,
                               source_->seek ? &AudioView::seekBytes : nullptr);
    if (!view_) {
        av_free(buffer);
        return;
    }
    view_->seekable = source_->seekable;
}

// The bytes read while looking for a tag come first, with what the source
// gives at once after them.
int AudioView::readBytes(void* self, uint8_t* buffer, int size) {
    auto* view = static_cast<AudioView*>(self);
    if (view->end_ >= 0) {
        const int64_t left = view->end_ - view->audioStart_ - view->position_;
        if (left <= 0)
            return AVERROR_EOF;
        size = static_cast<int>(std::min<int64_t>(size, left));
    }
    const std::size_t n =
        std::min(static_cast<std::size_t>(size), view->pending_.size() - view->pendingPos_);
    std::memcpy(buffer, view->pending_.data() + view->pendingPos_, n);
    view->pendingPos_ += n;
    int total = static_cast<int>(n);
    if (total < size) {
        const int got = view->readSource(buffer + n, size - total);
        if (got <= 0 && total == 0)
            return got;
        total += std::max(got, 0);
    }
    view->patch(buffer, total);
    view->position_ += total;
    return total;
}

int64_t AudioView::viewSize() const {
    const int64_t size = end_ >= 0 ? end_ : source_->seek(source_->opaque, 0, AVSEEK_SIZE);
    return size < 0 ? size : std::max<int64_t>(size - audioStart_, 0);
}

int64_t AudioView::seekBytes(void* self, int64_t offset, int whence) {
    auto* view = static_cast<AudioView*>(self);
    AVIOContext* source = view->source_;
    if (whence & AVSEEK_SIZE)
        return view->viewSize();
    if ((whence & ~AVSEEK_FORCE) != SEEK_SET)
        return AVERROR(EINVAL);
    if (!(source->seekable & AVIO_SEEKABLE_NORMAL))
        return AVERROR(ENOSYS);
    const int64_t reached = source->seek(source->opaque, offset + view->audioStart_, SEEK_SET);
    if (reached < 0)
        return reached;
    view->pending_.clear(); // the source has moved past them
    view->pendingPos_ = 0;
    view->position_ = reached - view->audioStart_;
    return view->position_;
}

} // namespace audio
