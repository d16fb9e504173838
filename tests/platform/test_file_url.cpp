// file: URLs carry the exact bytes of a path, both ways.
#include "platform/file_url.h"

#include "platform/file_name.h"

#include "bytes_and_text.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(FileUrl, APathTravelsAsItsBytes) {
    const BytesAndText cases[] = {
        // a path's bytes and its URL
        {"/music/caf\xE9/01 - Intro.mp3", u"file:///music/caf%E9/01%20-%20Intro.mp3"_qs},
        {"/music/\x83\x65\x83\x58\x83\x67.mp3", u"file:///music/%83e%83X%83g.mp3"_qs}, // CP932
        {"/music/b\xFF\xFE.mp3", u"file:///music/b%FF%FE.mp3"_qs},
        {"/\xE6\x9B\xB2 #1?.mp3", u"file:///%E6%9B%B2%20%231%3F.mp3"_qs},
        {"/a%20b/x~y_z-1.0", u"file:///a%2520b/x~y_z-1.0"_qs},
    };
    for (const auto& c : cases) {
        const QString path = decodeFileName(c.bytes);
        EXPECT_EQ(fileUrlOf(path), c.text) << c.bytes.toHex().constData();
        const std::optional<QString> back = localPathOfFileUrl(c.text.toUtf8());
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(encodeFileName(*back), c.bytes) << c.text.toStdString();
    }
}

TEST(FileUrl, OnlyLocalFileUrlsNameAPath) {
    const struct {
        QByteArray url;
        std::optional<QByteArray> path; // nothing: not a file URL
    } cases[] = {
        {"file://localhost/a%20b.mp3", "/a b.mp3"},
        {"FILE:/a.mp3", "/a.mp3"},
        {"file:///\xE6\x9B\xB2.mp3", "/\xE6\x9B\xB2.mp3"}, // written unescaped
        {"file://music-server/a.mp3", ""},                 // another host
        {"file:a.mp3", ""},
        {"file://", ""},
        {"file:///music/v.ogg%00.txt", ""}, // a NUL would cut the path to v.ogg
        {"file:///music/v.ogg%00", ""},
        {"file://localhost/%00/etc/passwd", ""},
        {"file:///music/100%25.mp3", "/music/100%.mp3"},
        {"http://example.com/a.mp3", std::nullopt},
        {"/a.mp3", std::nullopt},
    };
    for (const auto& c : cases) {
        const std::optional<QString> path = localPathOfFileUrl(c.url);
        ASSERT_EQ(path.has_value(), c.path.has_value()) << c.url.constData();
        if (path) {
            EXPECT_EQ(encodeFileName(*path), *c.path) << c.url.constData();
        }
    }
}
