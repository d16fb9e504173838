#include "audio/codecs/tags/leading_id3v2.h"

#include "audio/codecs/tags/id3v2_header.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace audio::tags {

std::string leadingId3v2(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string tag(kId3v2HeaderSize, '\0');
    if (!in.read(tag.data(), static_cast<std::streamsize>(tag.size())))
        return {};
    const auto length = id3v2TagLength(reinterpret_cast<const unsigned char*>(tag.data()));
    if (!length)
        return {};
    std::error_code error;
    const auto fileSize = std::filesystem::file_size(path, error);
    tag.resize(std::min<std::size_t>(*length, error ? kId3v2HeaderSize : fileSize));
    in.read(tag.data() + kId3v2HeaderSize,
            static_cast<std::streamsize>(tag.size() - kId3v2HeaderSize));
    tag.resize(kId3v2HeaderSize + static_cast<std::size_t>(in.gcount()));
    return tag;
}

} // namespace audio::tags
