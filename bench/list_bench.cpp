// Listing costs of the browser's network sources, through the real CFormView
// with its title label and track list shown (offscreen):
//  - a podcast feed of 2,000 items (about 5 MB) served from 127.0.0.1: LoadFeed
//    from the moment the download is complete (the label's progress text is
//    cleared) to the rows painted; side by side with a bare TinyXML-2 parse of
//    the same document (FeedTitle parses it whole). The same LoadFeed with the
//    label hidden (no synchronous repaints) is printed for comparison;
//  - a radio list of 1,000 stations: LoadNetRadio reads, sorts, lists and
//    rewrites Netradio.txt; side by side with `sort` on the same file.
// Prints one RESULT line per figure for run-all.sh. Median of several runs.
#include "browser/form_view.h"
#include "browser/rss_feed.h"
#include "playback/frame_link.h"
#include "support/servers/test_http_server.h"
#include "tracklist/list_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kEpisodes = 2000;
constexpr int kStations = 1000;

class QuietFrame : public playback::FrameLink {
public:
    void SendCommand(int) override {}
    void PostCommand(int) override {}
    void TrackListFilled() override {}
    QWidget* OwnerWindow() override { return nullptr; }
};

// Items of about 2.5 KB: a title, a long plain description and an enclosure.
std::string MakeFeed() {
    const std::string words(2300, 'x');
    std::string feed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel>"
                       "<title>Bench feed</title>\n";
    for (int i = 0; i < kEpisodes; ++i) {
        std::string text = words;
        for (std::size_t k = 7; k < text.size(); k += 8)
            text[k] = ' ';
        feed += "<item><title>Episode " + std::to_string(i) + " - 第" + std::to_string(i) +
                "回</title><description>" + text +
                "</description><enclosure url=\"http://127.0.0.1/ep" + std::to_string(i) +
                ".mp3\" length=\"12345678\" type=\"audio/mpeg\"/>"
                "<pubDate>Mon, 07 Dec 2026 10:00:00 GMT</pubDate></item>\n";
    }
    return feed + "</channel></rss>\n";
}

double MedianMs(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer clock;
        clock.start();
        work();
        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Result(const char* figure, double measured, double reference, const char* target, bool pass,
            const char* command) {
    std::printf("RESULT|%s|%.1f ms|%.1f ms|%.2f|%s|%s|%s\n", figure, measured, reference,
                reference > 0 ? measured / reference : 0.0, target, pass ? "pass" : "FAIL",
                command);
}

// Notes when the title label is painted empty right after showing download
// progress ("...Byte"): that is the moment LoadFeed has its document.
class DownloadEndWatch : public QObject {
public:
    explicit DownloadEndWatch(QLabel* label) : label_(label) { label->installEventFilter(this); }
    void reset() {
        progressSeen_ = false;
        clock_.start();
        downloadedMs = -1;
    }
    double sinceStartMs() const { return static_cast<double>(clock_.nsecsElapsed()) / 1e6; }
    double downloadedMs = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == label_ && event->type() == QEvent::Paint) {
            if (label_->text().endsWith(QStringLiteral("Byte")))
                progressSeen_ = true;
            else if (progressSeen_ && label_->text().isEmpty() && downloadedMs < 0)
                downloadedMs = sinceStartMs();
        }
        return false;
    }

private:
    QLabel* label_;
    bool progressSeen_ = false;
    QElapsedTimer clock_;
};

// The browser panel, its title label and the track list, shown (offscreen)
// as in the player, so the progress repaints and row painting cost what they
// cost there.
struct Browser {
    explicit Browser(const std::string& folder, bool shown = true) {
        view.Attach(&frame, &title, &list);
        view.setListFolder(QString::fromStdString(folder));
        view.setIniPath(QString::fromStdString(folder + "quaverly.ini"));
        title.resize(600, 20);
        list.resize(600, 400);
        title.setVisible(shown);
        list.setVisible(shown);
        view.setVisible(shown);
        QApplication::processEvents();
    }
    QuietFrame frame;
    QLabel title;
    tracklist::CListView list;
    browser::CFormView view;
};

