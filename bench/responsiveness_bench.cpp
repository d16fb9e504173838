// How long the window stops answering while a source loads. A timer on the
// user-interface thread ticks every 5 ms and records how late each tick runs:
// the longest lateness is the longest stall, the time in which the window
// could neither repaint nor take input. Beside it, the time from the action to
// the rows shown (the load ended and the list painted). Scenarios:
//  a  a 100-station .m3u: 70 stations name themselves, 20 accept and never
//     answer, 10 trickle header lines without end;
//  b  Netradio.txt with the same 100 stations as bare URLs;
//  c  a podcast feed from a server that sends one byte per second;
//  e  a folder of 100,000 audio files;
//  f  a feed of 200,000 items served at full speed;
//  d  Play on a station that accepts and never sends audio, through a real
//     main frame (run last: a destroyed frame ends the application).
// Every wait has the player's real limits (probe 10 s, stream open 10 s,
// feed 30 s). A load that runs in the background is waited for through the
// event loop where the panel tells that one is in flight; where it cannot,
// the load is over when the call returns.
// Usage: responsiveness_bench [SCENARIOS], e.g. "ab"; all when left out.
#include "app/main_frame.h"
#include "browser/form_view.h"
#include "panel_load.h"
#include "playback/playback_engine.h"
#include "quiet_frame.h"
#include "res/resource_ids.h"
#include "support/servers/test_http_server.h"
#include "tracklist/list_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QMetaEnum>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using testsupport::TestHttpServer;
using testsupport::TestResponse;

constexpr int kTickMs = 5;
constexpr int kStations = 100;
constexpr int kFolderFiles = 100000;
constexpr int kFeedItems = 200000;
constexpr int kSettleMs = 300; // watched after the rows, for the paint that follows

double SinceStartMs() {
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// Times every event delivered from the event loop itself (not the nested
// ones) and keeps the longest, named by its type and receiver: where the
// user-interface thread goes when a stall is not one blocking call.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        if (depth_ > 0)
            return QApplication::notify(receiver, event);
        const QEvent::Type type = event->type();
        const QString who = Describe(receiver);
        ++depth_;
        const double start = SinceStartMs();
        const bool handled = QApplication::notify(receiver, event);
        const double took = SinceStartMs() - start;
        --depth_;
        if (took > longestMs) {
            longestMs = took;
            longestEndedAtMs = start + took;
            longest = QString::fromLatin1(QMetaEnum::fromType<QEvent::Type>().valueToKey(type)) +
                      QStringLiteral(" to ") + who;
        }
        return handled;
    }

    void resetLongest() {
        longestMs = 0;
        longest.clear();
    }

    double longestMs = 0;
    double longestEndedAtMs = 0;
    QString longest;

private:
    // The receiver's class and those of its first two parents.
    static QString Describe(QObject* object) {
        QStringList names;
        for (int level = 0; object && level < 3; ++level, object = object->parent())
            names.append(QString::fromLatin1(object->metaObject()->className()));
        return names.join(QStringLiteral(" in "));
    }
    int depth_ = 0;
};

TimedApplication* App() {
    return static_cast<TimedApplication*>(QCoreApplication::instance());
}

// The user-interface thread's scheduler figures (/proc/thread-self/schedstat):
// time spent running and time spent ready but waiting for a core, in ms.
struct ThreadTimes {
    double runningMs = 0;
    double waitingMs = 0;
};

ThreadTimes ReadThreadTimes(int schedstat) {
    char text[128] = {};
    ThreadTimes times;
    if (schedstat >= 0 && pread(schedstat, text, sizeof text - 1, 0) > 0) {
        unsigned long long running = 0;
        unsigned long long waiting = 0;
        if (std::sscanf(text, "%llu %llu", &running, &waiting) == 2)
            times = {running / 1e6, waiting / 1e6};
    }
    return times;
}

// The 5 ms ticker: how late its latest tick ran, at worst, and in that
// longest gap how long the thread ran (its own work) and how long it waited
// for a core (the machine busy with other work); the rest it slept.
class StallWatch : public QObject {
public:
    StallWatch() : schedstat_(::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC)) {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(kTickMs);
        connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
    }
    ~StallWatch() override {
        if (schedstat_ >= 0)
            ::close(schedstat_);
    }
    void start() {
        longestMs = 0;
        lastTick_ = SinceStartMs();
        lastTimes_ = ReadThreadTimes(schedstat_);
        timer_.start();
    }
    void stop() {
        Tick();
        timer_.stop();
    }
    double longestMs = 0;
    double longestEndedAtMs = 0;
    ThreadTimes inLongest;

