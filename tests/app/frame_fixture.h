// A real main frame, offscreen, on the null sound output, with its settings
// file in a temporary folder.
#pragma once

#include "app/main_frame.h"
#include "browser/form_view.h"
#include "settings/ini_file.h"
#include "support/temp_dir.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("QUAVERLY_AUDIO", "null:fast", 1);
        setenv("QUAVERLY_MESSAGE_LOG", (dir.path() + "/messages.log").c_str(), 1);
    }
    void TearDown() override {
        frame.reset();
        // Settings still being written in the background go to this test's
        // folder before it is removed.
        settings::IniFile::FinishBackgroundWrites();
        QCoreApplication::processEvents();
        // A destroyed frame asks the application to quit, and until the
        // application's own loop has run, every nested loop (a modal dialog's)
        // returns at once: run it once, so the next test starts afresh.
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }

    QString iniPath() const { return QString::fromStdString(dir.file("quaverly.ini")); }
    void writeIni(const std::string& text) { dir.write("quaverly.ini", text); }

    app::CMainFrame& create(bool load = true) {
        frame = std::make_unique<app::CMainFrame>(iniPath());
        EXPECT_TRUE(frame->Create());
        if (load)
            frame->Load();
        QCoreApplication::processEvents();
        return *frame;
    }

    // Waits until the browser's load in flight has put its rows in and what
    // was to run after it (a play) has run.
    void settle() {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !frame->formView()->isLoading(); }, 60000));
    }
    // Waits until a station the engine connects to has opened or failed.
    void settleConnection() {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !frame->engine().IsConnecting(); }, 60000));
    }

    testsupport::TempDir dir;
    std::unique_ptr<app::CMainFrame> frame;
};
