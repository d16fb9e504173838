#include "text/header_text.h"

#include <algorithm>
#include <cctype>

namespace text {

std::string lowerAscii(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           lowerAscii(text.substr(0, prefix.size())) == lowerAscii(prefix);
}

std::string_view trimBlanks(std::string_view text, std::string_view blanks) {
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::string mediaType(std::string_view contentType) {
    return lowerAscii(trimBlanks(contentType.substr(0, contentType.find(';'))));
}

} // namespace text
