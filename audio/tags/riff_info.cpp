#include "tags/riff_info.h"

#include <taglib/wavfile.h>

namespace audio::tags {
namespace {

// Opens the chunk list that TagLib::RIFF::File keeps for its subclasses.
class RiffChunks : public TagLib::RIFF::WAV::File {
public:
    explicit RiffChunks(const std::string& path) : File(path.c_str(), false) {}

    std::map<std::string, std::string> infoItems() {
        std::map<std::string, std::string> items;
        if (!isValid())
            return items;
        for (unsigned int i = 0; i < chunkCount(); ++i) {
            if (chunkName(i) != "LIST")
                continue;
            const TagLib::ByteVector data = chunkData(i);
            if (data.startsWith("INFO"))
                parseInfo(data, items);
        }
        return items;
    }

private:
    static void parseInfo(const TagLib::ByteVector& data,
                          std::map<std::string, std::string>& items) {
        unsigned int offset = 4;
        while (offset + 8 <= data.size()) {
            const std::string id(data.data() + offset, 4);
            const unsigned int size = data.toUInt(offset + 4, false);
            offset += 8;
            if (size > data.size() - offset)
                break;
            std::string text(data.data() + offset, size);
            text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
            items.emplace(id, std::move(text));
            offset += size + (size & 1);
        }
    }
};

} // namespace

std::map<std::string, std::string> readRiffInfo(const std::string& path) {
    return RiffChunks(path).infoItems();
}

} // namespace audio::tags
