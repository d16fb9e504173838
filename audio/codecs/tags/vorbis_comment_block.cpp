#include "audio/codecs/tags/vorbis_comment_block.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <strings.h>

namespace audio::tags {
namespace {

class BlockReader {
public:
    explicit BlockReader(std::string_view block) : block_(block) {}

    std::optional<std::string_view> text() {
        const auto length = number();
        if (!length || *length > block_.size() - pos_)
            return std::nullopt;
        const std::string_view text = block_.substr(pos_, *length);
        pos_ += *length;
        return text;
    }

    std::optional<uint32_t> number() {
        if (block_.size() - pos_ < 4)
            return std::nullopt;
        uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = (value << 8) | static_cast<unsigned char>(block_[pos_ + i]);
        pos_ += 4;
        return value;
    }

private:
    std::string_view block_;
    std::size_t pos_ = 0;
};

void appendNumber(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void appendText(std::string& out, std::string_view text) {
    appendNumber(out, static_cast<uint32_t>(text.size()));
    out.append(text);
}

std::string_view nameOf(std::string_view comment) {
    return comment.substr(0, comment.find('='));
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Calls take(comment) for each whole comment of the block until it returns
// false; returns the vendor.
template <class Take> std::string_view walk(std::string_view block, Take take) {
    BlockReader reader(block);
    const std::string_view vendor = reader.text().value_or(std::string_view());
    const uint32_t count = reader.number().value_or(0);
    for (uint32_t i = 0; i < count; ++i) {
        const auto comment = reader.text();
        if (!comment || !take(*comment))
            break;
    }
    return vendor;
}

} // namespace

std::vector<std::string> vorbisCommentList(std::string_view block, std::size_t most) {
    std::vector<std::string> comments;
    walk(block, [&](std::string_view comment) {
        if (comments.size() == most)
            return false;
        comments.emplace_back(comment);
        return true;
    });
    return comments;
}

std::string vorbisCommentSubset(std::string_view block,
                                const std::vector<std::string_view>& names) {
    std::vector<std::string_view> kept;
    const std::string_view vendor = walk(block, [&](std::string_view comment) {
        const std::string_view name = nameOf(comment);
        const auto same = [&](std::string_view other) { return sameName(name, other); };
        const bool wanted = std::any_of(names.begin(), names.end(), same);
        const bool known = std::any_of(kept.begin(), kept.end(),
                                       [&](std::string_view k) { return same(nameOf(k)); });
        if (wanted && !known)
            kept.push_back(comment);
        return true;
    });
    std::string out;
    appendText(out, vendor);
    appendNumber(out, static_cast<uint32_t>(kept.size()));
    for (const std::string_view comment : kept)
        appendText(out, comment);
    return out;
}

} // namespace audio::tags