private:
    void Tick() {
        const double now = SinceStartMs();
        const ThreadTimes times = ReadThreadTimes(schedstat_);
        if (now - lastTick_ - kTickMs > longestMs) {
            longestMs = now - lastTick_ - kTickMs;
            inLongest = {times.runningMs - lastTimes_.runningMs,
                         times.waitingMs - lastTimes_.waitingMs};
            longestEndedAtMs = now;
        }
        lastTick_ = now;
        lastTimes_ = times;
    }
    QTimer timer_;
    double lastTick_ = 0;
    int schedstat_;
    ThreadTimes lastTimes_;
};

void RunEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop, a few milliseconds at a time, while busy() holds.
bool RunEventsWhile(const std::function<bool()>& busy, double timeoutMs) {
    const double until = SinceStartMs() + timeoutMs;
    while (busy()) {
        if (SinceStartMs() > until)
            return false;
        RunEventsFor(2);
    }
    return true;
}

// An engine that opens streams in the background tells when it connects;
// one that cannot has given up when the call returns.
template <typename Engine> bool Connecting(Engine& engine) {
    if constexpr (requires { engine.IsConnecting(); })
        return engine.IsConnecting();
    else
        return false;
}

struct Figures {
    double stallMs = 0;
    ThreadTimes inStall;     // the thread's running and waiting time in the longest stall
    double stallEndedMs = 0; // after the action
    double rowsMs = 0;       // the action to the load ended and the rows painted
    double callMs = 0;       // the action's call itself
    int rows = 0;
    bool finished = true;
    double longestEventMs = 0;
    double longestEventEndedMs = 0; // after the action
    QString longestEvent;
};

// Watches the ticker around act(): from a quiet moment before it, through
// the load (while busy() holds) and the paint after it.
Figures Measure(const std::function<void()>& act, const std::function<bool()>& busy,
                const std::function<int()>& rows, double timeoutMs) {
    StallWatch watch;
    watch.start();
    RunEventsFor(50);
    App()->resetLongest();
    Figures figures;
    const double start = SinceStartMs();
    act();
    figures.callMs = SinceStartMs() - start;
    figures.finished = RunEventsWhile(busy, timeoutMs);
    QApplication::processEvents(); // the rows are painted
    figures.rowsMs = SinceStartMs() - start;
    figures.rows = rows();
    RunEventsFor(kSettleMs);
    watch.stop();
    figures.stallMs = watch.longestMs;
    figures.inStall = watch.inLongest;
    figures.stallEndedMs = watch.longestEndedAtMs - start;
    figures.longestEventMs = App()->longestMs;
    figures.longestEvent = App()->longest;
    figures.longestEventEndedMs = App()->longestEndedAtMs - start;
    return figures;
}

// Of several runs, the one with the median stall.
Figures MedianRun(std::vector<Figures> runs) {
    std::sort(runs.begin(), runs.end(),
              [](const Figures& a, const Figures& b) { return a.stallMs < b.stallMs; });
    return runs[runs.size() / 2];
}

// The panel with its title label and track list, shown (offscreen) so that
// repaints cost what they cost in the player; its list files in folder.
struct Panel {
    explicit Panel(const std::string& folder) {
        view.Attach(&frame, &title, &list);
        view.setListFolder(QString::fromStdString(folder));
        view.setIniPath(QString::fromStdString(folder + "quaverly.ini"));
        title.resize(600, 20);
        list.resize(600, 400);
        title.show();
        list.show();
        view.show();
        QApplication::processEvents();
    }
    bool busy() { return LoadInFlight(view); }
    Figures measure(const std::function<void()>& act, double timeoutMs) {
        return Measure(
            act, [this] { return busy(); }, [this] { return list.RowCount(); }, timeoutMs);
    }
    QuietFrame frame;
    QLabel title;
    tracklist::CListView list;
    browser::CFormView view;
};

