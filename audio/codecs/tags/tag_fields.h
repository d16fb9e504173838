// Tag fields of a file or a network stream and the renderer of the tag
// format language.
#pragma once

#include <string>

namespace audio::tags {

// All texts UTF-8; empty when the file has no such field.
struct TagFields {
    std::string artist;   // %ARTI
    std::string album;    // %ALBM
    std::string year;     // %YEAR
    std::string disc;     // %DISC
    std::string track;    // %TRCK
    std::string title;    // %TITL
    std::string genre;    // %GNRE
    std::string comment;  // %CMNT
    std::string composer; // %COMP
};

// Reads the tags of a local file with TagLib (any extension the player
// offers); an unreadable file or one without tags gives empty fields.
TagFields readFileTags(const std::string& utf8Path);

// The fields of a network stream: those of the ID3v2 tag it started with
// (its bytes; empty when it had none), completed by the fields its demuxer
// found (Ogg comments, MP4 atoms, an ID3v1 tag).
TagFields readStreamTags(const std::string& leadingId3v2, const TagFields& demuxed);

// The picture embedded in a local file (its front cover when it has several),
// as the bytes of the image file; empty when it has none or cannot be read.
std::string readFilePicture(const std::string& utf8Path);

// Renders a format: %IFV1(x,a) gives a when x is not empty; %IFV2(x,a,b)
// gives a when x is not empty, else b; %( and %) are literal parentheses;
// %ARTI... are fields; any other text is literal. Malformed input never
// reads past the end; an unterminated construct renders as literal text.
std::string renderTagFormat(const std::string& format, const TagFields& fields);

} // namespace audio::tags
