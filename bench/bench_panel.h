// The browser panel with the title label and track list it fills, shown
// nowhere, for the benchmarks that time its loads.
#pragma once

#include "browser/form_view.h"
#include "playback/frame_link.h"
#include "tracklist/list_view.h"

#include <QLabel>
#include <QString>
#include <string>

struct BenchPanel {
    BenchPanel(playback::FrameLink* frame, const std::string& folder) {
        view.Attach(frame, &title, &list);
        view.setCurrentFolder(QString::fromStdString(folder));
    }

    QLabel title;
    tracklist::CListView list;
    browser::CFormView view;
};
