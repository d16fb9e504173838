#include "platform/code_page.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

QByteArray bytes(const char* text) {
    return QByteArray(text);
}

} // namespace

TEST(CodePageUtf8Check, AcceptsWellFormedText) {
    for (const char* text : {"", "plain", "caf\xC3\xA9", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88",
                             "\xF0\x9F\x8E\xB5", "\xEF\xBF\xBF", "\xF4\x8F\xBF\xBF"}) {
        EXPECT_TRUE(isValidUtf8(text, strlen(text))) << text;
    }
}

TEST(CodePageUtf8Check, RejectsMalformedText) {
    for (const char* text : {
             "\xC0\xAF",                 // overlong '/'
             "\xE0\x80\xAF",             // overlong, three bytes
             "\xED\xA0\x80",             // surrogate U+D800
             "\xF4\x90\x80\x80",         // above U+10FFFF
             "\xF5\x80\x80\x80",         // invalid lead byte
             "\x80",                     // lone continuation byte
             "\xE3\x83",                 // cut off at the end
             "\xE3\x41\x42",             // continuation missing
             "\x83\x65\x83\x58\x83\x67", // CP932 "テスト"
         }) {
        EXPECT_FALSE(isValidUtf8(text, strlen(text))) << QByteArray(text).toHex().constData();
    }
}

TEST(CodePageUtf8Check, PrefixStopsAtFirstInvalidSequence) {
    const QByteArray text("ab\xC3\xA9"
                          "cd\xFF"
                          "ef\xC3\xA9");
    EXPECT_EQ(validUtf8PrefixLength(text.constData(), text.size()), 6u);
    EXPECT_EQ(decodeUtf8Prefix(text), QString::fromUtf8("ab\xC3\xA9"
                                                        "cd"));
    EXPECT_EQ(decodeUtf8Prefix(bytes("ok\xE3\x83")), u"ok"_qs); // truncated sequence at the end
    EXPECT_EQ(decodeUtf8Prefix(bytes("\xE3\x83\x86")), u"\u30C6"_qs);
}

TEST(CodePageDecode, LeadingByteOrderMarkIsDropped) {
    EXPECT_EQ(decodeAnsi(bytes("\xEF\xBB\xBF"
                               "a.mp3")),
              u"a.mp3"_qs);
    EXPECT_EQ(decodeUtf8Prefix(bytes("\xEF\xBB\xBF"
                                     "a\xFF")),
              u"a"_qs);
}

TEST(CodePageDecode, ValidUtf8StaysUtf8) {
    EXPECT_EQ(decodeAnsi(bytes("\xE6\x9B\xB2.mp3")), u"\u66F2.mp3"_qs);
    EXPECT_EQ(decodeAnsi(QByteArray()), QString());
}

TEST(CodePageDecode, OtherBytesAreCp932) {
    EXPECT_EQ(decodeAnsi(bytes("\x83\x65\x83\x58\x83\x67.mp3")), u"\u30C6\u30B9\u30C8.mp3"_qs);
    // Half-width katakana are single bytes.
    EXPECT_EQ(decodeAnsi(bytes("\xB1\xB2")), u"\uFF71\uFF72"_qs);
}

TEST(CodePageDecode, Cp932NotShiftJisMappings) {
    // These codes differ between CP932 and plain Shift-JIS.
    EXPECT_EQ(decodeAnsi(bytes("\x81\x60")), u"\uFF5E"_qs); // FULLWIDTH TILDE
    EXPECT_EQ(decodeAnsi(bytes("\x81\x7C")), u"\uFF0D"_qs); // FULLWIDTH HYPHEN-MINUS
    EXPECT_EQ(decodeAnsi(bytes("\x87\x40")), u"\u2460"_qs); // NEC special: circled 1
}

TEST(CodePageDecode, InvalidCp932BytesBecomeReplacementCharacters) {
    // 0xA0 and 0xFD are not used by CP932; a lead byte at the very end is cut off.
    EXPECT_EQ(decodeAnsi(bytes("a\xA0"
                               "b")),
              u"a\uFFFDb"_qs);
    EXPECT_EQ(decodeAnsi(bytes("\xFD\x83\x65")), u"\uFFFD\u30C6"_qs);
    EXPECT_EQ(decodeAnsi(bytes("\x83\x65\x83")), u"\u30C6\uFFFD"_qs);
}

TEST(CodePageDecode, StationTextFollowsTheSameRule) {
    EXPECT_EQ(decodeStationText(bytes("Artist - \xE6\x9B\xB2")), u"Artist - \u66F2"_qs);
    EXPECT_EQ(decodeStationText(bytes("Artist - \x8B\xC8")), u"Artist - \u66F2"_qs);
}

TEST(CodePageEncode, AsciiLineIsUnchanged) {
    EXPECT_EQ(encodeListLine(u"http://127.0.0.1:8000/live"_qs),
              QByteArray("http://127.0.0.1:8000/live"));
}

TEST(CodePageEncode, JapaneseLineIsWrittenInCp932) {
    const QString line = u"\u30C6\u30B9\u30C8\u3000\uFF5E\u2460"_qs;
    const QByteArray encoded = encodeListLine(line);
    EXPECT_EQ(encoded, QByteArray("\x83\x65\x83\x58\x83\x67\x81\x40\x81\x60\x87\x40"));
    EXPECT_EQ(decodeAnsi(encoded), line);
}

TEST(CodePageEncode, LineOutsideCp932IsWrittenInUtf8) {
    const QString line = u"Caf\u00E9 \u30C6 \U0001F3B5"_qs; // é and the emoji have no CP932 code
    EXPECT_EQ(encodeListLine(line), line.toUtf8());
    EXPECT_EQ(decodeAnsi(encodeListLine(line)), line);
}

TEST(CodePageEncode, EveryLineReadsBackUnchanged) {
    const QString lines[] = {
        u"\uFF83\uFF7D"_qs, // half-width "ﾃｽ": its CP932 bytes C3 BD are valid UTF-8
        u"\u301C"_qs,       // WAVE DASH shares CP932 0x8160 with FULLWIDTH TILDE
        u"\u66F2\u540D"_qs,
        u"mixed \u00E9\u66F2"_qs,
    };
    for (const QString& line : lines)
        EXPECT_EQ(decodeAnsi(encodeListLine(line)), line) << line.toStdString();
}

TEST(CodePageEncode, ALineStartingWithAByteOrderMarkKeepsIt) {
    // Reading drops one leading byte order mark; a line's own must survive.
    for (const QString& line : {u"\uFEFFname"_qs, u"\uFEFF\uFEFF"_qs, u"\uFEFF\u66F2"_qs}) {
        const QByteArray written = encodeListLine(line);
        EXPECT_EQ(decodeAnsi(written), line) << written.toHex().toStdString();
    }
    EXPECT_EQ(encodeListLine(u"a\uFEFF"_qs), u"a\uFEFF"_qs.toUtf8()) << "only a leading mark";
}
