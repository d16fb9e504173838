#include "core/utf16.h"

namespace audio::core {

namespace {

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

bool isHigh(char16_t unit) {
    return unit >= 0xD800 && unit < 0xDC00;
}
bool isLow(char16_t unit) {
    return unit >= 0xDC00 && unit < 0xE000;
}

} // namespace

std::string utf16ToUtf8(const char16_t* text) {
    std::string out;
    for (const char16_t* at = text; *at; ++at) {
        if (isHigh(at[0]) && isLow(at[1])) {
            appendUtf8(out, 0x10000 + ((char32_t(at[0]) - 0xD800) << 10) + (at[1] - 0xDC00));
            ++at;
        } else if (isHigh(*at) || isLow(*at)) {
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, *at);
        }
    }
    return out;
}

} // namespace audio::core
