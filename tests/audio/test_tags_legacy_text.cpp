#include "tags/legacy_text.h"

#include <gtest/gtest.h>

using audio::tags::decodeLegacyText;
using audio::tags::isValidUtf8;

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

TEST(TagsLegacyText, Cp932IsDecodedUtf8Kept) {
    EXPECT_EQ(decodeLegacyText("\x83\x65\x83\x58\x83\x67"), "テスト");
    EXPECT_EQ(decodeLegacyText("\x93\xFA\x96\x7B abc"), "日本 abc");
    // 0x8160 is FULLWIDTH TILDE in CP932 (WAVE DASH in strict Shift_JIS).
    EXPECT_EQ(decodeLegacyText("\x81\x60"), "\xEF\xBD\x9E");
    // Half-width katakana are single bytes.
    EXPECT_EQ(decodeLegacyText("\xB1"), "ｱ");
    EXPECT_EQ(decodeLegacyText("日本"), "日本");
    EXPECT_EQ(decodeLegacyText(""), "");
}

TEST(TagsLegacyText, BytesThatAreNotCp932AreLatin1) {
    // A lone lead byte at the end is not CP932.
    EXPECT_EQ(decodeLegacyText("caf\xE9"), "café");
    EXPECT_EQ(decodeLegacyText("\x80"), "\xC2\x80");
}
