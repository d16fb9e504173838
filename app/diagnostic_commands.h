// A diagnostic input for soak runs: with QUAVERLY_COMMAND_FIFO=<path> naming
// a FIFO (made with mkfifo), every line written to it is a list of commands
// separated by blanks -- "next", "prev", "skip", "playpause", "stop" or a
// decimal command id -- that the frame runs one after another, as if the
// buttons had been pressed in that order with nothing in between. Unset, or
// when the path cannot be opened or is not a FIFO, nothing is read. Whatever
// a writer sends, the input holds at most one short line and reads a bounded
// amount per wake-up, so the frame stays responsive.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
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
    explicit DiagnosticCommandInput(CMainFrame& frame);
    ~DiagnosticCommandInput() override;
    DiagnosticCommandInput(const DiagnosticCommandInput&) = delete;
    DiagnosticCommandInput& operator=(const DiagnosticCommandInput&) = delete;

    bool active() const { return fd_ >= 0; }

private:
    void OnReadable();

    CMainFrame& frame_;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    LineSplitter lines_;
};

} // namespace app