// One line for the reader, then the summary lines for run-all.sh; ended names
// what the second figure times (rowsTarget 0: no target for it).
void Report(const char* scenario, const Figures& f, double stallTarget, double rowsTarget,
            int wantedRows, const char* ended = "rows shown") {
    std::printf("%s: longest stall %.0f ms, ended %.0f ms after the action (in it the thread ran "
                "%.0f ms and waited %.0f ms for a core), %s after %.0f ms (%d rows%s); the call "
                "itself %.0f ms; longest event %.0f ms, ended %.0f ms after the action (%s)\n",
                scenario, f.stallMs, f.stallEndedMs, f.inStall.runningMs, f.inStall.waitingMs,
                ended, f.rowsMs, f.rows, f.finished ? "" : ", NOT FINISHED", f.callMs,
                f.longestEventMs, f.longestEventEndedMs, qPrintable(f.longestEvent));
    std::printf("RESULT|responsiveness: %s, longest stall|%.0f ms|-|-|<= %.0f ms|%s|"
                "bench/responsiveness.sh BUILD\n",
                scenario, f.stallMs, stallTarget, f.stallMs <= stallTarget ? "pass" : "FAIL");
    const bool complete = f.finished && f.rows == wantedRows;
    if (rowsTarget > 0)
        std::printf("RESULT|responsiveness: %s, %s|%.0f ms|-|-|<= %.0f ms|%s|"
                    "bench/responsiveness.sh BUILD\n",
                    scenario, ended, f.rowsMs, rowsTarget,
                    complete && f.rowsMs <= rowsTarget ? "pass" : "FAIL");
    else
        std::printf("RESULT|responsiveness: %s, %s|%.0f ms|-|-|-|%s|bench/responsiveness.sh "
                    "BUILD\n",
                    scenario, ended, f.rowsMs, complete ? "-" : "INCOMPLETE");
    std::fflush(stdout);
}

// The 100 stations, in list order: every tenth pair (3 and 7) accepts and
// never answers, every tenth 5 trickles header lines and never ends them,
// the others answer at once with their name and then play slowly.
std::vector<std::string> ServeStations(TestHttpServer& server) {
    std::vector<std::string> urls;
    for (int i = 0; i < kStations; ++i) {
        const std::string path = "/radio/" + std::to_string(i) + ".mp3";
        const int kind = i % 10;
        if (kind == 3 || kind == 7) {
            server.route(path, TestResponse::silent());
        } else if (kind == 5) {
            server.route(path, TestResponse::trickledHeaders(1000));
        } else {
            TestResponse live = TestResponse::trickle("audio/mpeg", 1000);
            live.headers = {"icy-name: Radio " + std::to_string(i) + " ステーション"};
            server.route(path, live);
        }
        urls.push_back(server.url(path));
    }
    return urls;
}

void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
    std::ofstream out(path, std::ios::trunc);
    for (const std::string& line : lines)
        out << line << "\r\n";
}

void StationPlaylist(const std::string& folder, const std::vector<std::string>& urls) {
    std::vector<std::string> lines{"#EXTM3U"};
    lines.insert(lines.end(), urls.begin(), urls.end());
    WriteLines(folder + "Stations.m3u", lines);
    Panel panel(folder);
    panel.view.setCurrentFolder(QString::fromStdString(folder));
    const Figures f =
        panel.measure([&] { panel.view.LoadPlaylistFile(QStringLiteral("Stations.m3u")); }, 600e3);
    Report("a 100-station playlist, 20 silent, 10 trickling", f, 50, 12000, kStations);
}

void RadioList(const std::string& folder, const std::vector<std::string>& urls) {
    WriteLines(folder + "Netradio.txt", urls);
    Panel panel(folder);
    const Figures f = panel.measure([&] { panel.view.LoadNetRadio(); }, 600e3);
    Report("b Netradio.txt of the same 100 bare URLs", f, 50, 0, kStations);
}

// Lists Podcast.txt (named, so nothing is downloaded) and waits for it.
void ListFeeds(Panel& panel, const std::string& folder, const std::string& line) {
    WriteLines(folder + "Podcast.txt", {line});
    panel.view.LoadPodcastList();
    WaitForLoad(panel.view);
}

void SlowFeed(const std::string& folder) {
    TestHttpServer server;
    server.route("/slow.xml", TestResponse::trickle("application/rss+xml", 1000));
    Panel panel(folder);
    ListFeeds(panel, folder, "Slow feed," + server.url("/slow.xml"));
    const Figures f = panel.measure([&] { panel.view.LoadFeed(0); }, 120e3);
    Report("c feed at 1 byte/s (ends at the 30 s deadline)", f, 50, 0, 0, "load ended");
}

std::string MakeFolder() {
    const std::string folder =
        "/tmp/quaverly-responsive-album-" + std::to_string(kFolderFiles) + "/";
    if (!std::filesystem::exists(folder + ".complete")) {
        std::filesystem::create_directories(folder);
        for (int k = kFolderFiles; k >= 1; --k) // written out of name order
            std::ofstream(folder + "Disc " + std::to_string(k / 1000) + " - Track " +
                          std::to_string(k) + ".flac");
        std::ofstream(folder + ".complete");
    }
    return folder;
}

