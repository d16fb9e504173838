#include "tags/tag_fields.h"

#include "tags/flac_metadata.h"
#include "tags/id3v2_header.h"
#include "tags/id3v2_subset.h"
#include "tags/legacy_text.h"
#include "tags/riff_info.h"
#include "tags/spliced_stream.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>

#include <taglib/aifffile.h>
#include <taglib/apetag.h>
#include <taglib/commentsframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>

namespace audio::tags {
namespace {

using Member = std::string TagFields::*;

constexpr std::size_t kId3v1Size = 128;

struct FieldKeys {
    Member member;
    const char* property; // TagLib's unified property name
    const char* id3v2;    // ID3v2 frame
    const char* riffInfo; // RIFF INFO item
};

constexpr FieldKeys kFields[] = {
    {&TagFields::artist, "ARTIST", "TPE1", "IART"},
    {&TagFields::album, "ALBUM", "TALB", "IPRD"},
    {&TagFields::year, "DATE", "TDRC", "ICRD"},
    {&TagFields::disc, "DISCNUMBER", "TPOS", ""},
    {&TagFields::track, "TRACKNUMBER", "TRCK", "IPRT"},
    {&TagFields::title, "TITLE", "TIT2", "INAM"},
    {&TagFields::genre, "GENRE", "TCON", "IGNR"},
    {&TagFields::comment, "COMMENT", "COMM", "ICMT"},
    {&TagFields::composer, "COMPOSER", "TCOM", "IMUS"},
};

std::string unicodeText(const TagLib::String& text) {
    return text.to8Bit(true);
}

// Latin-1 strings hold the file's bytes one to one.
std::string legacyText(const TagLib::String& text) {
    return decodeLegacyText(text.to8Bit(false));
}

void setIfEmpty(std::string& field, std::string value) {
    if (field.empty())
        field = std::move(value);
}

void fillFromProperties(const TagLib::PropertyMap& properties, TagFields& fields) {
    for (const FieldKeys& keys : kFields) {
        const auto it = properties.find(keys.property);
        if (it != properties.end() && !it->second.isEmpty())
            setIfEmpty(fields.*keys.member, unicodeText(it->second.front()));
    }
}

using TextOf = std::string (*)(const TagLib::String&);

// The basic fields of a tag, each text converted by textOf.
void fillFromBasicTag(const TagLib::Tag* tag, TagFields& fields, TextOf textOf) {
    if (!tag)
        return;
    setIfEmpty(fields.artist, textOf(tag->artist()));
    setIfEmpty(fields.album, textOf(tag->album()));
    setIfEmpty(fields.title, textOf(tag->title()));
    setIfEmpty(fields.genre, textOf(tag->genre()));
    setIfEmpty(fields.comment, textOf(tag->comment()));
    if (tag->year() > 0)
        setIfEmpty(fields.year, std::to_string(tag->year()));
    if (tag->track() > 0)
        setIfEmpty(fields.track, std::to_string(tag->track()));
}

// The basic fields under the names each format prefers (for example a Vorbis
// comment's DESCRIPTION, an ASF description), where the unified names miss.
void fillFromTag(const TagLib::Tag* tag, TagFields& fields) {
    fillFromBasicTag(tag, fields, &unicodeText);
}

// ID3v2.3 writes a genre as "(17)" or a number; TagLib leaves the number.
std::string genreName(std::string genre) {
    if (!genre.empty() && genre.size() <= 3 &&
        std::all_of(genre.begin(), genre.end(), [](unsigned char c) { return std::isdigit(c); })) {
        const TagLib::String name = TagLib::ID3v1::genre(std::stoi(genre));
        if (!name.isEmpty())
            return unicodeText(name);
    }
    return genre;
}

std::string frameText(const TagLib::ID3v2::Frame& frame) {
    if (const auto* text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(&frame)) {
        const TagLib::StringList values = text->fieldList();
        if (values.isEmpty())
            return {};
        const bool latin1 = text->textEncoding() == TagLib::String::Latin1;
        return latin1 ? legacyText(values.front()) : unicodeText(values.front());
    }
    if (const auto* comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(&frame)) {
        const bool latin1 = comment->textEncoding() == TagLib::String::Latin1;
        return latin1 ? legacyText(comment->text()) : unicodeText(comment->text());
    }
    return unicodeText(frame.toString());
}

void fillFromId3v2(const TagLib::ID3v2::Tag* tag, TagFields& fields) {
    if (!tag)
        return;
    const TagLib::ID3v2::FrameListMap& frames = tag->frameListMap();
    for (const FieldKeys& keys : kFields) {
        const auto it = frames.find(keys.id3v2);
        if (it != frames.end() && !it->second.isEmpty())
            setIfEmpty(fields.*keys.member, frameText(*it->second.front()));
    }
    fields.genre = genreName(fields.genre);
}

// ID3v1 holds 8-bit texts without an encoding.
void fillFromId3v1(const TagLib::ID3v1::Tag* tag, TagFields& fields) {
    fillFromBasicTag(tag, fields, &legacyText);
}

void readMpeg(TagLib::IOStream& stream, TagFields& fields) {
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!file.isOpen())
        return;
    fillFromId3v2(file.ID3v2Tag(), fields);
    fillFromId3v1(file.ID3v1Tag(), fields);
    if (file.hasAPETag())
        fillFromProperties(file.APETag()->properties(), fields);
}

// The ID3v2 tag a file starts with, as far as the file holds it; empty when
// it starts with something else.
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

// TagLib reads the leading ID3v2 tag reduced to the frames the fields need
// (see id3v2_subset.h), then the tags at the end of the file itself.
void readMpeg(const std::string& path, TagFields& fields) {
    const std::string tag = leadingId3v2(path);
    const auto subset = id3v2Subset(tag);
    if (!subset) {
        TagLib::FileStream stream(path.c_str(), true);
        readMpeg(stream, fields);
        return;
    }
    SplicedStream stream(path, *subset, static_cast<long>(tag.size()));
    readMpeg(stream, fields);
}

void readWav(const std::string& path, TagFields& fields) {
    {
        TagLib::RIFF::WAV::File file(path.c_str(), false);
        if (!file.isValid())
            return;
        if (file.hasID3v2Tag())
            fillFromId3v2(file.ID3v2Tag(), fields);
    }
    const auto info = readRiffInfo(path);
    for (const FieldKeys& keys : kFields) {
        const auto it = info.find(keys.riffInfo);
        if (it != info.end())
            setIfEmpty(fields.*keys.member, decodeLegacyText(it->second));
    }
    if (fields.track.empty() && info.count("ITRK"))
        fields.track = decodeLegacyText(info.at("ITRK"));
}

void readAiff(const std::string& path, TagFields& fields) {
    TagLib::RIFF::AIFF::File file(path.c_str(), false);
    if (file.isValid())
        fillFromId3v2(file.tag(), fields);
}

void readGeneric(TagLib::File& file, TagFields& fields) {
    fillFromProperties(file.properties(), fields);
    fillFromTag(file.tag(), fields);
}

void readOther(const std::string& path, TagFields& fields) {
    TagLib::FileRef file(path.c_str(), false);
    if (!file.isNull())
        readGeneric(*file.file(), fields);
}

// TagLib reads every comment of a FLAC file (a million of them took it
// seconds); it reads a copy of the metadata with only the comments the
// fields come from, then the rest of the file.
void readFlac(const std::string& path, TagFields& fields) {
    std::ifstream in(path, std::ios::binary);
    const ReadAt readAt = [&in](int64_t offset, unsigned char* buffer, std::size_t size) {
        in.clear();
        in.seekg(offset);
        in.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(size));
        return static_cast<std::size_t>(in.gcount());
    };
    const std::string leading = leadingId3v2(path);
    const auto head =
        reducedFlacHead(readAt, static_cast<int64_t>(leading.size()),
                        {"ARTIST", "ALBUM", "DATE", "YEAR", "DISCNUMBER", "TRACKNUMBER", "TRACKNUM",
                         "TITLE", "GENRE", "COMMENT", "DESCRIPTION", "COMPOSER"});
    if (!head) {
        readOther(path, fields);
        return;
    }
    const std::string id3 = id3v2Subset(leading).value_or(std::string());
    SplicedStream stream(path, id3 + head->bytes, static_cast<long>(head->audioOffset));
    TagLib::FLAC::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (file.isValid())
        readGeneric(file, fields);
}

