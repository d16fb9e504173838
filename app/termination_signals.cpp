#include "app/termination_signals.h"

#include "platform/close_request.h"

#include <QSocketNotifier>
#include <QWidget>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace app {

namespace {

// The write end of the pipe the signal handler wakes the UI thread with.
// A signal handler can reach nothing else; set while a TerminationSignals
// object lives.
int signalPipe[2] = {-1, -1};

// Async-signal-safe: a lock-free atomic store and a write. The flag ends a
// download or probe that blocks the UI thread; the byte then lets the UI
// thread close the frame.
void WakeUiThread(int) {
    platform::requestClose();
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

} // namespace

TerminationSignals::TerminationSignals(QWidget* frame) : QObject(frame), frame_(frame) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    notifier_ = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::OnSignal);
    struct sigaction action {};
    action.sa_handler = WakeUiThread;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        std::signal(signal, SIG_DFL);
    if (signalPipe[0] >= 0) {
        ::close(signalPipe[0]);
        ::close(signalPipe[1]);
        signalPipe[0] = signalPipe[1] = -1;
    }
}

void TerminationSignals::OnSignal() {
    char byte;
    [[maybe_unused]] const ssize_t got = ::read(signalPipe[1], &byte, 1);
    frame_->close();
}

} // namespace app
