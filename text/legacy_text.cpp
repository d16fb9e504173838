#include "text/legacy_text.h"

#include "text/utf16.h"

#include <cerrno>
#include <iconv.h>
#include <locale.h>
#include <vector>
#include <wctype.h>

namespace text {
namespace {

using Text = std::u32string;

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

// The code point of the valid sequence at text[at]; length 0 when invalid.
struct Sequence {
    char32_t code;
    std::size_t length;
};

Sequence sequenceAt(std::string_view text, std::size_t at) {
    const Lead lead = leadOf(static_cast<unsigned char>(text[at]));
    if (lead.length == 0 || at + lead.length > text.size())
        return {0, 0};
    char32_t code = lead.bits;
    for (int k = 1; k < lead.length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80)
            return {0, 0};
        code = (code << 6) | (next & 0x3Fu);
    }
    if (code < lead.minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return {0, 0};
    return {code, static_cast<std::size_t>(lead.length)};
}

// The character data of the C library's built-in Unicode locale.
locale_t unicodeLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

// Assigned characters, as text holds them: C1 controls are not, and a byte
// order mark is.
bool isAssigned(char32_t code) {
    if (code < 0x80 || code == 0xFEFF)
        return true;
    if (code < 0xA0)
        return false;
    const locale_t locale = unicodeLocale();
    if (locale == locale_t{})
        return true; // no character data: valid UTF-8 is taken as it is
    const auto wide = static_cast<wint_t>(code);
    return iswprint_l(wide, locale) || iswspace_l(wide, locale);
}

bool isUtf8OfAssignedCharacters(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        if (static_cast<unsigned char>(bytes[at]) < 0x80) {
            ++at;
            continue;
        }
        const Sequence sequence = sequenceAt(bytes, at);
        if (sequence.length == 0 || !isAssigned(sequence.code))
            return false;
        at += sequence.length;
    }
    return true;
}

// CP932 ("CP932", not "SHIFT_JIS": they map some bytes differently, 0x8160),
// or nothing when a byte sequence is not CP932.
std::optional<Text> fromCp932(std::string_view bytes) {
    iconv_t converter = iconv_open("WCHAR_T", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string input(bytes);
    std::vector<wchar_t> output(input.size() + 1); // one byte gives at most one character
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = reinterpret_cast<char*>(output.data());
    std::size_t outLeft = output.size() * sizeof(wchar_t);
    const std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1) || inLeft != 0)
        return std::nullopt;
    const auto* end = reinterpret_cast<const wchar_t*>(out);
    Text text;
    text.reserve(static_cast<std::size_t>(end - output.data()));
    for (const wchar_t* at = output.data(); at != end; ++at)
        text.push_back(static_cast<char32_t>(*at));
    return text;
}

// Windows-1252 at 0x80..0x9F; 0 where the code page defines nothing.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Windows-1252; bytes it leaves undefined give nothing, or, with
// `undefinedAsLatin1`, the C1 control of the same number.
std::optional<Text> fromWindows1252(std::string_view bytes, bool undefinedAsLatin1) {
    Text text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        char32_t code = byte;
        if (byte >= 0x80 && byte < 0xA0)
            code = kWindows1252High[byte - 0x80];
        if (code == 0 && byte != 0) {
            if (!undefinedAsLatin1)
                return std::nullopt;
            code = byte;
        }
        text.push_back(code);
    }
    return text;
}

bool isAsciiLetter(char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}
bool isKana(char32_t c) {
    return c >= 0x3041 && c <= 0x30FF;
}
bool isHalfWidthKana(char32_t c) {
    return c >= 0xFF61 && c <= 0xFF9F;
}
bool isIdeograph(char32_t c) {
    return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF);
}
bool isPrivateUse(char32_t c) {
    return c >= 0xE000 && c <= 0xF8FF;
}
// The letters of Windows-1252's upper half. Its letters at 0x80..0x9F (Š, Œ,
// Ž ...) are left out: they are rare in Western text, and a kanji such as
// 0x8A 0x43 reads as one of them beside an ASCII letter.
bool isLatinLetter(char32_t c) {
    return c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7;
}
// Windows-1252 signs that Western text hardly uses, but that the lead bytes
// of Japanese double-byte characters turn into.
bool isRareInWesternText(char32_t c) {
    for (const char32_t sign :
         {0x192, 0x201A, 0x201E, 0x2020, 0x2021, 0x2C6, 0x2030, 0x2039, 0x203A, 0x2DC}) {
        if (c == sign)
            return true;
    }
    return false;
}

struct Neighbours {
    char32_t before;
    char32_t after;
    int asciiLetters() const { return isAsciiLetter(before) + isAsciiLetter(after); }
};

Neighbours neighboursAt(const Text& text, std::size_t i) {
    return {i > 0 ? text[i - 1] : U' ', i + 1 < text.size() ? text[i + 1] : U' '};
}

// A reading's plausibility: the sum of its scores for its non-ASCII
// characters, each judged with its neighbours.
template <typename Score> int plausibility(const Text& text, Score score) {
    int total = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] >= 0x80)
            total += score(text[i], neighboursAt(text, i));
    }
    return total;
}

// Japanese text: kana and ideographs count for it; a user-defined (private
// use) character, a lone half-width katakana and a character that sits
// against Latin letters (Latin-1 "Fran\xe7aise" reads as "Fran" + a kanji +
// "ise") count against it.
int japaneseScore(char32_t c, Neighbours around) {
    int score = -2 * around.asciiLetters();
    if (isPrivateUse(c))
        score -= 5;
    else if (isKana(c))
        score += 2;
    else if (isIdeograph(c))
        score += 1;
    else if (isHalfWidthKana(c))
        score += isHalfWidthKana(around.before) || isHalfWidthKana(around.after) ? 1 : -1;
    return score;
}

// Western text: accented letters inside words count for it; runs of
// non-ASCII characters and the signs double-byte text turns into count
// against it.
int westernScore(char32_t c, Neighbours around) {
    int score = around.before >= 0x80 ? -1 : 0;
    if (isLatinLetter(c) && around.asciiLetters() > 0)
        score += 2;
    else if (isRareInWesternText(c))
        score -= 2;
    return score;
}

std::string utf8Of(const Text& text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (const char32_t code : text)
        text::appendUtf8(out, code);
    return out;
}

} // namespace

std::size_t validUtf8PrefixLength(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
            continue;
        }
        const std::size_t length = sequenceAt(text, at).length;
        if (length == 0)
            break;
        at += length;
    }
    return at;
}

bool isValidUtf8(std::string_view text) {
    return validUtf8PrefixLength(text) == text.size();
}

std::optional<std::string> decodeLegacyTextStrict(std::string_view bytes) {
    if (isUtf8OfAssignedCharacters(bytes))
        return std::string(bytes);
    const std::optional<Text> japanese = fromCp932(bytes);
    const std::optional<Text> western = fromWindows1252(bytes, false);
    // A tie goes to CP932, the code page of the lists and tags this player
    // was first made for.
    if (japanese && (!western || plausibility(*japanese, japaneseScore) >=
                                     plausibility(*western, westernScore)))
        return utf8Of(*japanese);
    if (western)
        return utf8Of(*western);
    return std::nullopt;
}

std::string decodeLegacyText(std::string_view bytes) {
    if (std::optional<std::string> decoded = decodeLegacyTextStrict(bytes))
        return std::move(*decoded);
    return utf8Of(*fromWindows1252(bytes, true));
}

} // namespace text
