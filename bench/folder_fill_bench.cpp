// Time from choosing a folder to the track list's filled message, for folders
// of 10,000 and 100,000 audio files, side by side with `ls -f` on the same
// folder. A fill that runs in the background is waited for through the event
// loop. The time includes putting the names in name order (numbers by
// value, letter case ignored), which the bench checks. Listing never opens
// the files, so empty files serve.
#include "bench_panel.h"
#include "browser/form_view.h"
#include "panel_load.h"
#include "playback/frame_link.h"
#include "tracklist/list_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace {

class FilledClock : public playback::FrameLink {
public:
    void SendCommand(int) override {}
    void PostCommand(int) override {}
    void TrackListFilled() override { elapsedMs = clock.nsecsElapsed() / 1e6; }
    QWidget* OwnerWindow() override { return nullptr; }
    QElapsedTimer clock;
    double elapsedMs = 0;
};

// Track k is "k - Song k.mp3", every other one "k - song k.mp3": in name
// order, row k - 1 holds track k.
std::string TrackName(int k) {
    return std::to_string(k) + (k % 2 ? " - Song " : " - song ") + std::to_string(k) + ".mp3";
}

std::string MakeFolder(int files) {
    const std::string folder = "/tmp/quaverly-bench-album-" + std::to_string(files) + "/";
    if (!std::filesystem::exists(folder + ".complete")) {
        std::filesystem::create_directories(folder);
        for (int k = 1; k <= files; ++k)
            std::ofstream(folder + TrackName(k));
        std::ofstream(folder + ".complete");
    }
    return folder;
}

// CPU time of the process, every thread of it (the folder may be listed off
// the window's thread): on a shared machine it shows the work apart from the
// time spent waiting for a core.
double ProcessCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

bool InNameOrder(const tracklist::CListView& list) {
    for (int row = 0; row < list.RowCount(); ++row) {
        if (list.GetName(row).toStdString() != TrackName(row + 1))
            return false;
    }
    return true;
}

double LsMs(const std::string& folder) {
    QElapsedTimer clock;
    clock.start();
    QProcess ls;
    ls.start("ls", {"-f", QString::fromStdString(folder)});
    ls.waitForFinished(-1);
    ls.readAllStandardOutput();
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    for (int files : {10000, 100000}) {
        const std::string folder = MakeFolder(files);
        FilledClock frame;
        BenchPanel panel(&frame, folder);
        frame.clock.start();
        const double cpuBefore = ProcessCpuMs();
        panel.view.FillTracksFromFolder();
        WaitForLoad(panel.view);
        const double fill = frame.elapsedMs;
        QApplication::processEvents(); // the view learns of the rows in one batch
        const double shown = frame.clock.nsecsElapsed() / 1e6;
        const double cpu = ProcessCpuMs() - cpuBefore;
        const double ls = LsMs(folder);
        const bool ordered = InNameOrder(panel.list);
        std::printf("%6d files: filled message after %7.1f ms, rows in the view after %7.1f ms "
                    "(%.1f ms of CPU), ls -f %6.1f ms (%d rows, %s)\n",
                    files, fill, shown, cpu, ls, panel.list.RowCount(),
                    ordered ? "in name order" : "NOT IN NAME ORDER");
        const double target = files == 10000 ? 50 : 400;
        std::printf("RESULT|4 %d files into the track list in name order (rows shown), vs ls "
                    "-f|%.1f ms|%.1f ms|%.1f|< %.0f ms|%s|bench/folder_fill.sh BUILD\n",
                    files, shown, ls, ls > 0 ? shown / ls : 0.0, target,
                    ordered && shown < target ? "pass" : "fail");
    }
    return 0;
}
