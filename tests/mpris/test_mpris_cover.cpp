// The cover picture is read on a worker thread: the metadata answers at once,
// the picture's arrival is announced, and a picture read for a track that no
// longer plays is dropped.
#include "mpris_fixture.h"

#include "support/temp_dir.h"

#include <QFile>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>

namespace {

// A picture read that waits until the test lets it go (at most half a
// minute, so that a failing test still ends).
struct HeldRead {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> started{0};
    std::atomic<int> finished{0};

    void wait() { released.wait_for(std::chrono::seconds(30)); }
};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The picture the fixture writer puts into its tags: PICTURE_BYTES bytes of
// its pseudo-random sequence.
QByteArray WriterPicture(int bytes) {
    QByteArray picture;
    uint32_t state = 12345;
    for (int i = 0; i < bytes; ++i) {
        state = state * 1103515245u + 12345u;
        picture.append(static_cast<char>(state >> 16));
    }
    return picture;
}

class MprisCoverTest : public MprisTest {
protected:
    void SetUp() override {
        MprisTest::SetUp();
        setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
    }
    void TearDown() override {
        MprisTest::TearDown();
        unsetenv("XDG_CACHE_HOME");
    }
    void addFixtureRow(const char* fixtureName, const std::string& name) {
        std::filesystem::copy_file(testsupport::fixture(fixtureName), dir.file(name));
        frame->trackList()->AppendRow(rowPath(name), QString::fromStdString(name));
    }
    QByteArray shownCover() {
        return ReadAll(QUrl(metadata().value("mpris:artUrl").toString()).toLocalFile());
    }

    testsupport::TempDir cache;
};

} // namespace

TEST_F(MprisCoverTest, TheMetadataAnswersWhileTheCoverOfAHostileFileIsRead) {
    // 40,000 user text frames before the picture.
    auto held = std::make_shared<HeldRead>();
    startPlayer(0, [held](HSTREAM stream) {
        ++held->started;
        held->wait();
        const QByteArray picture = app::CoverReader::EmbeddedPicture(stream);
        ++held->finished;
        return picture;
    });
    addFixtureRow("tone_1k_3s_many_frames_cover.mp3", "01 - Intro.mp3");
    playRow(0);
    const QVariantMap meta = metadata();
    EXPECT_EQ(meta.value("xesam:title").toString(), "Title");
    EXPECT_FALSE(meta.contains("mpris:artUrl")) << "not read yet";
    EXPECT_EQ(held->finished, 0) << "the answer did not wait for the picture";

    held->release.set_value();
    const auto announced = client->waitForChange(
        [](const QVariantMap& changed) {
            return testsupport::AsMap(changed.value("Metadata")).contains("mpris:artUrl");
        },
        30000);
    ASSERT_TRUE(announced) << "the picture's arrival is announced";
    EXPECT_EQ(held->started, 1) << "read once per track";
    EXPECT_EQ(shownCover(), WriterPicture(20000));
}

TEST_F(MprisCoverTest, ThePictureOfATrackThatNoLongerPlaysIsDropped) {
    auto held = std::make_shared<HeldRead>();
    startPlayer(0, [held](HSTREAM) {
        const bool first = held->started++ == 0;
        if (first)
            held->wait();
        ++held->finished;
        return QByteArray(first ? "picture of the first track" : "picture of the second track");
    });
    addFixtureRow("silence_10s.wav", "1 - a.wav");
    addFixtureRow("silence_10s.wav", "2 - b.wav");
    playRow(0);
    metadata(); // the first track's picture is being read
    playRow(1);
    EXPECT_FALSE(metadata().contains("mpris:artUrl"));
    held->release.set_value();
    ASSERT_TRUE(QTest::qWaitFor([&] { return held->finished == 2; }, 30000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return metadata().contains("mpris:artUrl"); }, 30000));
    QCoreApplication::processEvents(); // the first track's answer, had it been kept
    EXPECT_EQ(shownCover(), QByteArray("picture of the second track"));
}
