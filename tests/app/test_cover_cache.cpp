// The cover cache for desktop media widgets stays bounded: a picture beyond
// the size limit is not stored, and the pictures used longest ago leave the
// folder once it holds more than its total.
#include "app/cover_art.h"

#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <utime.h>

namespace {

// A PNG's signature and header, then `size` bytes of noise.
QByteArray Picture(qsizetype size, unsigned seed) {
    QByteArray bytes = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452");
    std::mt19937 random(seed);
    while (bytes.size() < size)
        bytes.append(static_cast<char>(random() & 0xFF));
    return bytes;
}

QString StoredPath(const QString& url) {
    return QUrl(url).toLocalFile();
}

void SetAge(const QString& path, time_t secondsAgo) {
    const time_t when = time(nullptr) - secondsAgo;
    const utimbuf times{when, when};
    ASSERT_EQ(utime(QFile::encodeName(path).constData(), &times), 0);
}

class CoverCacheTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(dir.path())); }
    void TearDown() override { qunsetenv("XDG_CACHE_HOME"); }
    testsupport::TempDir dir;
};

} // namespace

TEST_F(CoverCacheTest, APictureBeyondTheLimitIsNotStored) {
    const app::CoverCacheLimits limits{100000, 1000000};
    const struct {
        qsizetype size;
        bool stored;
    } cases[] = {{99999, true}, {100000, true}, {100001, false}, {9 * 1000 * 1000, false}};
    for (const auto& c : cases) {
        const QString url = app::CachedCoverUrl(Picture(c.size, c.size), limits);
        EXPECT_EQ(!url.isEmpty(), c.stored) << c.size;
        if (c.stored) {
            EXPECT_EQ(QFileInfo(StoredPath(url)).size(), c.size);
        }
    }
    EXPECT_EQ(QDir(app::CoverCacheFolder()).entryList(QDir::Files).size(), 2);
}

TEST_F(CoverCacheTest, ThePicturesUsedLongestAgoLeaveAFullFolder) {
    const app::CoverCacheLimits limits{100000, 250000};
    QStringList stored;
    for (unsigned i = 0; i < 3; ++i) {
        stored.append(StoredPath(app::CachedCoverUrl(Picture(80000, i), limits)));
        ASSERT_FALSE(stored.last().isEmpty());
    }
    const QString notes = app::CoverCacheFolder() + u"/notes.txt"_qs;
    QFile other(notes);
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write(QByteArray(300000, 'n'));
    other.close();
    SetAge(stored[0], 300);
    SetAge(stored[1], 200);
    SetAge(stored[2], 100);
    SetAge(notes, 1000);
    // The oldest is used again, so the next oldest goes for a new one.
    EXPECT_EQ(StoredPath(app::CachedCoverUrl(Picture(80000, 0), limits)), stored[0]);
    const QString fourth = StoredPath(app::CachedCoverUrl(Picture(80000, 3), limits));
    const struct {
        QString path;
        bool kept;
    } cases[] = {
        {stored[0], true}, {stored[1], false}, {stored[2], true}, {fourth, true}, {notes, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QFileInfo::exists(c.path), c.kept) << c.path.toStdString();

    // Five large pictures in a row: never more than the total.
    for (unsigned i = 10; i < 15; ++i) {
        const QString path = StoredPath(app::CachedCoverUrl(Picture(95000, i), limits));
        EXPECT_TRUE(QFileInfo::exists(path)) << "the picture asked for stays";
        qint64 total = 0;
        for (const QFileInfo& file : QDir(app::CoverCacheFolder()).entryInfoList(QDir::Files))
            total += file.fileName() == u"notes.txt"_qs ? 0 : file.size();
        EXPECT_LE(total, limits.maxTotalBytes);
    }
}
