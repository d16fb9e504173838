#include "audio/codecs/tags/tag_fields.h"

#include "audio/codecs/tags/asf_metadata.h"
#include "audio/codecs/tags/byte_reader.h"
#include "audio/codecs/tags/content_kind.h"
#include "audio/codecs/tags/flac_metadata.h"
#include "audio/codecs/tags/id3v2_header.h"
#include "audio/codecs/tags/id3v2_subset.h"
#include "audio/codecs/tags/leading_id3v2.h"
#include "audio/codecs/tags/mp4_items.h"
#include "audio/codecs/tags/ogg_comments.h"
#include "audio/codecs/tags/riff_chunks.h"
#include "audio/codecs/tags/spliced_stream.h"
#include "audio/codecs/tags/tail_tags.h"
#include "audio/codecs/tags/vorbis_comment_block.h"
#include "text/legacy_text.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>

#include <taglib/aifffile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/commentsframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tpropertymap.h>

namespace audio::tags {
namespace {

using Member = std::string TagFields::*;

constexpr std::size_t kId3v1Size = 128;
// A field is a line of the window's title and list; a longer text (a
// hostile tag's megabytes) is cut to this many bytes.
constexpr std::size_t kMaxFieldBytes = 1024;
// The part of an Ogg comment packet read for the fields: room for a large
// cover before them; a packet that claims more is read only this far.
constexpr std::size_t kMostOggCommentBytes = 16 * 1024 * 1024;

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

// The names the fields come from in each format's own tags: Vorbis comments,
// MP4 items, ASF attributes (title, artist and comment are in its content
// description), APE items.
const std::vector<std::string_view> kVorbisNames = {
    "ARTIST",   "ALBUM", "DATE",  "YEAR",    "DISCNUMBER",  "TRACKNUMBER",
    "TRACKNUM", "TITLE", "GENRE", "COMMENT", "DESCRIPTION", "COMPOSER"};
const std::vector<std::string_view> kMp4Items = {"\xA9"
                                                 "ART",
                                                 "\xA9"
                                                 "alb",
                                                 "\xA9"
                                                 "day",
                                                 "disk",
                                                 "trkn",
                                                 "\xA9"
                                                 "nam",
                                                 "\xA9"
                                                 "gen",
                                                 "gnre",
                                                 "\xA9"
                                                 "cmt",
                                                 "\xA9"
                                                 "wrt"};
const std::vector<std::string_view> kAsfNames = {"WM/AlbumTitle",  "WM/Year",  "WM/PartOfSet",
                                                 "WM/TrackNumber", "WM/Track", "WM/Genre",
                                                 "WM/Composer"};
const std::vector<std::string_view> kApeKeys = {"Artist", "Album", "Year",    "Disc",    "Track",
                                                "Title",  "Genre", "Comment", "Composer"};
const std::vector<std::string_view> kRiffInfoIds = {"IART", "IPRD", "ICRD", "IPRT", "ITRK",
                                                    "INAM", "IGNR", "ICMT", "IMUS"};

std::string unicodeText(const TagLib::String& text) {
    return text.to8Bit(true);
}

// Latin-1 strings hold the file's bytes one to one.
std::string legacyText(const TagLib::String& text) {
    return text::decodeLegacyText(text.to8Bit(false));
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

// Every value of a text frame (a two-artist TPE1 holds two), joined as
// TagLib joins them.
std::string frameText(const TagLib::ID3v2::Frame& frame) {
    if (const auto* text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(&frame)) {
        TagLib::StringList values = text->fieldList();
        if (text->textEncoding() == TagLib::String::Latin1) {
            for (TagLib::String& value : values)
                value = TagLib::String(legacyText(value), TagLib::String::UTF8);
        }
        return unicodeText(values.toString());
    }
    if (const auto* comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(&frame)) {
        const bool latin1 = comment->textEncoding() == TagLib::String::Latin1;
        return latin1 ? legacyText(comment->text()) : unicodeText(comment->text());
    }
    return unicodeText(frame.toString());
}

// The comment shown is the first without a description: players write their
// own comments (iTunes' "iTunNORM" loudness) with one, before or after the
// user's.
const TagLib::ID3v2::Frame& shownFrame(const TagLib::ID3v2::FrameList& frames) {
    for (const TagLib::ID3v2::Frame* frame : frames) {
        const auto* comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(frame);
        if (comment && comment->description().isEmpty())
            return *frame;
    }
    return *frames.front();
}

void fillFromId3v2(const TagLib::ID3v2::Tag* tag, TagFields& fields) {
    if (!tag)
        return;
    const TagLib::ID3v2::FrameListMap& frames = tag->frameListMap();
    for (const FieldKeys& keys : kFields) {
        const auto it = frames.find(keys.id3v2);
        if (it != frames.end() && !it->second.isEmpty())
            setIfEmpty(fields.*keys.member, frameText(shownFrame(it->second)));
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
    // An APE tag is newer than an ID3v1 tag beside it, and holds more.
    fillFromId3v2(file.ID3v2Tag(), fields);
    if (file.hasAPETag())
        fillFromProperties(file.APETag()->properties(), fields);
    fillFromId3v1(file.ID3v1Tag(), fields);
}

// The tags at the end of the file, reduced for TagLib to read after the
// leading tag's copy: the APE tag a reader finds with only the items of the
// fields, and the last ID3v1 tag.
std::string reducedTailTags(ByteReader& file) {
    const TailTags tail = tailTags(file);
    std::string bytes;
    if (tail.ape)
        bytes += apeSubset(file, *tail.ape, kApeKeys).value_or(std::string());
    const int64_t id3v1At = file.size() - static_cast<int64_t>(kId3v1Size);
    if (tail.audioEnd <= id3v1At && file.startsWith(id3v1At, "TAG"))
        bytes += file.bytes(id3v1At, kId3v1Size).value_or(std::string());
    return bytes;
}

// TagLib reads the leading ID3v2 tag and the tags at the end, each reduced
// to what the fields need (see id3v2_subset.h), without the audio between
// them. A leading tag the reduction does not take is left to TagLib whole.
void readMpeg(const std::string& path, TagFields& fields) {
    const std::string tag = leadingId3v2(path);
    const auto subset = id3v2Subset(tag);
    if (!subset && !tag.empty()) {
        TagLib::FileStream stream(path.c_str(), true);
        readMpeg(stream, fields);
        return;
    }
    FileReader file(path);
    std::string tail = reducedTailTags(file.reader());
    if (tail.empty()) // zeros where TagLib looks for an ID3v1 or APE tag
        tail.assign(kId3v1Size, '\0');
    const std::string bytes = subset.value_or(std::string()) + tail;
    TagLib::ByteVectorStream stream(
        TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size())));
    readMpeg(stream, fields);
}

// The fields of an ID3v2 tag held in memory, reduced first (see
// id3v2_subset.h).
void fillFromId3v2Bytes(std::string_view tag, TagFields& fields) {
    const auto subset = id3v2Subset(tag);
    if (!subset)
        return;
    // Zeros after the tag, where TagLib looks for an ID3v1 or APE tag.
    const std::string bytes = *subset + std::string(kId3v1Size, '\0');
    TagLib::ByteVectorStream stream(
        TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size())));
    readMpeg(stream, fields);
}