void FeedFigures(const std::string& folder, int runs) {
    const std::string document = MakeFeed();
    testsupport::TestHttpServer server;
    server.route("/feed.xml", testsupport::TestResponse::ok(document, "application/rss+xml"));
    const std::string url = server.url("/feed.xml");
    std::ofstream(folder + "Podcast.txt") << "Bench feed," << url << "\n";
    Browser browser(folder);
    browser.view.LoadPodcastList();
    DownloadEndWatch watch(&browser.title);
    std::vector<double> downloads, listings;
    for (int r = 0; r < runs; ++r) {
        watch.reset();
        browser.view.LoadFeed(0);
        QApplication::processEvents(); // the rows are painted
        const double whole = watch.sinceStartMs();
        downloads.push_back(watch.downloadedMs);
        listings.push_back(whole - watch.downloadedMs);
    }
    std::sort(downloads.begin(), downloads.end());
    std::sort(listings.begin(), listings.end());
    const double download = downloads[downloads.size() / 2];
    const double listed = listings[listings.size() / 2];
    Browser hidden(folder, false);
    hidden.view.LoadPodcastList();
    const double hiddenWhole = MedianMs(runs, [&] { hidden.view.LoadFeed(0); });
    const QByteArray bytes = QByteArray::fromStdString(document);
    const double parse = MedianMs(runs, [&] { browser::FeedTitle(bytes); });
    std::printf("feed of %d items, %.1f MB: download %.1f ms, then listed (parse, rows, "
                "painted) in %.1f ms; bare TinyXML-2 parse %.1f ms; %d rows\n",
                kEpisodes, document.size() / 1e6, download, listed, parse, browser.list.RowCount());
    std::printf("the same with the title label hidden (no progress repaints): whole LoadFeed, "
                "download included, %.1f ms\n",
                hiddenWhole);
    Result("4 feed of 2,000 items (5 MB) listed after download, vs bare XML parse", listed, parse,
           "< 300 ms", listed < 300 && browser.list.RowCount() == kEpisodes, "bench/list.sh BUILD");
}

double SortMs(const std::string& path) {
    QElapsedTimer clock;
    clock.start();
    QProcess sort;
    sort.start("sort",
               {QString::fromStdString(path), "-o", QString::fromStdString(path + ".sorted")});
    sort.waitForFinished(-1);
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void RadioFigures(const std::string& folder, int runs) {
    const std::string path = folder + "Netradio.txt";
    std::vector<std::string> lines;
    for (int i = 0; i < kStations; ++i)
        lines.push_back("Station " + std::to_string((i * 7919) % kStations) +
                        " ラジオ,http://127.0.0.1:8000/s" + std::to_string(i) + ".mp3");
    Browser browser(folder);
    std::vector<double> loads;
    std::vector<double> sorts;
    for (int r = 0; r < runs; ++r) {
        // Each run starts from the unsorted list, as a user's fresh edit would.
        std::ofstream out(path, std::ios::trunc);
        for (const std::string& line : lines)
            out << line << "\n";
        out.close();
        sorts.push_back(SortMs(path));
        loads.push_back(MedianMs(1, [&] {
            browser.view.LoadNetRadio();
            QApplication::processEvents(); // the rows are painted
        }));
    }
    std::sort(loads.begin(), loads.end());
    std::sort(sorts.begin(), sorts.end());
    const double load = loads[loads.size() / 2];
    const double sort = sorts[sorts.size() / 2];
    std::printf("radio list of %d stations: load + rewrite %.1f ms, sort(1) %.1f ms, %d rows\n",
                kStations, load, sort, browser.list.RowCount());
    Result("4 radio list of 1,000 stations, load + rewrite, vs sort(1)", load, sort, "< 100 ms",
           load < 100 && browser.list.RowCount() == kStations, "bench/list.sh BUILD");
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const char* quick = std::getenv("BENCH_QUICK");
    const int runs = quick && std::string(quick) == "1" ? 3 : 7;
    const std::string folder = std::filesystem::temp_directory_path().string() +
                               "/quaverly-lists-" +
                               std::to_string(QCoreApplication::applicationPid()) + "/";
    std::filesystem::create_directories(folder);
    FeedFigures(folder, runs);
    RadioFigures(folder, runs);
    std::filesystem::remove_all(folder);
    return 0;
}
