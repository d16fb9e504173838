// Replays every kept fuzzing input (tests/fuzz/corpus/<harness>/) through its
// harness, so that the inputs that once found a fault, and the coverage the
// fuzzer grew, are checked by every test run. A harness aborts on a broken
// promise, which fails the test.
#include "fuzz_targets.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

using Harness = int (*)(const uint8_t*, size_t);

// Runs every file of the harness's corpus; returns how many there were.
int Replay(const char* name, Harness harness) {
    const QDir folder(QStringLiteral(QUAVERLY_FUZZ_CORPUS "/") + QLatin1String(name));
    int count = 0;
    for (const QString& entry : folder.entryList(QDir::Files, QDir::Name)) {
        QFile file(folder.filePath(entry));
        if (!file.open(QIODevice::ReadOnly)) {
            ADD_FAILURE() << "cannot read " << entry.toStdString();
            continue;
        }
        const QByteArray input = file.readAll();
        SCOPED_TRACE(entry.toStdString());
        EXPECT_EQ(harness(reinterpret_cast<const uint8_t*>(input.constData()),
                          static_cast<size_t>(input.size())),
                  0);
        ++count;
    }
    return count;
}

} // namespace

TEST(FuzzReplay, PlaylistFiles) {
    EXPECT_GT(Replay("playlist", fuzzPlaylist), 0);
}

TEST(FuzzReplay, StationAndFeedListRewrite) {
    EXPECT_GT(Replay("list_rewrite", fuzzListRewrite), 0);
}

TEST(FuzzReplay, RssEpisodeWalk) {
    EXPECT_GT(Replay("rss_feed", fuzzRssFeed), 0);
}

TEST(FuzzReplay, IcyHeadersMetadataAndPlaylistLinks) {
    EXPECT_GT(Replay("icy_stream", fuzzIcyStream), 0);
}

TEST(FuzzReplay, SettingsFile) {
    EXPECT_GT(Replay("ini_file", fuzzIniFile), 0);
}

TEST(FuzzReplay, TagFormat) {
    EXPECT_GT(Replay("tag_format", fuzzTagFormat), 0);
}

TEST(FuzzReplay, CodePages) {
    EXPECT_GT(Replay("code_page", fuzzCodePage), 0);
}

TEST(FuzzReplay, AudioOpenAndDecode) {
    EXPECT_GT(Replay("audio_decode", fuzzAudioDecode), 0);
}
