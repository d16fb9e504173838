#include "feeds/xml_encoding.h"

#include "text/header_text.h"
#include "text/legacy_text.h"

#include <array>
#include <cerrno>
#include <iconv.h>

namespace feeds {
namespace {

constexpr size_t kMaxDeclarationSize = 1024;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The value of encoding="..." in the XML declaration at the start, if any.
std::optional<std::string> declarationEncoding(std::string_view document) {
    if (!startsWith(document, "<?xml"))
        return std::nullopt;
    const std::string_view declaration =
        document.substr(0, document.substr(0, kMaxDeclarationSize).find("?>"));
    auto at = declaration.find("encoding");
    if (at == std::string_view::npos)
        return std::nullopt;
    at = declaration.find_first_not_of(" \t\r\n", at + 8);
    if (at == std::string_view::npos || declaration[at] != '=')
        return std::nullopt;
    at = declaration.find_first_not_of(" \t\r\n", at + 1);
    if (at == std::string_view::npos || (declaration[at] != '"' && declaration[at] != '\''))
        return std::nullopt;
    const auto end = declaration.find(declaration[at], at + 1);
    if (end == std::string_view::npos)
        return std::nullopt;
    return std::string(declaration.substr(at + 1, end - at - 1));
}

// The iconv name for a declared encoding; nothing for UTF-8. A declaration
// that could be read as 8-bit text cannot be UTF-16's: such a document is
// taken for UTF-8.
std::optional<std::string> iconvName(const std::string& declared) {
    static constexpr std::array cp932Names = {"shift_jis", "shift-jis",   "sjis",
                                              "x-sjis",    "ms_kanji",    "csshiftjis",
                                              "cp932",     "windows-31j", "ms932"};
    static constexpr std::array latin1Names = {"iso-8859-1", "iso8859-1", "iso_8859-1", "latin1",
                                               "latin-1",    "l1",        "us-ascii",   "ascii"};
    const std::string name = text::lowerAscii(text::trimBlanks(declared));
    if (name.empty() || name == "utf-8" || name == "utf8" || name.rfind("utf-16", 0) == 0)
        return std::nullopt;
    for (const char* alias : cp932Names)
        if (name == alias)
            return "CP932";
    for (const char* alias : latin1Names)
        if (name == alias)
            return "WINDOWS-1252";
    return name;
}

struct Source {
    std::string encoding;
    size_t skip = 0;     // byte order mark
    size_t unitSize = 1; // what an invalid sequence is skipped by
};

std::optional<Source> sourceOf(std::string_view document) {
    if (startsWith(document, std::string_view("\xFF\xFE\0\0", 4)))
        return Source{"UTF-32LE", 4, 4};
    if (startsWith(document, std::string_view("\0\0\xFE\xFF", 4)))
        return Source{"UTF-32BE", 4, 4};
    if (startsWith(document, "\xFF\xFE"))
        return Source{"UTF-16LE", 2, 2};
    if (startsWith(document, "\xFE\xFF"))
        return Source{"UTF-16BE", 2, 2};
    if (startsWith(document, std::string_view("<\0?\0", 4)))
        return Source{"UTF-16LE", 0, 2};
    if (startsWith(document, std::string_view("\0<\0?", 4)))
        return Source{"UTF-16BE", 0, 2};
    if (startsWith(document, "\xEF\xBB\xBF"))
        return std::nullopt;
    const auto declared = declarationEncoding(document);
    const auto name = declared ? iconvName(*declared) : std::nullopt;
    if (!name)
        return std::nullopt;
    return Source{*name, 0, 1};
}

// Converts all of input, each invalid or cut-off sequence replaced by U+FFFD.
std::string convert(iconv_t converter, std::string_view input, size_t unitSize) {
    std::string output;
    output.reserve(input.size() + input.size() / 2);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    std::array<char, 16384> buffer;
    while (inLeft > 0) {
        char* out = buffer.data();
        size_t outLeft = buffer.size();
        const size_t done = iconv(converter, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        output.append(buffer.data(), buffer.size() - outLeft);
        if (done != static_cast<size_t>(-1) || error == E2BIG)
            continue;
        output += kReplacement; // EILSEQ or EINVAL (cut off at the end)
        const size_t step = std::min(unitSize, inLeft);
        in += step;
        inLeft -= step;
    }
    return output;
}

// A document that names no encoding is UTF-8 by the rules of XML, but
// feeds written by hand or by old tools hold 8-bit text without saying so:
// such a document, not valid UTF-8, is read by the player's 8-bit rule.
std::optional<std::string> undeclaredInUtf8(std::string_view document) {
    if (startsWith(document, "\xEF\xBB\xBF") || declarationEncoding(document) ||
        text::isValidUtf8(document))
        return std::nullopt;
    return text::decodeLegacyText(document);
}

} // namespace

std::optional<std::string> documentInUtf8(std::string_view document) {
    const auto source = sourceOf(document);
    if (!source)
        return undeclaredInUtf8(document);
    const iconv_t converter = iconv_open("UTF-8", source->encoding.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string converted = convert(converter, document.substr(source->skip), source->unitSize);
    iconv_close(converter);
    return converted;
}

} // namespace feeds
