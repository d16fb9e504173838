// File names as bytes: every name comes back to its bytes, and is shown as
// people read it.
#include "platform/file_name.h"

#include "bytes_and_text.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

// The text with each "%XX" replaced by the unit that carries byte 0xXX.
QString Carried(const QString& text) {
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 2 < text.size()) {
            result += QChar(0xDC00 + text.mid(i + 1, 2).toUInt(nullptr, 16));
            i += 2;
        } else {
            result += text[i];
        }
    }
    return result;
}

} // namespace

TEST(FileName, EveryNameComesBackToItsBytes) {
    const BytesAndText cases[] = {
        {"", u""_qs},
        {"01 - Intro.flac", u"01 - Intro.flac"_qs},
        {"\xE6\x9B\xB2.mp3", u"曲.mp3"_qs},
        {"caf\xE9.mp3", Carried(u"caf%E9.mp3"_qs)},                        // Latin-1
        {"\x83\x65\x83\x58\x83\x67.mp3", Carried(u"%83e%83X%83g.mp3"_qs)}, // CP932 "テスト"
        {"b\xFF\xFE.mp3", Carried(u"b%FF%FE.mp3"_qs)},
        {"\xEF\xBB\xBF"
         "a",
         u"\uFEFFa"_qs}, // a byte order mark belongs to the name
        {"\xFF\xEF\xBB\xBF", Carried(u"%FF\uFEFF"_qs)},
        {"\xED\xB3\xA9", Carried(u"%ED%B3%A9"_qs)}, // UTF-8 of a surrogate is not UTF-8
        {"\xF0\x9F\x8E\xB5\xC3", Carried(u"🎵%C3"_qs)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decodeFileName(c.bytes), c.text) << c.bytes.toHex().constData();
        EXPECT_EQ(encodeFileName(c.text), c.bytes) << c.bytes.toHex().constData();
    }
    const QString lone = u"a"_qs + QChar(0xD800) + u"b"_qs; // not a carried byte
    EXPECT_EQ(encodeFileName(lone), "a\xEF\xBF\xBD"
                                    "b");
}

TEST(FileName, NamesAreShownAsPeopleReadThem) {
    const BytesAndText cases[] = {
        {"01 - Intro.flac", u"01 - Intro.flac"_qs},
        {"\xE6\x9B\xB2.mp3", u"曲.mp3"_qs},
        {"caf\xE9.mp3", u"café.mp3"_qs},
        {"\x83\x65\x83\x58\x83\x67.mp3", u"テスト.mp3"_qs},
        {"b\xFF\xFE.mp3", u"bÿþ.mp3"_qs},
        {"\xD7\xBC\xDE\xB5.mp3", u"ﾗｼﾞｵ.mp3"_qs},
        {"x\x81 \x8D.mp3", u"x\uFFFD \uFFFD.mp3"_qs}, // nothing decodes these
    };
    for (const auto& c : cases) {
        const QString name = decodeFileName(c.bytes);
        EXPECT_EQ(readableFileName(name), c.text) << c.bytes.toHex().constData();
        EXPECT_EQ(holdsUndecodedBytes(name), !c.bytes.isValidUtf8()) << c.bytes.toHex().constData();
    }
}
