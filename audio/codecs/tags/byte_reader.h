// Random access to the bytes of a file for the walkers of tag structures.
// Small reads go through a window of the file, so a walk over hundreds of
// thousands of small records (chunks, atoms, pages) costs few reads of the
// file itself.
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace audio::tags {

// Reads up to size bytes at offset into buffer; returns how many it read.
using ReadAt = std::function<std::size_t(int64_t offset, unsigned char* buffer, std::size_t size)>;

class ByteReader {
public:
    // size: the file's size, or -1 when it is not known.
    ByteReader(ReadAt read, int64_t size);

    int64_t size() const { return size_; }
    // Exactly size bytes at offset; nothing when the file holds fewer.
    std::optional<std::string> bytes(int64_t offset, std::size_t size);
    // An unsigned number of 1 to 8 bytes at offset.
    std::optional<uint64_t> littleEndian(int64_t offset, int bytes);
    std::optional<uint64_t> bigEndian(int64_t offset, int bytes);
    bool startsWith(int64_t offset, std::string_view text);
    // True when the file (as far as its size is known) holds those bytes.
    bool holds(int64_t offset, std::size_t size) const;

private:
    bool read(int64_t offset, unsigned char* out, std::size_t size);

    ReadAt read_;
    int64_t size_;
    std::vector<unsigned char> window_;
    int64_t windowStart_ = -1;
};

// A ByteReader over a local file.
class FileReader {
public:
    explicit FileReader(const std::string& path);
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    ByteReader& reader() { return reader_; }

private:
    std::ifstream in_;
    ByteReader reader_;
};

// Numbers in bytes of either order.
uint64_t littleEndianOf(const unsigned char* bytes, int count);
uint64_t bigEndianOf(const unsigned char* bytes, int count);
std::string littleEndianBytes(uint64_t value, int count);
std::string bigEndianBytes(uint64_t value, int count);

} // namespace audio::tags
