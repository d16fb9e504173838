// Names that are not UTF-8 cross the bus as file URLs of their bytes: the
// playing track's xesam:url, and OpenUri of that URL back to the same file.
#include "mpris_fixture.h"

#include "platform/file_name.h"
#include "tracklist/row_location.h"

TEST_F(MprisTest, AFileNamedInAnyBytesTravelsAsTheUrlOfItsBytes) {
    auto& f = startPlayer(0);
    const struct {
        std::string name;
        QString escaped;
    } cases[] = {
        {"caf\xE9.wav", u"caf%E9.wav"_qs},
        {"\x83\x65\x83\x58\x83\x67.wav", u"%83e%83X%83g.wav"_qs}, // CP932 "テスト"
        {"b\xFF\xFE.wav", u"b%FF%FE.wav"_qs},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.escaped.toStdString());
        std::filesystem::copy_file(testsupport::fixture("silence_10s.wav"), dir.file(c.name));
        const QByteArray bytes = QByteArray::fromStdString(dir.file(c.name));
        f.trackList()->ClearRows();
        f.trackList()->AppendRow(platform::decodeFileName(bytes), u"row"_qs);
        playRow(0);
        ASSERT_NE(f.engine().stream(), 0u);
        const QString url = metadata().value("xesam:url").toString();
        EXPECT_EQ(url.toStdString(), "file://" + dir.path() + '/' + c.escaped.toStdString());

        f.OnCommand(res::ID_PLAY_STOP);
        f.trackList()->ClearRows();
        openUri(url);
        ASSERT_NE(f.engine().stream(), 0u) << "the file was opened";
        EXPECT_EQ(platform::encodeFileName(tracklist::FromRowLocation(f.engine().trackLocation())),
                  bytes);
    }
}
