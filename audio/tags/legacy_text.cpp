#include "tags/legacy_text.h"

#include <cerrno>
#include <iconv.h>
#include <optional>

namespace audio::tags {
namespace {

std::optional<std::string> fromCp932(const std::string& bytes) {
    // "CP932", not "SHIFT_JIS": they map some bytes differently (0x8160).
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string input = bytes;
    // One CP932 byte becomes at most three UTF-8 bytes.
    std::string output(input.size() * 3 + 4, '\0');
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    const std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1) || inLeft != 0)
        return std::nullopt;
    output.resize(output.size() - outLeft);
    return output;
}

std::string fromLatin1(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

// Length of the sequence a lead byte starts and the smallest code point it
// may encode (to refuse overlong forms); 0 for a byte that cannot lead.
struct Lead {
    int length;
    char32_t minimum;
    char32_t bits;
};

Lead leadOf(unsigned char byte) {
    if (byte < 0x80)
        return {1, 0, byte};
    if ((byte & 0xE0) == 0xC0)
        return {2, 0x80, byte & 0x1Fu};
    if ((byte & 0xF0) == 0xE0)
        return {3, 0x800, byte & 0x0Fu};
    if ((byte & 0xF8) == 0xF0)
        return {4, 0x10000, byte & 0x07u};
    return {0, 0, 0};
}

} // namespace

bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const Lead lead = leadOf(static_cast<unsigned char>(text[i]));
        if (lead.length == 0 || i + lead.length > text.size())
            return false;
        char32_t code = lead.bits;
        for (int k = 1; k < lead.length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (code < lead.minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += lead.length;
    }
    return true;
}

std::string decodeLegacyText(const std::string& bytes) {
    if (isValidUtf8(bytes))
        return bytes;
    if (auto decoded = fromCp932(bytes))
        return *decoded;
    return fromLatin1(bytes);
}

} // namespace audio::tags
