// A real main frame offscreen on the null output in real time, its MPRIS
// service on the private session bus, and a client on a second connection.
// The rows are copies of long fixtures, so nothing ends while a test looks:
// a.mp3 (20 s, tagged), b.wav (10 s of silence, untagged), c.mp3 (20 s).
#pragma once

#include "../app/frame_fixture.h"
#include "app/mpris_bridge.h"
#include "mpris/mpris_service.h"
#include "mpris_client.h"
#include "platform/file_name.h"
#include "res/resource_ids.h"
#include "support/fixtures.h"
#include "tracklist/list_view.h"

#include <QDBusObjectPath>
#include <QTest>
#include <filesystem>

class MprisTest : public FrameTest {
protected:
    void TearDown() override {
        client.reset();
        service.reset();
        bridge.reset();
        FrameTest::TearDown();
    }

    app::CMainFrame&
    startPlayer(int rows = 3,
                app::CoverReader::ReadPicture readCover = app::CoverReader::EmbeddedPicture) {
        setenv("QUAVERLY_AUDIO", "null", 1);
        auto& f = create();
        const char* names[] = {"a.mp3", "b.wav", "c.mp3"};
        for (int i = 0; i < rows && i < 3; ++i)
            addRow(names[i]);
        QCoreApplication::processEvents();
        bridge = std::make_unique<app::MprisBridge>(f, std::move(readCover));
        service = std::make_unique<mpris::MprisService>(*bridge);
        EXPECT_TRUE(service->Start()) << "no private session bus";
        client = std::make_unique<testsupport::MprisClient>(service->busName());
        return f;
    }

    // OpenUri answers at once; the location opens in the background, as from
    // the command line: waits until its rows are in and what it plays opened.
    QDBusMessage openUri(const QString& uri) {
        const QDBusMessage answer = client->call("OpenUri", {uri});
        settle();
        settleConnection();
        return answer;
    }

    // Names are bytes: "caf\xE9.mp3" is a Latin-1 name.
    QString rowPath(const std::string& name) const {
        return platform::decodeFileName(QByteArray::fromStdString(dir.file(name)));
    }

    void addRow(const std::string& name) {
        const std::string source = name.ends_with(".wav") ? "silence_10s.wav" : "tone_1k_20s.mp3";
        const std::string path = dir.file(name);
        if (!std::filesystem::exists(path))
            std::filesystem::copy_file(testsupport::fixture(source), path);
        frame->trackList()->AppendRow(rowPath(name), platform::readableFileName(rowPath(name)));
    }

    QStringList marks() const {
        QStringList result;
        for (int row = 0; row < frame->trackList()->RowCount(); ++row)
            result.append(frame->trackList()->GetMark(row));
        return result;
    }

    DWORD engineState() const { return BASS_ChannelIsActive(frame->engine().stream()); }

    QVariantMap metadata() { return testsupport::AsMap(client->get("Metadata")); }
    QString trackId() { return metadata().value("mpris:trackid").value<QDBusObjectPath>().path(); }
    qint64 positionUs() { return client->get("Position").toLongLong(); }

    // Plays a row as a double-click would.
    void playRow(int row) {
        frame->trackList()->SetCurrentRow(row);
        frame->OnCommand(res::ID_PLAY_PLAYPAUSE);
    }

    std::unique_ptr<app::MprisBridge> bridge;
    std::unique_ptr<mpris::MprisService> service;
    std::unique_ptr<testsupport::MprisClient> client;
};
