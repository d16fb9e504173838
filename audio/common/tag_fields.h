// The title fields of a file or a network stream, and the renderer of the tag
// format language (defined in api/tag_format.cpp).
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

// Renders a format: %IFV1(x,a) gives a when x is not empty; %IFV2(x,a,b)
// gives a when x is not empty, else b; %( and %) are literal parentheses;
// %ARTI... are fields; any other text is literal. Malformed input never
// reads past the end; an unterminated construct renders as literal text.
std::string renderTagFormat(const std::string& format, const TagFields& fields);

} // namespace audio::tags
