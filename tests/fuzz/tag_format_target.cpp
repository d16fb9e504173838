// The tag format language of TAGS_Read: a fuzzed format rendered with fuzzed
// field values. Input: the format, then the field values, separated by NULs.
#include "fuzz_support.h"
#include "fuzz_targets.h"

#include "audio/common/tag_fields.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using audio::tags::TagFields;

std::vector<std::string> SplitAtNul(const uint8_t* data, size_t size) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            parts.emplace_back();
        else
            parts.back() += static_cast<char>(data[i]);
    }
    return parts;
}

TagFields FieldsFrom(const std::vector<std::string>& parts) {
    TagFields fields;
    std::string* const members[] = {&fields.artist, &fields.album,   &fields.year,
                                    &fields.disc,   &fields.track,   &fields.title,
                                    &fields.genre,  &fields.comment, &fields.composer};
    for (size_t i = 0; i < std::size(members) && i + 1 < parts.size(); ++i)
        *members[i] = parts[i + 1];
    return fields;
}

size_t LongestField(const std::vector<std::string>& parts) {
    size_t longest = 0;
    for (size_t i = 1; i < parts.size(); ++i)
        longest = std::max(longest, parts[i].size());
    return longest;
}

} // namespace

int fuzzTagFormat(const uint8_t* data, size_t size) {
    const std::vector<std::string> parts = SplitAtNul(data, size);
    const std::string& format = parts.front();
    const std::string rendered = audio::tags::renderTagFormat(format, FieldsFrom(parts));
    // Every field takes the place of a five-character "%NAME"; everything
    // else is the format's own text or less of it.
    const size_t fieldUses = static_cast<size_t>(std::count(format.begin(), format.end(), '%'));
    fuzzsupport::check(rendered.size() <= format.size() + fieldUses * LongestField(parts),
                       "the rendered text is longer than the format allows", format);
    const std::string literal = audio::tags::renderTagFormat(format, TagFields());
    fuzzsupport::check(literal.size() <= format.size(), "empty fields made the text longer",
                       format);
    return 0;
}