// WAV and AIFF: the chunks are walked here, and only the first ID3v2 chunk
// and the INFO items of the fields are kept (a hostile file holds hundreds of
// thousands of either).
void readChunks(const std::string& path, TagFields& fields) {
    FileReader file(path);
    const ChunkTags chunks = chunkTags(file.reader(), kRiffInfoIds);
    fillFromId3v2Bytes(chunks.id3, fields);
    for (const FieldKeys& keys : kFields) {
        const auto it = chunks.info.find(keys.riffInfo);
        if (it != chunks.info.end())
            setIfEmpty(fields.*keys.member, text::decodeLegacyText(it->second));
    }
    if (fields.track.empty() && chunks.info.count("ITRK"))
        fields.track = text::decodeLegacyText(chunks.info.at("ITRK"));
    // AIFF's own text chunks, which TagLib does not read.
    if (chunks.aiffText.count("NAME"))
        setIfEmpty(fields.title, text::decodeLegacyText(chunks.aiffText.at("NAME")));
    if (chunks.aiffText.count("AUTH"))
        setIfEmpty(fields.artist, text::decodeLegacyText(chunks.aiffText.at("AUTH")));
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

// Fields from Vorbis comments, under TagLib's unified names (which are
// theirs); a DESCRIPTION stands for a missing COMMENT.
void fillFromVorbisComments(std::string_view block, TagFields& fields) {
    TagLib::PropertyMap properties;
    for (const std::string& comment : vorbisCommentList(block, kVorbisNames.size())) {
        const std::size_t equals = comment.find('=');
        if (equals == std::string::npos)
            continue;
        TagLib::String name(comment.substr(0, equals), TagLib::String::UTF8);
        name = name.upper();
        if (name == "DESCRIPTION")
            name = "COMMENT";
        else if (name == "YEAR")
            name = "DATE";
        else if (name == "TRACKNUM")
            name = "TRACKNUMBER";
        if (!properties.contains(name))
            properties.insert(name,
                              TagLib::String(comment.substr(equals + 1), TagLib::String::UTF8));
    }
    fillFromProperties(properties, fields);
}

// Ogg: the comment packet is read here and reduced to the comments of the
// fields; TagLib would build an entry for each of a hostile file's hundreds
// of thousands.
void readOgg(const std::string& path, TagFields& fields) {
    FileReader file(path);
    const auto packet = oggCommentPacket(file.reader(), 0, kMostOggCommentBytes);
    if (!packet) {
        readOther(path, fields);
        return;
    }
    fillFromVorbisComments(vorbisCommentSubset(packet->block(), kVorbisNames), fields);
}

// TagLib reads a small file of only the tag's wanted entries, made by
// reduce from the file; nothing when the file has no such tag.
template <class TagLibFile, class Reduce>
void readReduced(const std::string& path, TagFields& fields, Reduce reduce) {
    FileReader file(path);
    const std::optional<std::string> bytes = reduce(file.reader());
    if (!bytes)
        return;
    TagLib::ByteVectorStream stream(
        TagLib::ByteVector(bytes->data(), static_cast<unsigned int>(bytes->size())));
    TagLibFile reduced(&stream, false);
    if (reduced.isValid())
        readGeneric(reduced, fields);
}

void readMp4(const std::string& path, TagFields& fields) {
    readReduced<TagLib::MP4::File>(path, fields,
                                   [](ByteReader& file) { return mp4ItemSubset(file, kMp4Items); });
}

void readAsf(const std::string& path, TagFields& fields) {
    readReduced<TagLib::ASF::File>(
        path, fields, [](ByteReader& file) { return asfMetadataSubset(file, kAsfNames); });
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
    const auto head = reducedFlacHead(readAt, static_cast<int64_t>(leading.size()), kVorbisNames);
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

// Files whose first bytes say nothing known: by their name (".aac" streams
// without a tag, formats only TagLib reads).
void readByExtension(const std::string& path, TagFields& fields) {
    const std::string extension = lowerExtension(path);
    if (extension == ".mp3" || extension == ".mp2" || extension == ".mp1" || extension == ".aac")
        readMpeg(path, fields);
    else
        readOther(path, fields);
}

// The reader is chosen by what the file holds, not by its name: a file
// renamed by hand keeps its tags.
void readByContent(const std::string& path, TagFields& fields) {
    ContentKind kind;
    {
        FileReader file(path);
        kind = contentKind(file.reader());
    }
    switch (kind) {
    case ContentKind::Mpeg:
        return readMpeg(path, fields);
    case ContentKind::Chunks:
        return readChunks(path, fields);
    case ContentKind::Flac:
        return readFlac(path, fields);
    case ContentKind::Ogg:
        return readOgg(path, fields);
    case ContentKind::Mp4:
        return readMp4(path, fields);
    case ContentKind::Asf:
        return readAsf(path, fields);
    case ContentKind::Unknown:
        return readByExtension(path, fields);
    }
}

// "3/10" -> "3": the title shows the number alone.
void keepNumberOnly(std::string& text) {
    text = text.substr(0, text.find('/'));
}

// Cuts a text to at most kMaxFieldBytes without splitting a UTF-8 sequence.
void cutLongText(std::string& text) {
    if (text.size() <= kMaxFieldBytes)
        return;
    std::size_t end = kMaxFieldBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
}

// What every reader's fields go through before they are kept.
void finishFields(TagFields& fields) {
    keepNumberOnly(fields.track);
    keepNumberOnly(fields.disc);
    for (const FieldKeys& keys : kFields)
        cutLongText(fields.*keys.member);
}

} // namespace

TagFields readFileTags(const std::string& utf8Path) {
    TagFields fields;
    try {
        readByContent(utf8Path, fields);
    } catch (...) {
        return {}; // a broken file has no tags
    }
    finishFields(fields);
    return fields;
}

TagFields readStreamTags(const std::string& leadingId3v2, const TagFields& demuxed) {
    TagFields fields;
    try {
        fillFromId3v2Bytes(leadingId3v2, fields);
    } catch (...) {
        fields = {};
    }
    for (const FieldKeys& keys : kFields)
        setIfEmpty(fields.*keys.member, demuxed.*keys.member);
    finishFields(fields);
    return fields;
}

} // namespace audio::tags
