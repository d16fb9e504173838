#include "platform/code_page.h"

#include "bytes_and_text.h"

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
    EXPECT_EQ(decodeUtf8Prefix(text), u"abécd"_qs);
    EXPECT_EQ(decodeUtf8Prefix(bytes("ok\xE3\x83")), u"ok"_qs); // truncated sequence at the end
    EXPECT_EQ(decodeUtf8Prefix(bytes("\xEF\xBB\xBF"
                                     "a\xFF")),
              u"a"_qs);
}

// Valid UTF-8 of assigned characters is UTF-8; otherwise the more plausible
// of CP932 and Windows-1252.
TEST(CodePageDecode, ChoosesTheEncodingTheBytesWereWrittenIn) {
    const BytesAndText cases[] = {
        {"", u""_qs},
        {"\xE6\x9B\xB2.mp3", u"曲.mp3"_qs},
        {"Caf\xC3\xA9 \xF0\x9F\x8E\xB5", u"Café 🎵"_qs},
        {"\xEF\xBB\xBF"
         "a.mp3",
         u"a.mp3"_qs}, // a byte order mark is dropped
        {"\x83\x65\x83\x58\x83\x67.mp3", u"テスト.mp3"_qs},
        {"\x93\xFA\x96\x7B abc", u"日本 abc"_qs},
        {"J-POP\x96\xBC\x8B\xC8", u"J-POP名曲"_qs},
        {"\xD7\xBC\xDE\xB5", u"ﾗｼﾞｵ"_qs}, // valid UTF-8, but of unassigned code points
        {"\xB1\xB2", u"ｱｲ"_qs},
        {"\x81\x60", u"\uFF5E"_qs}, // FULLWIDTH TILDE in CP932, WAVE DASH in Shift-JIS
        {"\x87\x40", u"①"_qs},      // NEC special character
        {"Radio Fran\xE7"
         "aise",
         u"Radio Française"_qs},                    // "\xE7" "a" is a kanji in CP932
        {"Bj\xF6rk - J\xF3ga", u"Björk - Jóga"_qs}, // user-defined characters in CP932
        {"Bj\xF8rk", u"Bjørk"_qs},
        {"caf\xE9.mp3", u"café.mp3"_qs},
        {"b\xFF\xFE.mp3", u"bÿþ.mp3"_qs},
        {"Cr\xE8me br\xFBl\xE9"
         "e",
         u"Crème brûlée"_qs},
        {"S\xE3o Paulo", u"São Paulo"_qs},
        {"\x93Quote\x94 \x96 it\x92s", u"“Quote” – it’s"_qs},
        {"\xC9ric", u"Éric"_qs},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeAnsi(c.bytes), c.text) << c.bytes.toHex().constData();
}

TEST(CodePageDecode, BytesNoCodePageDecodesAreKeptAndShownAsReplacements) {
    // 0x81 is undefined in Windows-1252 and starts no CP932 character before a blank.
    const QByteArray undecodable("a\x81 b\x8D");
    EXPECT_EQ(decodeAnsi(undecodable), u"a"_qs + QChar(0xDC81) + u" b"_qs + QChar(0xDC8D));
    EXPECT_EQ(readableAnsi(undecodable), u"a\uFFFD b\uFFFD"_qs);
    EXPECT_EQ(encodeListLine(decodeAnsi(undecodable)), undecodable);
    EXPECT_EQ(readableAnsi(bytes("Bj\xF6rk")), u"Björk"_qs);
}

TEST(CodePageEncode, ListLinesAreCp932WhenTheyFitElseUtf8AndReadBackUnchanged) {
    const struct {
        QString line;
        QByteArray written;
    } cases[] = {
        {u"http://127.0.0.1:8000/live"_qs, "http://127.0.0.1:8000/live"},
        {u"テスト\u3000\uFF5E①"_qs, "\x83\x65\x83\x58\x83\x67\x81\x40\x81\x60\x87\x40"},
        {u"Café \u30C6 🎵"_qs, "Caf\xC3\xA9 \xE3\x83\x86 \xF0\x9F\x8E\xB5"},
        {u"Radio Française,http://fr/"_qs, "Radio Fran\xC3\xA7"
                                           "aise,http://fr/"},
        // Half-width "ﾃｽ" is C3 BD in CP932, which is valid UTF-8 of "ý".
        {u"ﾃｽ"_qs, "\xEF\xBE\x83\xEF\xBD\xBD"},
        // WAVE DASH shares CP932 0x8160 with FULLWIDTH TILDE.
        {u"\u301C"_qs, "\xE3\x80\x9C"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(encodeListLine(c.line), c.written) << c.line.toStdString();
        EXPECT_EQ(decodeAnsi(encodeListLine(c.line)), c.line) << c.line.toStdString();
    }
}

TEST(CodePageEncode, ALineStartingWithAByteOrderMarkKeepsIt) {
    // Reading drops one leading byte order mark; a line's own must survive.
    for (const QString& line : {u"\uFEFFname"_qs, u"\uFEFF\uFEFF"_qs, u"\uFEFF\u66F2"_qs}) {
        const QByteArray written = encodeListLine(line);
        EXPECT_EQ(decodeAnsi(written), line) << written.toHex().toStdString();
    }
    EXPECT_EQ(encodeListLine(u"a\uFEFF"_qs), u"a\uFEFF"_qs.toUtf8()) << "only a leading mark";
}
