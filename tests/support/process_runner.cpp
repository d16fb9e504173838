#include "support/process_runner.h"

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

void endWithTestProgram(QProcess& process) {
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

static RunResult collect(QProcess& process, bool finished) {
    RunResult result;
    result.finished = finished && process.exitStatus() == QProcess::NormalExit;
    result.exitCode = result.finished ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

RunResult runProgram(const QString& program, const QStringList& args, int timeoutMs,
                     const QProcessEnvironment& env) {
    QProcess process;
    process.setProcessEnvironment(env);
    endWithTestProgram(process);
    process.start(program, args);
    if (!process.waitForStarted(timeoutMs))
        return {};
    const bool finished = process.waitForFinished(timeoutMs);
    if (!finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    return collect(process, finished);
}

BackgroundProcess::BackgroundProcess(const QString& program, const QStringList& args,
                                     const QProcessEnvironment& env)
    : process_(std::make_unique<QProcess>()) {
    process_->setProcessEnvironment(env);
    endWithTestProgram(*process_);
    process_->start(program, args);
    process_->waitForStarted(10000);
}

BackgroundProcess::~BackgroundProcess() {
    if (process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(5000);
    }
}

bool BackgroundProcess::started() const {
    return process_->state() != QProcess::NotRunning;
}

RunResult BackgroundProcess::wait(int timeoutMs) {
    const bool finished =
        process_->state() == QProcess::NotRunning || process_->waitForFinished(timeoutMs);
    return collect(*process_, finished);
}

pid_t endedProcessId() {
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

} // namespace testsupport
