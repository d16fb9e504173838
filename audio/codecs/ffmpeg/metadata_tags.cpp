#include "audio/codecs/ffmpeg/metadata_tags.h"

#include "audio/codecs/ffmpeg/av.h"

#include <initializer_list>

namespace audio {

namespace {

struct FieldNames {
    std::string tags::TagFields::*member;
    std::initializer_list<const char*> names; // FFmpeg's generic names first
};

const FieldNames kFieldNames[] = {
    {&tags::TagFields::artist, {"artist"}},
    {&tags::TagFields::album, {"album"}},
    {&tags::TagFields::year, {"date", "year"}},
    {&tags::TagFields::disc, {"disc"}},
    {&tags::TagFields::track, {"track"}},
    {&tags::TagFields::title, {"title"}},
    {&tags::TagFields::genre, {"genre"}},
    {&tags::TagFields::comment, {"comment", "description"}},
    {&tags::TagFields::composer, {"composer"}},
};

// av_dict_get compares names without regard to letter case.
std::string firstValue(const AVDictionary* dict, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const AVDictionaryEntry* entry = av_dict_get(dict, name, nullptr, 0);
        if (entry && entry->value && *entry->value)
            return entry->value;
    }
    return {};
}

} // namespace

tags::TagFields metadataFields(const AVDictionary* format, const AVDictionary* stream) {
    tags::TagFields fields;
    for (const FieldNames& field : kFieldNames) {
        std::string value = firstValue(format, field.names);
        fields.*field.member = value.empty() ? firstValue(stream, field.names) : std::move(value);
    }
    return fields;
}

} // namespace audio
