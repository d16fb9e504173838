#include "audio/codecs/tags/riff_info.h"

#include "audio/codecs/tags/byte_reader.h"
#include "audio/codecs/tags/riff_chunks.h"

namespace audio::tags {

std::map<std::string, std::string> readRiffInfo(const std::string& path) {
    FileReader file(path);
    return chunkTags(file.reader(), {}).info;
}

} // namespace audio::tags
