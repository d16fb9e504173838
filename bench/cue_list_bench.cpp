// Time from choosing a cue sheet to its rows in the view: a 24-track sheet
// (EAC's form, CP932 titles) of a 74-minute FLAC image, side by side with
// `cat` of the same sheet. The median of 21 loads.
#include "bench_panel.h"
#include "browser/form_view.h"
#include "panel_load.h"
#include "quiet_frame.h"
#include "tracklist/list_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QStringEncoder>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

constexpr int kTracks = 24;
constexpr int kRuns = 21;
const std::string kFolder = "/tmp/quaverly-bench-cue/";

// The image once: 74 minutes of a quiet tone, which FLAC keeps small.
bool MakeImage() {
    if (std::filesystem::exists(kFolder + "CDImage.flac"))
        return true;
    std::filesystem::create_directories(kFolder);
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                            "sine=frequency=440:sample_rate=44100:duration=4440", "-ac", "2",
                            QString::fromStdString(kFolder + "CDImage.flac")});
    return ffmpeg.waitForFinished(-1) && ffmpeg.exitCode() == 0;
}

std::string Time(int seconds) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:00", seconds / 60, seconds % 60);
    return text;
}

void MakeSheet() {
    QStringEncoder cp932("Shift_JIS");
    std::ofstream sheet(kFolder + "CDImage.cue", std::ios::binary);
    sheet << "REM GENRE J-Pop\r\nREM DATE 2003\r\nREM DISCID 5F0B2C18\r\n"
             "REM COMMENT \"ExactAudioCopy v1.6\"\r\n"
          << "PERFORMER \"" << QByteArray(cp932.encode(QString::fromUtf8("歌手"))).toStdString()
          << "\"\r\nTITLE \""
          << QByteArray(cp932.encode(QString::fromUtf8("アルバム"))).toStdString()
          << "\"\r\nFILE \"CDImage.wav\" WAVE\r\n";
    const QByteArray title = cp932.encode(QString::fromUtf8("夜明けの歌"));
    for (int k = 1; k <= kTracks; ++k) {
        const int seconds = (k - 1) * 185; // 24 tracks fill 74 minutes
        sheet << "  TRACK " << (k < 10 ? "0" : "") << k << " AUDIO\r\n    TITLE \""
              << title.toStdString() << " " << k << "\"\r\n";
        if (k > 1)
            sheet << "    INDEX 00 " << Time(seconds - 2) << "\r\n";
        sheet << "    INDEX 01 " << Time(seconds) << "\r\n";
    }
}

double CatMs() {
    QElapsedTimer clock;
    clock.start();
    QProcess cat;
    cat.start("cat", {QString::fromStdString(kFolder + "CDImage.cue")});
    cat.waitForFinished(-1);
    cat.readAllStandardOutput();
    return clock.nsecsElapsed() / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (!MakeImage()) {
        std::fprintf(stderr, "ffmpeg could not make the image\n");
        return 1;
    }
    MakeSheet();
    QuietFrame frame;
    BenchPanel panel(&frame, kFolder);
    std::vector<double> loads, cats;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer clock;
        clock.start();
        panel.view.LoadPlaylistFile(QStringLiteral("CDImage.cue"));
        WaitForLoad(panel.view);
        QApplication::processEvents(); // the view learns of the rows
        loads.push_back(clock.nsecsElapsed() / 1e6);
        cats.push_back(CatMs());
    }
    const double load = Median(loads);
    const double cat = Median(cats);
    const bool whole = panel.list.RowCount() == kTracks && panel.list.GetSection(kTracks - 1) &&
                       panel.list.GetLocation(0).endsWith(QStringLiteral("CDImage.flac#track=1"));
    std::printf("%d-track cue sheet of a 74-minute FLAC image: rows shown after %.1f ms "
                "(median of %d), cat %.1f ms (%d rows%s)\n",
                kTracks, load, kRuns, cat, panel.list.RowCount(), whole ? "" : ", WRONG ROWS");
    std::printf("RESULT|4 a 24-track cue sheet of a 74-minute FLAC image into the track list, "
                "vs cat|%.1f ms|%.1f ms|%.1f|< 50 ms|%s|bench/cue_list.sh BUILD\n",
                load, cat, cat > 0 ? load / cat : 0.0, whole && load < 50 ? "pass" : "fail");
    return 0;
}
