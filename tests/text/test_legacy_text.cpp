#include "text/legacy_text.h"

#include <gtest/gtest.h>

using text::decodeLegacyText;
using text::isValidUtf8;

TEST(TagsLegacyText, Utf8Validation) {
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("plain"));
    EXPECT_TRUE(isValidUtf8("日本語 é 😀"));
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));         // overlong '/'
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xE6\x97"));         // cut short
    EXPECT_FALSE(isValidUtf8("\x83\x65"));         // CP932
}

// 8-bit tag fields: UTF-8 when they are UTF-8 of assigned characters, else
// the more plausible of CP932 and Windows-1252, else Latin-1.
TEST(TagsLegacyText, FieldsAreReadInTheEncodingTheyWereWrittenIn) {
    const struct {
        const char* bytes;
        const char* utf8;
    } cases[] = {
        {"", ""},
        {"日本", "日本"},
        {"\x83\x65\x83\x58\x83\x67", "テスト"},
        {"\x93\xFA\x96\x7B abc", "日本 abc"},
        {"\x8A\x43", "海"},            // its Windows-1252 reading is "ŠC"
        {"\x81\x60", "\xEF\xBD\x9E"},  // FULLWIDTH TILDE (WAVE DASH in strict Shift-JIS)
        {"\xB1\xB2\xB3", "ｱｲｳ"},       // half-width katakana are single bytes
        {"\xD7\xBC\xDE\xB5", "ﾗｼﾞｵ"},  // valid UTF-8 of unassigned code points
        {"caf\xE9", "café"},           // a CP932 lead byte cut off at the end
        {"Mot\xF6rhead", "Motörhead"}, // a user-defined character in CP932
        {"Fran\xE7"
         "aise",
         "Française"},               // a kanji between Latin letters in CP932
        {"\x81 \x80", "\xC2\x81 €"}, // nothing decodes 0x81: Latin-1
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeLegacyText(c.bytes), c.utf8) << c.bytes;
}
