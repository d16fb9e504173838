// A diagnostic input for soak runs: with QUAVERLY_COMMAND_FIFO=<path> naming
// a FIFO (made with mkfifo), every line written to it is a list of commands
// separated by blanks -- "next", "prev", "skip", "playpause", "stop" or a
// decimal command id -- that the frame runs one after another, as if the
// buttons had been pressed in that order with nothing in between. Unset, or
// when the path cannot be opened, nothing is read.
#pragma once

#include <QByteArray>
#include <QObject>
#include <vector>

class QSocketNotifier;

namespace app {

class CMainFrame;

// The command ids a line names; unknown words are left out.
std::vector<int> ParseDiagnosticCommands(const QByteArray& line);

class DiagnosticCommandInput : public QObject {
    Q_OBJECT
public:
    explicit DiagnosticCommandInput(CMainFrame& frame);
    ~DiagnosticCommandInput() override;
    DiagnosticCommandInput(const DiagnosticCommandInput&) = delete;
    DiagnosticCommandInput& operator=(const DiagnosticCommandInput&) = delete;

    bool active() const { return fd_ >= 0; }

private:
    void OnReadable();
    void RunCompleteLines();

    CMainFrame& frame_;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QByteArray pending_;
};

} // namespace app
