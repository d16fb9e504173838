#include "support/servers/icecast_server.h"

#include "support/process_runner.h"
#include "support/servers/loopback.h"

#include <QByteArray>
#include <QStringList>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace testsupport {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using std::chrono::steady_clock;

constexpr int startAttempts = 3;
// Generous: a machine busy with builds starts a server and a source client
// many times slower than an idle one. The waits end as soon as they are up.
constexpr seconds kProcessStart{30};
constexpr seconds kAnswerWait{30};
constexpr seconds kMountWait{60};
constexpr int kMountRequestMs = 3000;

std::string templateText(const std::string& name) {
    return readFile(std::string(QUAVERLY_TESTS_SOURCE_DIR) + "/support/icecast/" + name);
}

void replaceAll(std::string& text, const std::string& key, const std::string& value) {
    for (auto pos = text.find(key); pos != std::string::npos;
         pos = text.find(key, pos + value.size()))
        text.replace(pos, key.size(), value);
}

void giveToNobody(const std::string& path) {
    const passwd* user = getpwnam("nobody");
    const group* nogroup = getgrnam("nogroup");
    if (user && nogroup)
        (void)!chown(path.c_str(), user->pw_uid, nogroup->gr_gid);
}

// Asks `ready` again every `pause` until it says yes (true), `gone` says
// that it never will, or `limit` passes (false).
template <typename Ready, typename Gone>
bool pollUntil(Ready ready, Gone gone, seconds limit, milliseconds pause) {
    const auto deadline = steady_clock::now() + limit;
    while (!gone()) {
        if (ready())
            return true;
        if (steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(pause);
    }
    return false;
}

} // namespace

IcecastServer::IcecastServer(std::vector<std::string> mounts) {
    prepareFolders();
    for (int attempt = 0; attempt < startAttempts && !running(); ++attempt)
        start(mounts);
}

IcecastServer::~IcecastServer() {
    for (auto& [mount, source] : sources_)
        endProcess(*source);
    if (server_)
        endProcess(*server_);
}

bool IcecastServer::running() const {
    return server_ && server_->state() == QProcess::Running;
}

std::string IcecastServer::url(const std::string& mount) const {
    return "http://127.0.0.1:" + std::to_string(port_) + mount;
}

void IcecastServer::prepareFolders() const {
    // Icecast drops to nobody after reading its configuration: it must still
    // reach the folder, write its logs and read its webroot.
    chmod(dir_.path().c_str(), 0755);
    std::filesystem::create_directories(dir_.file("log"));
    if (geteuid() == 0)
        giveToNobody(dir_.file("log"));
    std::filesystem::copy("/usr/share/icecast2/web", dir_.file("web"),
                          std::filesystem::copy_options::recursive);
}

bool IcecastServer::start(const std::vector<std::string>& mounts) {
    port_ = freeLoopbackPort();
    writeConfig(mounts);
    server_ = std::make_unique<QProcess>();
    server_->setStandardOutputFile(QString::fromStdString(dir_.file("icecast.out")));
    server_->setStandardErrorFile(QString::fromStdString(dir_.file("icecast.out")),
                                  QIODevice::Append);
    endWithTestProgram(*server_);
    server_->start("/usr/bin/icecast2", {"-c", QString::fromStdString(dir_.file("icecast.xml"))});
    if (!server_->waitForStarted(milliseconds(kProcessStart).count()) || !waitUntilAnswering()) {
        endProcess(*server_);
        return false;
    }
    return true;
}

void IcecastServer::writeConfig(const std::vector<std::string>& mounts) const {
    std::string mountText;
    for (const auto& mount : mounts) {
        std::string section = templateText("mount.xml.in");
        replaceAll(section, "@MOUNT@", mount);
        mountText += section;
    }
    std::string config = templateText("icecast.xml.in");
    replaceAll(config, "@MOUNTS@", mountText);
    replaceAll(config, "@SECURITY@", geteuid() == 0 ? templateText("security.xml.in") : "");
    replaceAll(config, "@PORT@", std::to_string(port_));
    replaceAll(config, "@DIR@", dir_.path());
    replaceAll(config, "@SOURCE_PASSWORD@", sourcePassword_);
    replaceAll(config, "@ADMIN_USER@", "admin");
    replaceAll(config, "@ADMIN_PASSWORD@", adminPassword_);
    dir_.write("icecast.xml", config);
}

