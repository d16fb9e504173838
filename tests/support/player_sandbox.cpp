#include "support/player_sandbox.h"

#include "support/fixtures.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <csignal>
#include <filesystem>

namespace testsupport {

PlayerSandbox::PlayerSandbox() : env_(QProcessEnvironment::systemEnvironment()) {
    std::filesystem::copy_file(playerExecutable(), dir_.path() + "/quaverly");
    // A portable copy keeps its codec module beside it.
    const std::filesystem::path module =
        std::filesystem::path(playerExecutable()).parent_path() / "libquaverly-codecs.so";
    std::filesystem::copy_file(module, dir_.path() + "/libquaverly-codecs.so");
    env_.insert("QT_QPA_PLATFORM", "offscreen");
    env_.insert("QUAVERLY_AUDIO", "null");
    env_.insert("QUAVERLY_MESSAGE_LOG", messageLogPath());
    env_.insert("XDG_RUNTIME_DIR", folder());
}

QStringList PlayerSandbox::messages() const {
    QFile log(messageLogPath());
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
}

void PlayerSandbox::writeIni(const QString& content) const {
    dir_.write("quaverly.ini", content.toStdString());
}

QString PlayerSandbox::readIni() const {
    return QString::fromStdString(readFile(iniPath().toStdString()));
}

RunResult PlayerSandbox::run(const QStringList& args, int timeoutMs) const {
    return runProgram(executable(), args, timeoutMs, env_);
}

std::unique_ptr<BackgroundProcess> PlayerSandbox::start(const QStringList& args) const {
    return std::make_unique<BackgroundProcess>(executable(), args, env_);
}

bool waitUntilReady(BackgroundProcess& process, int timeoutMs) {
    const qint64 pid = process.process().processId();
    QElapsedTimer clock;
    clock.start();
    while (pid > 0 && clock.elapsed() < timeoutMs) {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (!line.startsWith("SigCgt:"))
                continue;
            const quint64 caught = line.mid(7).trimmed().toULongLong(nullptr, 16);
            if (caught & (1ull << (SIGTERM - 1)))
                return true;
        }
        QThread::msleep(20);
    }
    return false;
}

RunResult terminate(BackgroundProcess& process, int timeoutMs) {
    const qint64 pid = process.process().processId();
    if (pid > 0)
        ::kill(static_cast<pid_t>(pid), SIGTERM);
    return process.wait(timeoutMs);
}

bool waitForFileContaining(const QString& path, const QString& text, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && QString::fromUtf8(file.readAll()).contains(text))
            return true;
        QThread::msleep(50);
    }
    return false;
}

} // namespace testsupport
