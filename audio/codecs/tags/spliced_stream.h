// A read-only TagLib stream of a file whose first bytes are replaced by
// others, so that TagLib reads a substitute for a file's leading tag along
// with the rest of the file (the tags at its end).
#pragma once

#include <taglib/tfilestream.h>
#include <taglib/tiostream.h>

#include <string>

namespace audio::tags {

class SplicedStream final : public TagLib::IOStream {
public:
    // The stream reads head, then the file from byte restStart on.
    SplicedStream(const std::string& path, const std::string& head, long restStart);

    TagLib::FileName name() const override;
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override;
    void seek(long offset, Position from) override;
    long tell() const override { return position_; }
    long length() override;
    void truncate(long) override {}

private:
    TagLib::FileStream rest_;
    TagLib::ByteVector head_;
    long restStart_;
    long position_ = 0;
};

} // namespace audio::tags