bool IcecastServer::waitUntilAnswering() {
    return pollUntil([&] { return loopbackAccepts(port_); },
                     [&] { return server_->state() != QProcess::Running; }, kAnswerWait,
                     milliseconds(50));
}

bool IcecastServer::startSource(const std::string& mount, const std::string& stationName,
                                Format format) {
    stopSource(mount);
    const bool mp3 = format == Format::Mp3;
    const QStringList args = {"-hide_banner",
                              "-loglevel",
                              "error",
                              "-nostdin",
                              "-re",
                              "-f",
                              "lavfi",
                              "-i",
                              "sine=frequency=440:sample_rate=44100",
                              "-ac",
                              "2",
                              "-c:a",
                              mp3 ? "libmp3lame" : "libvorbis",
                              "-b:a",
                              "128k",
                              "-content_type",
                              mp3 ? "audio/mpeg" : "application/ogg",
                              "-ice_name",
                              QString::fromStdString(stationName),
                              "-f",
                              mp3 ? "mp3" : "ogg",
                              QString::fromStdString("icecast://source:" + sourcePassword_ +
                                                     "@127.0.0.1:" + std::to_string(port_) +
                                                     mount)};
    auto process = std::make_unique<QProcess>();
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QString::fromStdString(dir_.file("ffmpeg.log")),
                                  QIODevice::Append);
    endWithTestProgram(*process);
    process->start("ffmpeg", args);
    if (!process->waitForStarted(milliseconds(kProcessStart).count()))
        return false;
    sources_[mount] = std::move(process);
    return waitForMount(mount);
}

bool IcecastServer::waitForMount(const std::string& mount) {
    QProcess& source = *sources_[mount];
    return pollUntil([&] { return loopbackStatus(port_, mount, kMountRequestMs) == 200; },
                     [&] { return source.state() != QProcess::Running; }, kMountWait,
                     milliseconds(100));
}

bool IcecastServer::setTitle(const std::string& mount, const std::string& title) {
    const QByteArray song = QByteArray::fromStdString(title).toPercentEncoding();
    const QByteArray where = QByteArray::fromStdString(mount).toPercentEncoding();
    const QByteArray credentials = QByteArray::fromStdString("admin:" + adminPassword_).toBase64();
    const std::string target =
        "/admin/metadata?mount=" + where.toStdString() + "&mode=updinfo&song=" + song.toStdString();
    const auto reply =
        loopbackGet(port_, target, {"Authorization: Basic " + credentials.toStdString()}, 3000);
    return reply.status == 200;
}

void IcecastServer::pauseSource(const std::string& mount) {
    if (const auto found = sources_.find(mount); found != sources_.end())
        ::kill(static_cast<pid_t>(found->second->processId()), SIGSTOP);
}

void IcecastServer::resumeSource(const std::string& mount) {
    if (const auto found = sources_.find(mount); found != sources_.end())
        ::kill(static_cast<pid_t>(found->second->processId()), SIGCONT);
}

void IcecastServer::stopSource(const std::string& mount) {
    if (const auto found = sources_.find(mount); found != sources_.end()) {
        endProcess(*found->second);
        sources_.erase(found);
    }
}

std::string IcecastServer::errorLog() const {
    return readFile(dir_.file("log/error.log")) + readFile(dir_.file("icecast.out")) +
           readFile(dir_.file("ffmpeg.log"));
}

void IcecastServer::endProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    const auto pid = static_cast<pid_t>(process.processId());
    ::kill(pid, SIGCONT); // a paused source could not act on the termination
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

} // namespace testsupport
