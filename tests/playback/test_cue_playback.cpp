// Tracks of an album image played as rows of their own (a cue sheet's
// tracks): each plays its part of the image, consecutive tracks join to the
// sample, position, length and seeks are the track's, and the play orders
// and skip marks treat them as any rows.
#include "engine_fixture.h"

#include "playback/play_order.h"
#include "res/resource_ids.h"
#include "support/process_runner.h"
#include "tracklist/track_marks.h"
#include "tracklist/track_section.h"

#include <QFile>
#include <set>

using namespace res;

namespace {

constexpr int kRate = 44100;
constexpr int kFrameBytes = 4; // 16-bit stereo
constexpr int kSamplesPerCdFrame = kRate / 75;

// A 4-second image of noise (no two stretches alike, so a sample too many
// or too few shows), in the format of the name's extension.
std::string MakeImage(const testsupport::TempDir& dir, const std::string& name) {
    const std::string path = dir.file(name);
    const auto made = testsupport::runProgram(
        "ffmpeg",
        {"-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
         "anoisesrc=seed=7:sample_rate=44100:duration=4:amplitude=0.5", "-ac", "2", "-af",
         "aformat=sample_fmts=s16|s16p", QString::fromStdString(path)},
        60000);
    EXPECT_TRUE(made.finished && made.exitCode == 0) << made.err.toStdString();
    return path;
}

// The image decoded by ffmpeg as 16-bit stereo.
QByteArray DecodedPcm(const testsupport::TempDir& dir, const std::string& image) {
    const std::string raw = dir.file("image.raw");
    const auto made = testsupport::runProgram("ffmpeg",
                                              {"-nostdin", "-loglevel", "error", "-y", "-i",
                                               QString::fromStdString(image), "-f", "s16le", "-ac",
                                               "2", QString::fromStdString(raw)},
                                              60000);
    EXPECT_TRUE(made.finished && made.exitCode == 0) << made.err.toStdString();
    QFile file(QString::fromStdString(raw));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// The sample data of a WAV file the wav: output wrote.
QByteArray WavData(const std::string& path) {
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray wav = file.readAll();
    const qsizetype data = wav.indexOf("data", 12);
    return data < 0 ? QByteArray() : wav.mid(data + 8);
}

tracklist::TrackSection Section(const std::string& image, int number, int64_t start, int64_t end) {
    tracklist::TrackSection section;
    section.file = QString::fromStdString(image);
    section.number = number;
    section.start = start;
    section.end = end;
    section.title = QStringLiteral("Title %1").arg(number);
    section.performer = QStringLiteral("Band");
    section.album = QStringLiteral("Album");
    section.date = QStringLiteral("1999");
    return section;
}

// Track 1 from 0, track 2 from 1 s 37/75 (a pregap from 1 s 20/75 in the
// sheet, which belongs to track 1), track 3 from 2 s 50/75 to the end.
constexpr int64_t kStarts[] = {0, 75 + 37, 150 + 50};

} // namespace

class CuePlaybackTest : public EngineTest {
protected:
    void addTracks(const std::string& image) {
        for (int i = 0; i < 3; ++i) {
            const int64_t end = i < 2 ? kStarts[i + 1] : -1;
            auto section =
                std::make_shared<tracklist::TrackSection>(Section(image, i + 1, kStarts[i], end));
            list.AppendRow(tracklist::SectionLocation(section->file, i + 1), section->title,
                           section);
        }
    }
    // Appends the row of each track that starts after the first: one the
    // end's step opened, or a follow-on that took over gaplessly.
    std::vector<QMetaObject::Connection> recordStarts(std::vector<int>& started) {
        const auto record = [this, &started] { started.push_back(engine.trackRow()); };
        return {QObject::connect(&engine, &playback::PlaybackEngine::streamEnded, record),
                QObject::connect(&engine, &playback::PlaybackEngine::trackOpened, record)};
    }
};

TEST_F(CuePlaybackTest, ConsecutiveTracksRenderTheImageSampleForSample) {
    for (const char* name : {"CDImage.flac", "CDImage.wav", "CDImage.wv", "CDImage.tta"}) {
        SCOPED_TRACE(name);
        const std::string image = MakeImage(dir, name);
        const std::string out = dir.file("out.wav");
        start(("wav:" + out).c_str());
        list.ClearRows();
        addTracks(image);
        setOrder(playback::OrderOnce);
        select(1);
        SendCommand(ID_PLAY_PLAYPAUSE);
        ASSERT_TRUE(waitFor([&] { return engine.stream() == 0; }));
        engine.FreeDevice();
        const QByteArray pcm = DecodedPcm(dir, image);
        const QByteArray expected = pcm.mid(kStarts[1] * kSamplesPerCdFrame * kFrameBytes);
        const QByteArray rendered = WavData(out);
        ASSERT_EQ(rendered.size(), expected.size());
        EXPECT_TRUE(rendered == expected);
    }
}

TEST_F(CuePlaybackTest, PositionLengthAndSeeksAreTheTracks) {
    start("null");
    addTracks(MakeImage(dir, "CDImage.flac"));
    select(1);
    SendCommand(ID_PLAY_PLAYPAUSE);
    ASSERT_NE(engine.stream(), 0u);
    EXPECT_NEAR(engine.ExactLengthSeconds(), (kStarts[2] - kStarts[1]) / 75.0, 1e-4);
    EXPECT_LT(engine.PositionSeconds(), 0.5);
    engine.SeekToSecond(1);
    EXPECT_GE(engine.PositionSeconds(), 1.0);
    EXPECT_LT(engine.PositionSeconds(), engine.ExactLengthSeconds());
    EXPECT_EQ(title.text(), QStringLiteral("Band - Album (1999) #2 Title 2 (0:01)"));
    select(2);
    SendCommand(ID_PLAY_PLAYPAUSE);
    EXPECT_NEAR(engine.ExactLengthSeconds(), 4.0 - kStarts[2] / 75.0, 1e-3)
        << "the last track runs to the image's end";
}

// The end of each track per play order and skip marks, from track 1.
TEST_F(CuePlaybackTest, PlayOrdersAndSkipMarksStepThroughTheTracks) {
    struct Case {
        const char* what;
        int order;
        std::vector<int> skipped;
        std::vector<int> rows; // the rows that start, in order
    };
    const Case cases[] = {
        {"once", playback::OrderOnce, {}, {0, 1, 2}},
        {"once, the middle track skipped", playback::OrderOnce, {1}, {0, 2}},
        {"repeat all", playback::OrderRepeatAll, {}, {0, 1, 2, 0, 1}},
        {"repeat one", playback::OrderRepeatSingle, {}, {0, 0, 0}},
        {"one track", playback::OrderSingle, {}, {0}},
    };
    start("null:fast");
    const std::string image = MakeImage(dir, "CDImage.flac");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        list.ClearRows();
        addTracks(image);
        for (const int row : c.skipped)
            list.SetMark(row, tracklist::MarkSkip);
        setOrder(c.order);
        std::vector<int> started;
        const auto connections = recordStarts(started);
        select(0);
        SendCommand(ID_PLAY_PLAYPAUSE);
        started.insert(started.begin(), engine.trackRow());
        ASSERT_TRUE(
            waitFor([&] { return engine.stream() == 0 || started.size() >= c.rows.size() + 1; }));
        SendCommand(ID_PLAY_STOP);
        for (const auto& connection : connections)
            QObject::disconnect(connection);
        started.resize(std::min(started.size(), c.rows.size()));
        EXPECT_EQ(started, c.rows);
    }
}

TEST_F(CuePlaybackTest, TheRandomOrderPlaysEveryTrackOncePerRound) {
    start("null:fast");
    addTracks(MakeImage(dir, "CDImage.flac"));
    setOrder(playback::OrderRandom);
    TrackListFilled();
    std::vector<int> started;
    recordStarts(started);
    select(0);
    SendCommand(ID_PLAY_PLAYPAUSE);
    ASSERT_TRUE(waitFor([&] { return started.size() >= 6; }));
    SendCommand(ID_PLAY_STOP);
    EXPECT_EQ(std::set<int>(started.begin(), started.begin() + 3), (std::set<int>{0, 1, 2}));
    EXPECT_EQ(std::set<int>(started.begin() + 3, started.begin() + 6), (std::set<int>{0, 1, 2}));
}

TEST_F(CuePlaybackTest, AMissingImageFailsToOpenAsAnyMissingFile) {
    start("null");
    addTracks(dir.file("Missing.flac"));
    select(0);
    SendCommand(ID_PLAY_PLAYPAUSE);
    EXPECT_EQ(engine.stream(), 0u);
    QFile log(QString::fromStdString(dir.file("messages.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_FALSE(log.readAll().isEmpty()) << "the open-failed message is shown";
}
