// Runs real programs (the player, ffmpeg, servers) from tests, with a timeout.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <memory>
#include <sys/types.h>

namespace testsupport {

struct RunResult {
    bool finished = false; // false: killed after the timeout
    int exitCode = -1;
    QString out;
    QString err;
};

// Makes a process about to be started end with the test program, so that
// players, encoders and servers do not outlive a test run that crashed or was
// killed. A program that changes its user afterwards (Icecast dropping root)
// loses this, as the kernel clears the mark then.
void endWithTestProgram(QProcess& process);

// Runs a program to completion, killing it after timeoutMs.
RunResult runProgram(const QString& program, const QStringList& args, int timeoutMs,
                     const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());

// A program left running in the background; killed when the object goes away.
class BackgroundProcess {
public:
    BackgroundProcess(const QString& program, const QStringList& args,
                      const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());
    ~BackgroundProcess();
    bool started() const;
    // Waits for the process to end; returns its result (finished false on timeout).
    RunResult wait(int timeoutMs);
    QProcess& process() { return *process_; }

private:
    std::unique_ptr<QProcess> process_;
};

// The id of a process that has ended (forked and reaped), as a killed
// writer leaves in the names of its files.
pid_t endedProcessId();

} // namespace testsupport
