// The playback engine without a window: the track list, title label and order
// box it works on, and a small frame link that runs the transport commands on
// the engine and the navigator alone, as the frame's handlers do without
// their display. The sound goes to the null outputs.
#pragma once

#include "playback/frame_link.h"
#include "playback/play_navigator.h"
#include "playback/playback_engine.h"
#include "settings/ini_file.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"
#include "tracklist/list_view.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

class EngineTest : public ::testing::Test, public playback::FrameLink {
protected:
    void SetUp() override {
        setenv("QUAVERLY_MESSAGE_LOG", dir.file("messages.log").c_str(), 1);
        for (const char* text : {"全曲", "全曲リピート", "1曲", "1曲リピート", "ランダム"})
            order.addItem(QString::fromUtf8(text));
        engine.Attach(this, &title, &order, &list, QString::fromStdString(dir.file("q.ini")));
        navigator.Attach(this, &list, &order);
        QObject::connect(&engine, &playback::PlaybackEngine::streamEnded,
                         [this] { navigator.OnStreamEnd(); });
    }
    // _LastPlayed is written in the background: into this test's folder,
    // before it is removed, so that no failed write reaches the next test.
    void TearDown() override {
        engine.FreeDevice();
        settings::IniFile::FinishBackgroundWrites();
    }

    // Starts the device on an output: "null" keeps tracks open in real time,
    // "null:fast" plays them through at once.
    void start(const char* output) {
        setenv("QUAVERLY_AUDIO", output, 1);
        ASSERT_EQ(engine.StartDevice(), playback::DeviceStart::Ok);
    }
    // Rows named a.wav, b.wav ... each a copy of a 3-second tone.
    void addRows(int count) {
        for (int i = 0; i < count; ++i)
            addRow(std::string(1, static_cast<char>('a' + i)) + ".wav");
    }
    void addRow(const std::string& name, const std::string& source = "tone_1k_3s.wav") {
        const std::string path = dir.file(name);
        if (!std::filesystem::exists(path))
            std::filesystem::copy_file(testsupport::fixture(source), path);
        list.AppendRow(QString::fromStdString(path), QString::fromStdString(name));
    }
    QStringList marks() const {
        QStringList result;
        for (int row = 0; row < list.RowCount(); ++row)
            result.append(list.GetMark(row));
        return result;
    }
    void select(int row) { list.SetCurrentRow(row); }
    void setOrder(int index) { order.setCurrentIndex(index); }
    DWORD state() const { return BASS_ChannelIsActive(engine.stream()); }
    static bool waitFor(const std::function<bool()>& condition) {
        return QTest::qWaitFor(condition, 10000);
    }

    // FrameLink: the transport commands without the frame's display.
    void SendCommand(int id) override;
    void PostCommand(int id) override;
    void TrackListFilled() override { navigator.BuildRandomOrder(); }
    QWidget* OwnerWindow() override { return nullptr; }

    testsupport::TempDir dir;
    tracklist::CListView list;
    QLabel title;
    QComboBox order;
    playback::PlaybackEngine engine;
    playback::PlayNavigator navigator{engine};
};