std::string lowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// "3/10" -> "3": the title shows the number alone.
void keepNumberOnly(std::string& text) {
    text = text.substr(0, text.find('/'));
}

void keepNumbersOnly(TagFields& fields) {
    keepNumberOnly(fields.track);
    keepNumberOnly(fields.disc);
}

} // namespace

TagFields readFileTags(const std::string& utf8Path) {
    TagFields fields;
    try {
        const std::string extension = lowerExtension(utf8Path);
        if (extension == ".mp3" || extension == ".mp2" || extension == ".mp1" ||
            extension == ".aac")
            readMpeg(utf8Path, fields);
        else if (extension == ".wav")
            readWav(utf8Path, fields);
        else if (extension == ".aif" || extension == ".aiff")
            readAiff(utf8Path, fields);
        else if (extension == ".flac")
            readFlac(utf8Path, fields);
        else
            readOther(utf8Path, fields);
    } catch (...) {
        return {}; // a broken file has no tags
    }
    keepNumbersOnly(fields);
    return fields;
}

TagFields readStreamTags(const std::string& leadingId3v2, const TagFields& demuxed) {
    TagFields fields;
    try {
        if (const auto subset = id3v2Subset(leadingId3v2)) {
            // Zeros after the tag, where TagLib looks for an ID3v1 or APE tag.
            const std::string bytes = *subset + std::string(kId3v1Size, '\0');
            TagLib::ByteVectorStream stream(
                TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size())));
            readMpeg(stream, fields);
        }
    } catch (...) {
        fields = {};
    }
    for (const FieldKeys& keys : kFields)
        setIfEmpty(fields.*keys.member, demuxed.*keys.member);
    keepNumbersOnly(fields);
    return fields;
}

} // namespace audio::tags
