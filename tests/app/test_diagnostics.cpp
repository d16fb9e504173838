// The diagnostics for long runs: the command FIFO and the play log, both off
// unless their environment variable names a file.
#include "frame_fixture.h"

#include "app/diagnostic_commands.h"
#include "res/resource_ids.h"
#include "support/fixtures.h"
#include "tracklist/list_view.h"

#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace res;

TEST(DiagnosticCommands, ALineNamesCommandsByWordOrNumberAndSkipsTheRest) {
    EXPECT_EQ(app::ParseDiagnosticCommands("next  PREV\tskip playpause stop 59201 bogus\r"),
              (std::vector<int>{ID_PLAY_NEXT, ID_PLAY_PREV, ID_PLAY_SKIP, ID_PLAY_PLAYPAUSE,
                                ID_PLAY_STOP, 59201}));
    EXPECT_TRUE(app::ParseDiagnosticCommands("").empty());
    EXPECT_TRUE(app::ParseDiagnosticCommands("0 nothing -").empty());
}

TEST(DiagnosticCommands, LinesEndAtTheirEndsAndOverlongOnesAreDroppedWhole) {
    struct Case {
        std::vector<QByteArray> chunks;
        std::vector<QByteArray> lines;
    };
    const Case cases[] = {
        {{"next\n"}, {"next"}},
        {{"ne", "xt\nst", "op\n"}, {"next", "stop"}},
        {{"12345678\n"}, {"12345678"}}, // as long as the limit
        {{"123456789\nnext\n"}, {"next"}},
        {{"1234567", "89", "ab\nnext\n"}, {"next"}}, // too long across reads
        {{"\n\n"}, {"", ""}},
        {{"stop"}, {}}, // waits for its end
    };
    for (const Case& c : cases) {
        app::LineSplitter splitter(8);
        std::vector<QByteArray> lines;
        for (const QByteArray& chunk : c.chunks) {
            for (const QByteArray& line : splitter.Feed(chunk))
                lines.push_back(line);
        }
        EXPECT_EQ(lines, c.lines) << c.chunks.front().toStdString();
    }
    app::LineSplitter endless(8);
    const QByteArray zeros(1 << 20, '\0');
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(endless.Feed(zeros).empty());
    EXPECT_EQ(endless.pendingBytes(), 0);
}

class DiagnosticsTest : public FrameTest {
protected:
    void TearDown() override {
        unsetenv("QUAVERLY_COMMAND_FIFO");
        unsetenv("QUAVERLY_PLAY_LOG");
        FrameTest::TearDown();
    }
    QStringList played() const {
        return QString::fromStdString(testsupport::readFile(dir.file("played.log")))
            .split('\n', Qt::SkipEmptyParts);
    }
};

TEST_F(DiagnosticsTest, CommandsWrittenToTheFifoDriveTheFrameAndEveryOpenIsLogged) {
    const std::string fifo = dir.file("commands");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    setenv("QUAVERLY_COMMAND_FIFO", fifo.c_str(), 1);
    setenv("QUAVERLY_PLAY_LOG", dir.file("played.log").c_str(), 1);
    setenv("QUAVERLY_AUDIO", "null:manual", 1); // a clock nobody moves: the tracks stay open
    auto& f = create();
    app::DiagnosticCommandInput input(f);
    ASSERT_TRUE(input.active());
    const QString a = QString::fromStdString(testsupport::fixture("tone_1k_3s.wav"));
    const QString b = QString::fromStdString(testsupport::fixture("tone_1k_3s.flac"));
    f.trackList()->AppendRow(a, "a");
    f.trackList()->AppendRow(b, "b");
    f.trackList()->SetCurrentRow(0);

    const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    const std::string lines = "playpause\nnext\nplay";
    ASSERT_EQ(write(writer, lines.data(), lines.size()), static_cast<ssize_t>(lines.size()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.engine().trackRow() == 1; }, 10000));
    EXPECT_EQ(played(), (QStringList{a, b}));
    // The start of a line waits for the rest of it.
    ASSERT_EQ(write(writer, "pause\n", 6), 6);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return BASS_ChannelIsActive(f.engine().stream()) == BASS_ACTIVE_PAUSED; }, 10000));
    // A line's commands run together: resumed, then stopped.
    ASSERT_EQ(write(writer, "playpause stop\n", 15), 15);
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.engine().stream() == 0; }, 10000));
    close(writer);
    EXPECT_EQ(played().size(), 2);
}

TEST_F(DiagnosticsTest, WithoutItsVariableNothingIsReadOrLogged) {
    auto& f = create();
    app::DiagnosticCommandInput input(f);
    EXPECT_FALSE(input.active());
    f.trackList()->AppendRow(QString::fromStdString(testsupport::fixture("tone_1k_3s.wav")), "a");
    f.trackList()->SetCurrentRow(0);
    f.OnCommand(ID_PLAY_PLAYPAUSE);
    EXPECT_NE(f.engine().stream(), 0u);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.file("played.log"))));
}

TEST_F(DiagnosticsTest, OnlyAFifoIsRead) {
    auto& f = create();
    for (const std::string& path :
         {std::string("/dev/zero"), dir.write("commands.txt", "next\n")}) {
        setenv("QUAVERLY_COMMAND_FIFO", path.c_str(), 1);
        app::DiagnosticCommandInput input(f);
        EXPECT_FALSE(input.active()) << path;
    }
}

// A writer that floods the FIFO with valid commands: the event loop still
// runs between small batches of them (a close, a signal, a repaint), and
// every command runs, in order.
TEST(DiagnosticCommands, AFloodOfCommandsLeavesTheEventLoopRunning) {
    testsupport::TempDir dir;
    const std::string fifo = dir.file("commands");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::vector<int> ran;
    std::optional<size_t> ranBeforeOtherEvent;
    app::DiagnosticCommandInput input(QByteArray::fromStdString(fifo), [&](int id) {
        if (ran.empty()) // an event that comes while the flood is being run
            QTimer::singleShot(0, [&] { ranBeforeOtherEvent = ran.size(); });
        ran.push_back(id);
    });
    ASSERT_TRUE(input.active());
    const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    QByteArray flood;
    std::vector<int> sent;
    for (int i = 0; i < 1500; ++i) {
        flood += i % 2 ? "next\n" : "32773 prev\n";
        for (int id :
             i % 2 ? std::vector<int>{ID_PLAY_NEXT} : std::vector<int>{32773, ID_PLAY_PREV})
            sent.push_back(id);
    }
    ASSERT_EQ(write(writer, flood.constData(), flood.size()), static_cast<ssize_t>(flood.size()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ran.size() == sent.size(); }, 30000));
    close(writer);
    EXPECT_EQ(ran, sent);
    ASSERT_TRUE(ranBeforeOtherEvent.has_value());
    EXPECT_LE(*ranBeforeOtherEvent, 2u * app::DiagnosticCommandInput::kCommandsPerPass);
}