void BigFolder(const std::string& folder, int runs) {
    const std::string album = MakeFolder();
    std::vector<Figures> figures;
    for (int r = 0; r < runs; ++r) {
        Panel panel(folder);
        panel.view.setCurrentFolder(QString::fromStdString(album));
        figures.push_back(panel.measure([&] { panel.view.FillTracksFromFolder(); }, 120e3));
    }
    Report("e folder of 100,000 files", MedianRun(figures), 100, 0, kFolderFiles);
}

// Short items as a long-running show's archive has them (about 16 MB).
std::string MakeBigFeed() {
    std::string feed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel>"
                       "<title>Every show so far</title>\n";
    feed.reserve(static_cast<size_t>(kFeedItems) * 90);
    for (int i = kFeedItems; i > 0; --i) {
        const std::string n = std::to_string(i);
        feed += "<item><title>Show #" + n + "</title><enclosure url=\"http://127.0.0.1/show" + n +
                ".mp3\" type=\"audio/mpeg\"/></item>\n";
    }
    return feed + "</channel></rss>\n";
}

void BigFeed(const std::string& folder, int runs) {
    TestHttpServer server;
    server.route("/all.xml", TestResponse::ok(MakeBigFeed(), "application/rss+xml"));
    std::vector<Figures> figures;
    for (int r = 0; r < runs; ++r) {
        Panel panel(folder);
        ListFeeds(panel, folder, "Every show," + server.url("/all.xml"));
        figures.push_back(panel.measure([&] { panel.view.LoadFeed(0); }, 120e3));
    }
    Report("f feed of 200,000 items at full speed", MedianRun(figures), 100, 0, kFeedItems);
}

// Play pressed on a station row whose server sends its headers and then no
// audio: the stream's open gives up at its deadline.
void SilentStationPlay(const std::string& folder) {
    TestHttpServer server;
    TestResponse mute = TestResponse::stalled(std::string(), "audio/mpeg");
    mute.headers = {"icy-name: Never Plays"};
    server.route("/mute.mp3", mute);
    app::CMainFrame frame(QString::fromStdString(folder + "frame.ini"));
    if (!frame.Create()) {
        std::fprintf(stderr, "the frame did not start\n");
        return;
    }
    frame.Load();
    frame.show();
    frame.trackList()->ClearRows();
    frame.trackList()->AppendRow(QString::fromStdString(server.url("/mute.mp3")),
                                 QStringLiteral("Never Plays"));
    frame.trackList()->SetCurrentRow(0);
    RunEventsFor(100);
    playback::PlaybackEngine& engine = frame.engine();
    const Figures f = Measure([&] { frame.OnCommand(res::ID_PLAY_PLAYPAUSE); },
                              [&] { return Connecting(engine); },
                              [&] { return frame.trackList()->RowCount(); }, 60e3);
    Report("d Play on a station that never sends audio (open ends at its 10 s deadline)", f, 50, 0,
           1, "connection ended");
    frame.OnCommand(res::ID_PLAY_STOP);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QUAVERLY_AUDIO", "null", 1);
    const std::string folder = std::filesystem::temp_directory_path().string() +
                               "/quaverly-responsive-" + std::to_string(getpid()) + "/";
    std::filesystem::create_directories(folder);
    setenv("QUAVERLY_MESSAGE_LOG", (folder + "messages.log").c_str(), 1);
    TimedApplication app(argc, argv);
    const std::string wanted = argc > 1 ? argv[1] : "abcefd";
    const auto chosen = [&](char scenario) { return wanted.find(scenario) != std::string::npos; };
    const char* quick = std::getenv("BENCH_QUICK");
    const int runs = quick && std::string(quick) == "1" ? 1 : 3;
    SinceStartMs();
    if (chosen('a') || chosen('b')) {
        TestHttpServer stations;
        const std::vector<std::string> urls = ServeStations(stations);
        if (chosen('a'))
            StationPlaylist(folder, urls);
        if (chosen('b'))
            RadioList(folder, urls);
    }
    if (chosen('c'))
        SlowFeed(folder);
    if (chosen('e'))
        BigFolder(folder, runs);
    if (chosen('f'))
        BigFeed(folder, runs);
    if (chosen('d'))
        SilentStationPlay(folder);
    std::filesystem::remove_all(folder);
    return 0;
}
