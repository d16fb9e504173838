// A real Icecast 2 on 127.0.0.1 for station tests, with ffmpeg as source
// client pushing a generated tone. The server and every source end with the
// object.
#pragma once

#include "support/temp_dir.h"

#include <QProcess>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

class IcecastServer {
public:
    enum class Format { Mp3, OggVorbis };

    // Starts Icecast with the given mounts declared (UTF-8 titles, metadata
    // every 8192 bytes); check running() before use.
    explicit IcecastServer(std::vector<std::string> mounts = {"/radio.mp3", "/radio.ogg"});
    ~IcecastServer();
    IcecastServer(const IcecastServer&) = delete;
    IcecastServer& operator=(const IcecastServer&) = delete;

    bool running() const;
    int port() const { return port_; }
    std::string url(const std::string& mount) const;

    // Starts ffmpeg pushing a tone to mount under the station name and waits
    // until listeners can connect; false when it did not come up in time. A
    // source already on that mount is stopped first.
    bool startSource(const std::string& mount, const std::string& stationName,
                     Format format = Format::Mp3);
    // Sets the song title of an MP3 mount through the admin interface.
    bool setTitle(const std::string& mount, const std::string& title);
    // Freezes or thaws the source client, so listeners stop receiving data.
    void pauseSource(const std::string& mount);
    void resumeSource(const std::string& mount);
    void stopSource(const std::string& mount);

    // Icecast's error log, for failure messages.
    std::string errorLog() const;

private:
    bool start(const std::vector<std::string>& mounts);
    void writeConfig(const std::vector<std::string>& mounts) const;
    void prepareFolders() const;
    bool waitUntilAnswering();
    bool waitForMount(const std::string& mount);
    static void endProcess(QProcess& process);

    TempDir dir_;
    int port_ = 0;
    std::string sourcePassword_ = "source-secret";
    std::string adminPassword_ = "admin-secret";
    std::unique_ptr<QProcess> server_;
    std::map<std::string, std::unique_ptr<QProcess>> sources_;
};

} // namespace testsupport
