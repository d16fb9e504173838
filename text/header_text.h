// Small text rules shared by the HTTP client's header and playlist readers:
// header names and media types compare without regard to ASCII letter case.
#pragma once

#include <string>
#include <string_view>

namespace text {

std::string lowerAscii(std::string_view text);
bool startsWithNoCase(std::string_view text, std::string_view prefix);
// Without the given characters (spaces and tabs) at either end.
std::string_view trimBlanks(std::string_view text, std::string_view blanks = " \t");
// "Audio/MPEG; charset=x" -> "audio/mpeg".
std::string mediaType(std::string_view contentType);

} // namespace text
