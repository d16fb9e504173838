#include "audio/codecs/tags/byte_reader.h"

#include <algorithm>
#include <cstring>

namespace audio::tags {
namespace {

constexpr int64_t kWindowSize = 64 * 1024;
// What one read may ask of a source of unknown size.
constexpr std::size_t kMaxUnboundedRead = 16 * 1024 * 1024;

int64_t fileSize(std::ifstream& in) {
    in.seekg(0, std::ios::end);
    const auto size = static_cast<int64_t>(in.tellg());
    return in ? size : 0;
}

} // namespace

ByteReader::ByteReader(ReadAt read, int64_t size) : read_(std::move(read)), size_(size) {}

bool ByteReader::holds(int64_t offset, std::size_t size) const {
    return offset >= 0 &&
           (size_ < 0 || (offset <= size_ && size <= static_cast<uint64_t>(size_ - offset)));
}

bool ByteReader::read(int64_t offset, unsigned char* out, std::size_t size) {
    if (!holds(offset, size))
        return false;
    if (size > static_cast<std::size_t>(kWindowSize / 2))
        return read_(offset, out, size) == size;
    const bool inWindow =
        windowStart_ >= 0 && offset >= windowStart_ &&
        offset + static_cast<int64_t>(size) <= windowStart_ + static_cast<int64_t>(window_.size());
    if (!inWindow) {
        // A walk back from the end of a file reads before the window: the
        // new window ends where such a read ends.
        const int64_t start =
            windowStart_ >= 0 && offset < windowStart_
                ? std::max<int64_t>(0, offset + static_cast<int64_t>(size) - kWindowSize)
                : offset;
        window_.resize(static_cast<std::size_t>(kWindowSize));
        window_.resize(read_(start, window_.data(), window_.size()));
        windowStart_ = start;
        if (window_.size() < static_cast<std::size_t>(offset - start) + size)
            return false;
    }
    std::memcpy(out, window_.data() + (offset - windowStart_), size);
    return true;
}

std::optional<std::string> ByteReader::bytes(int64_t offset, std::size_t size) {
    // A size read from a hostile file must not become an allocation.
    if (!holds(offset, size) || (size_ < 0 && size > kMaxUnboundedRead))
        return std::nullopt;
    std::string out(size, '\0');
    if (!read(offset, reinterpret_cast<unsigned char*>(out.data()), size))
        return std::nullopt;
    return out;
}

std::optional<uint64_t> ByteReader::littleEndian(int64_t offset, int bytes) {
    unsigned char buffer[8];
    if (!read(offset, buffer, static_cast<std::size_t>(bytes)))
        return std::nullopt;
    return littleEndianOf(buffer, bytes);
}

std::optional<uint64_t> ByteReader::bigEndian(int64_t offset, int bytes) {
    unsigned char buffer[8];
    if (!read(offset, buffer, static_cast<std::size_t>(bytes)))
        return std::nullopt;
    return bigEndianOf(buffer, bytes);
}

bool ByteReader::startsWith(int64_t offset, std::string_view text) {
    const auto found = bytes(offset, text.size());
    return found && *found == text;
}

FileReader::FileReader(const std::string& path)
    : in_(path, std::ios::binary),
      reader_(
          [this](int64_t offset, unsigned char* buffer, std::size_t size) {
              in_.clear();
              in_.seekg(offset);
              in_.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(size));
              return static_cast<std::size_t>(in_.gcount());
          },
          fileSize(in_)) {}

uint64_t littleEndianOf(const unsigned char* bytes, int count) {
    uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}

uint64_t bigEndianOf(const unsigned char* bytes, int count) {
    uint64_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

std::string littleEndianBytes(uint64_t value, int count) {
    std::string out(static_cast<std::size_t>(count), '\0');
    for (int i = 0; i < count; ++i)
        out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::string bigEndianBytes(uint64_t value, int count) {
    std::string out = littleEndianBytes(value, count);
    std::reverse(out.begin(), out.end());
    return out;
}

} // namespace audio::tags
