#include "app/diagnostic_commands.h"

#include "app/main_frame.h"
#include "res/resource_ids.h"

#include <QSocketNotifier>
#include <fcntl.h>
#include <map>
#include <unistd.h>

namespace app {

namespace {

// A line longer than this without an end is dropped rather than kept.
constexpr qsizetype kMaxLineBytes = 4096;

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

DiagnosticCommandInput::DiagnosticCommandInput(CMainFrame& frame) : frame_(frame) {
    const QByteArray path = qgetenv("QUAVERLY_COMMAND_FIFO");
    if (path.isEmpty())
        return;
    // Read and write: the FIFO then never reports an end when a writer
    // closes, and opening does not wait for a writer.
    fd_ = open(path.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
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
    char chunk[1024];
    ssize_t count = 0;
    while ((count = read(fd_, chunk, sizeof chunk)) > 0)
        pending_.append(chunk, count);
    RunCompleteLines();
    if (pending_.size() > kMaxLineBytes)
        pending_.clear();
}

void DiagnosticCommandInput::RunCompleteLines() {
    qsizetype end = 0;
    while ((end = pending_.indexOf('\n')) >= 0) {
        const QByteArray line = pending_.left(end);
        pending_.remove(0, end + 1);
        for (int id : ParseDiagnosticCommands(line))
            frame_.OnCommand(id);
    }
}

} // namespace app
