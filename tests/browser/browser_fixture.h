// A browser panel with a real track list and a frame stand-in that records
// the commands and "track list filled" notifications it receives.
#pragma once

#include "audio/api/bass.h"
#include "browser/form_view.h"
#include "playback/frame_link.h"
#include "settings/ini_file.h"
#include "support/temp_dir.h"
#include "support/title_recorder.h"
#include "tracklist/list_view.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>

// Each row as "name|location".
inline QStringList Rows(const tracklist::CListView& list) {
    QStringList rows;
    for (int row = 0; row < list.RowCount(); ++row)
        rows.append(list.GetName(row) + "|" + list.GetLocation(row));
    return rows;
}

class RecordingFrame : public playback::FrameLink {
public:
    void SendCommand(int id) override { commands.push_back(id); }
    void PostCommand(int id) override { commands.push_back(id); }
    void TrackListFilled() override { ++filled; }
    QWidget* OwnerWindow() override { return nullptr; }

    std::vector<int> commands;
    int filled = 0;
};

class BrowserTest : public ::testing::Test {
protected:
    // The station probes open streams, which needs the sound device.
    static void SetUpTestSuite() {
        setenv("QUAVERLY_AUDIO", "null:fast", 1);
        BASS_Init(-1, 44100, 0, nullptr, nullptr);
    }
    static void TearDownTestSuite() { BASS_Free(); }

    // _LastPath is written in the background: into this test's folder, before
    // it is removed.
    void TearDown() override { settings::IniFile::FinishBackgroundWrites(); }

    void SetUp() override {
        view.setIniPath(QString::fromStdString(dir.file("quaverly.ini")));
        view.setListFolder(QString::fromStdString(dir.path()) + "/");
        view.Attach(&frame, &title, &list);
    }

    // Waits until the load in flight has put its rows in (the loads run in
    // the background and answer on the event loop).
    void settle() {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !view.isLoading(); }, 60000));
    }

    QString folder() const { return QString::fromStdString(dir.path()) + "/"; }
    QStringList entryTexts() const {
        QStringList texts;
        for (int i = 0; i < view.entryList()->count(); ++i)
            texts.append(view.entryList()->item(i)->text());
        return texts;
    }
    QStringList sourceTexts() const {
        QStringList texts;
        for (int i = 0; i < view.sourceBox()->count(); ++i)
            texts.append(view.sourceBox()->itemText(i));
        return texts;
    }
    QStringList rowNames() const {
        QStringList names;
        for (int row = 0; row < list.RowCount(); ++row)
            names.append(list.GetName(row));
        return names;
    }
    int entryIndex(const QString& text) const {
        const QStringList texts = entryTexts();
        return static_cast<int>(texts.indexOf(text));
    }

    testsupport::TempDir dir;
    RecordingFrame frame;
    QLabel title;
    tracklist::CListView list;
    browser::CFormView view;
};
