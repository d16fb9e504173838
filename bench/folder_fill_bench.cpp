// Time from choosing a folder to the track list's filled message, for folders
// of 10,000 and 100,000 audio files, side by side with `ls -f` on the same
// folder. Listing never opens the files, so empty files serve.
#include "browser/form_view.h"
#include "playback/frame_link.h"
#include "tracklist/list_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <cstdio>
#include <cstdlib>
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

std::string MakeFolder(int files) {
    const std::string folder = "/tmp/quaverly-bench-" + std::to_string(files) + "/";
    if (!std::filesystem::exists(folder + ".complete")) {
        std::filesystem::create_directories(folder);
        for (int i = 0; i < files; ++i)
            std::ofstream(folder + "track " + std::to_string(i) + ".mp3");
        std::ofstream(folder + ".complete");
    }
    return folder;
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
        QLabel title;
        tracklist::CListView list;
        browser::CFormView view;
        view.Attach(&frame, &title, &list);
        view.setCurrentFolder(QString::fromStdString(folder));
        frame.clock.start();
        view.FillTracksFromFolder();
        const double fill = frame.elapsedMs;
        QApplication::processEvents(); // the view learns of the rows in one batch
        const double shown = frame.clock.nsecsElapsed() / 1e6;
        const double ls = LsMs(folder);
        std::printf("%6d files: filled message after %7.1f ms, rows in the view after %7.1f ms, "
                    "ls -f %6.1f ms (%d rows)\n",
                    files, fill, shown, ls, list.RowCount());
        std::printf("RESULT|4 %d files into the track list (rows shown), vs ls -f|%.1f ms|%.1f "
                    "ms|%.1f|-|-|bench/folder_fill.sh BUILD\n",
                    files, shown, ls, ls > 0 ? shown / ls : 0.0);
    }
    return 0;
}
