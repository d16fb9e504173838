#include "app/diagnostic_commands.h"

#include "app/app_log.h"
#include "app/main_frame.h"
#include "res/resource_ids.h"

#include <QSocketNotifier>
#include <QTimer>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace app {

namespace {

// A line longer than this is dropped rather than kept.
constexpr qsizetype kMaxLineBytes = 4096;
// Read per wake-up, so that a writer that never stops cannot hold the frame.
constexpr qsizetype kMaxBytesPerWake = 16 * 1024;

int CommandIdOf(const QByteArray& word) {
    static const std::map<QByteArray, int> kNames = {
        {"next", res::ID_PLAY_NEXT}, {"prev", res::ID_PLAY_PREV},
        {"skip", res::ID_PLAY_SKIP}, {"playpause", res::ID_PLAY_PLAYPAUSE},
        {"stop", res::ID_PLAY_STOP},
    };
    const auto named = kNames.find(word);
    if (named != kNames.end())
        return named->second;
    bool isNumber = false;
    const int id = word.toInt(&isNumber);
    return isNumber ? id : 0;
}

} // namespace

std::vector<int> ParseDiagnosticCommands(const QByteArray& line) {
    std::vector<int> ids;
    for (const QByteArray& word : line.simplified().split(' ')) {
        const int id = CommandIdOf(word.toLower());
        if (id != 0)
            ids.push_back(id);
    }
    return ids;
}

std::vector<QByteArray> LineSplitter::Feed(QByteArrayView bytes) {
    std::vector<QByteArray> lines;
    while (!bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf('\n');
        const QByteArrayView part = end < 0 ? bytes : bytes.first(end);
        if (!dropping_ && pending_.size() + part.size() <= maxLineBytes_)
            pending_.append(part);
        else
            dropping_ = true;
        if (end < 0)
            break;
        if (!dropping_)
            lines.push_back(pending_);
        pending_.clear();
        dropping_ = false;
        bytes = bytes.sliced(end + 1);
    }
    if (dropping_)
        pending_.clear();
    return lines;
}

DiagnosticCommandInput::DiagnosticCommandInput(CMainFrame& frame)
    : DiagnosticCommandInput(qgetenv("QUAVERLY_COMMAND_FIFO"),
                             [&frame](int id) { frame.OnCommand(id); }) {}

DiagnosticCommandInput::DiagnosticCommandInput(const QByteArray& path, std::function<void(int)> run)
    : run_(std::move(run)), lines_(kMaxLineBytes) {
    if (path.isEmpty())
        return;
    // Read and write: the FIFO then never reports an end when a writer
    // closes, and opening does not wait for a writer.
    fd_ = open(path.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    struct stat status {};
    if (fd_ >= 0 && (fstat(fd_, &status) != 0 || !S_ISFIFO(status.st_mode))) {
        qCInfo(lcApp) << "QUAVERLY_COMMAND_FIFO is not a FIFO; nothing is read from" << path;
        close(fd_);
        fd_ = -1;
    }
    if (fd_ < 0)
        return;
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &DiagnosticCommandInput::OnReadable);
}

DiagnosticCommandInput::~DiagnosticCommandInput() {
    delete notifier_;
    if (fd_ >= 0)
        close(fd_);
}

void DiagnosticCommandInput::OnReadable() {
    char chunk[4096];
    ssize_t count = 0;
    for (qsizetype total = 0;
         total < kMaxBytesPerWake && (count = read(fd_, chunk, sizeof chunk)) > 0; total += count) {
        for (const QByteArray& line : lines_.Feed(QByteArrayView(chunk, count))) {
            for (int id : ParseDiagnosticCommands(line))
                waiting_.push_back(id);
        }
    }
    if (waiting_.empty())
        return;
    notifier_->setEnabled(false);
    RunPass();
}

// Each command may rewrite files or open a stream; between passes the event
// loop serves the window, a close and the signals.
void DiagnosticCommandInput::RunPass() {
    for (int ran = 0; ran < kCommandsPerPass && !waiting_.empty(); ++ran) {
        const int id = waiting_.front();
        waiting_.pop_front();
        run_(id);
    }
    if (waiting_.empty())
        notifier_->setEnabled(true);
    else
        QTimer::singleShot(0, this, &DiagnosticCommandInput::RunPass);
}

} // namespace app
