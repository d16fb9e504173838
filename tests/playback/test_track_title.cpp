// Composing titles: the length suffix, station metadata and Ogg comments,
// and cutting texts to their buffers at character boundaries.
#include "playback/track_title.h"

#include <gtest/gtest.h>

using namespace playback;

TEST(TrackTitle, LengthSuffixShowsMinutesAndSecondsOfAPositiveLength) {
    EXPECT_EQ(LengthSuffix(245), "(4:05)");
    EXPECT_EQ(LengthSuffix(4500), "(75:00)");
    EXPECT_EQ(LengthSuffix(59), "(0:59)");
    EXPECT_EQ(LengthSuffix(0), "");
    EXPECT_EQ(LengthSuffix(-1), "");
}

TEST(TrackTitle, StreamTitleNeedsItsOpeningAndItsClosing) {
    QByteArray title;
    ASSERT_TRUE(ExtractStreamTitle("StreamTitle='Artist - Song';StreamUrl='';", &title));
    EXPECT_EQ(title, "Artist - Song");
    ASSERT_TRUE(ExtractStreamTitle("StreamTitle='';", &title));
    EXPECT_EQ(title, "");
    ASSERT_TRUE(ExtractStreamTitle("StreamTitle='It's';", &title));
    EXPECT_EQ(title, "It's");
    EXPECT_FALSE(ExtractStreamTitle("StreamTitle='no end", &title));
    EXPECT_FALSE(ExtractStreamTitle("StreamUrl='x';", &title));
    EXPECT_FALSE(ExtractStreamTitle("", &title));
}

TEST(TrackTitle, OggCommentsMatchInAnyCaseAndComposeInOrder) {
    EXPECT_EQ(ComposeOggTitle({"ARTIST=A", "album=B", "Title=C"}), "A - B - C");
    EXPECT_EQ(ComposeOggTitle({"TITLE=Only"}), " - Only");
    EXPECT_EQ(ComposeOggTitle({"artist=A"}), "A");
    EXPECT_EQ(ComposeOggTitle({"GENRE=x", "Artists=no"}), "");
    EXPECT_EQ(ComposeOggTitle({"title=first", "TITLE=second"}), " - second");
    EXPECT_EQ(ComposeOggTitle({"Title="}), " - ");
}

TEST(TrackTitle, ALongOggTitleIsCutToItsBufferAtACharacterBoundary) {
    const QByteArray kana = "\xE3\x81\x82"; // one three-byte character
    QByteArray title = "Title=";
    for (int i = 0; i < 200; ++i)
        title += kana;
    const QByteArray composed = ComposeOggTitle({title});
    EXPECT_LE(composed.size(), kOggTitleBytes);
    EXPECT_EQ(composed.size(), 3 + 84 * 3); // " - " and whole characters only
    EXPECT_FALSE(QString::fromUtf8(composed).contains(QChar::ReplacementCharacter));
}

TEST(TrackTitle, CuttingNeverSplitsASurrogatePair) {
    QString text(254, QLatin1Char('a'));
    text += QString::fromUcs4(U"\U0001F3B5x");
    const QString cut = CutToUnits(text, kTitleUnits);
    EXPECT_EQ(cut.size(), 254);
    EXPECT_EQ(CutToUnits("short", kTitleUnits), "short");
    EXPECT_EQ(CutUtf8("abc", 2), "ab");
    EXPECT_EQ(CutUtf8("a\xC3\xA9", 2), "a");
}
