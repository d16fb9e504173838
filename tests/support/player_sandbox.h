// Runs the real player from a private folder: a copy of the executable, so
// that its settings file and list files are its own, with the message boxes
// written to a log file instead of being shown.
#pragma once

#include "support/process_runner.h"
#include "support/temp_dir.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace testsupport {

class PlayerSandbox {
public:
    PlayerSandbox();

    QString folder() const { return QString::fromStdString(dir_.path()); }
    QString executable() const { return folder() + "/quaverly"; }
    QString iniPath() const { return folder() + "/quaverly.ini"; }
    QString messageLogPath() const { return folder() + "/messages.log"; }
    // The message texts shown so far, one per line.
    QStringList messages() const;
    void writeIni(const QString& content) const;
    QString readIni() const;

    // Offscreen, null sound output, messages logged; change as needed.
    QProcessEnvironment& environment() { return env_; }

    RunResult run(const QStringList& args, int timeoutMs) const;
    std::unique_ptr<BackgroundProcess> start(const QStringList& args) const;

private:
    TempDir dir_;
    QProcessEnvironment env_;
};

// Waits until the process handles SIGTERM itself, which the player sets up
// once its window exists (bounded).
bool waitUntilReady(BackgroundProcess& process, int timeoutMs);
// Sends SIGTERM and waits for the process to end.
RunResult terminate(BackgroundProcess& process, int timeoutMs);
// Waits until a file exists and contains text (bounded).
bool waitForFileContaining(const QString& path, const QString& text, int timeoutMs);

} // namespace testsupport
