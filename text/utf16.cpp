#include "text/utf16.h"

#include <string>

namespace text {

namespace {

bool isHigh(char16_t unit) {
    return unit >= 0xD800 && unit < 0xDC00;
}
bool isLow(char16_t unit) {
    return unit >= 0xDC00 && unit < 0xE000;
}
// U+DC80..U+DCFF: a raw byte 0x80..0xFF of a name that is not UTF-8.
bool isEscapedByte(char16_t unit) {
    return unit >= 0xDC80 && unit <= 0xDCFF;
}

} // namespace

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

std::string utf16ToUtf8(const char16_t* text, std::size_t length) {
    std::string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        const char16_t unit = text[i];
        if (isHigh(unit) && i + 1 < length && isLow(text[i + 1])) {
            appendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (isEscapedByte(unit)) {
            out.push_back(static_cast<char>(unit - 0xDC00));
        } else if (isHigh(unit) || isLow(unit)) {
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

std::string utf16ToUtf8(const char16_t* text) {
    return utf16ToUtf8(text, std::char_traits<char16_t>::length(text));
}

} // namespace text
