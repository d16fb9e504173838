// A diagnostic input for soak runs: with QUAVERLY_COMMAND_FIFO=<path> naming
// a FIFO (made with mkfifo), every line written to it is a list of commands
// separated by blanks -- "next", "prev", "skip", "playpause", "stop" or a
// decimal command id -- that the frame runs one after another, as if the
// buttons had been pressed in that order with nothing in between. Unset, or
// when the path cannot be opened or is not a FIFO, nothing is read. Whatever
// a writer sends, the input holds at most one short line and the commands of
// one read, reads a bounded amount per wake-up and runs a bounded number of
// commands per pass of the event loop (a long line's commands may be split
// across passes), so the frame stays responsive and a close or a signal is
// served at once.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <deque>
#include <functional>
#include <vector>

class QSocketNotifier;

namespace app {

class CMainFrame;

// The command ids a line names; unknown words are left out.
std::vector<int> ParseDiagnosticCommands(const QByteArray& line);

// Cuts a byte stream into lines. A line longer than the limit is dropped
// whole, up to and including its end.
class LineSplitter {
public:
    explicit LineSplitter(qsizetype maxLineBytes) : maxLineBytes_(maxLineBytes) {}
    // The lines that the bytes complete, without their ends.
    std::vector<QByteArray> Feed(QByteArrayView bytes);
    qsizetype pendingBytes() const { return pending_.size(); }

private:
    qsizetype maxLineBytes_;
    QByteArray pending_;
    bool dropping_ = false; // inside a line that was too long
};

class DiagnosticCommandInput : public QObject {
    Q_OBJECT
public:
    // Commands run per pass of the event loop.
    static constexpr int kCommandsPerPass = 32;

    // Reads the FIFO that QUAVERLY_COMMAND_FIFO names, for the frame.
    explicit DiagnosticCommandInput(CMainFrame& frame);
    // Reads the FIFO at fifoPath and hands each command id to run.
    DiagnosticCommandInput(const QByteArray& fifoPath, std::function<void(int)> run);
    ~DiagnosticCommandInput() override;
    DiagnosticCommandInput(const DiagnosticCommandInput&) = delete;
    DiagnosticCommandInput& operator=(const DiagnosticCommandInput&) = delete;

    bool active() const { return fd_ >= 0; }

private:
    void OnReadable();
    void RunPass();

    std::function<void(int)> run_;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    LineSplitter lines_;
    std::deque<int> waiting_; // read, not yet run; the FIFO is not read meanwhile
};

} // namespace app
