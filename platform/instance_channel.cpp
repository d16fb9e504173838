#include "platform/instance_channel.h"

#include "platform/platform_log.h"

#include <QCryptographicHash>
#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

const QByteArray kCloseMessage("close\n");
const QByteArray kShowMessage("show\n");
constexpr qsizetype kLongestMessage = 64;
constexpr int kRetryIntervalMs = 500;
constexpr int kSendTimeoutMs = 1000;
constexpr int kReadTimeoutMs = 1000;

// The abstract address of a name: a leading NUL, then the name's bytes.
socklen_t abstractAddress(const QByteArray& name, sockaddr_un* address) {
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    const auto length =
        std::min<size_t>(static_cast<size_t>(name.size()), sizeof address->sun_path - 1);
    memcpy(address->sun_path + 1, name.constData(), length);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

bool isFromThisUser(int connection) {
    struct ucred peer {};
    socklen_t size = sizeof peer;
    if (getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return false;
    if (peer.uid == getuid())
        return true;
    qCInfo(lcPlatform) << "hand-over: refused a connection from user" << peer.uid;
    return false;
}

enum class Wait { Readable, Woken, TimedOut };

// Waits for fd (none when negative) to become readable, for the wake-up or
// for the time to run out (never when negative).
Wait waitFor(int fd, int wakeFd, int timeoutMs) {
    pollfd fds[2] = {{wakeFd, POLLIN, 0}, {fd, POLLIN, 0}};
    int ready;
    do {
        ready = poll(fds, fd >= 0 ? 2 : 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0 || fds[0].revents != 0)
        return Wait::Woken;
    return ready == 0 ? Wait::TimedOut : Wait::Readable;
}

} // namespace

QString instanceChannelName(const QString& programName) {
    // The lock file lives in the session's runtime folder; the channel
    // follows it, so that instances of one session (one runtime folder) find
    // each other and separate sessions of one user stay apart.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QString session = QString::fromLatin1(
        QCryptographicHash::hash(runtime, QCryptographicHash::Sha1).toHex().left(8));
    return programName + u'-' + QString::number(getuid()) + u'-' + session;
}

InstanceListener::InstanceListener(const QString& programName, std::function<void()> onArrival,
                                   QObject* parent)
    : QObject(parent), name_(instanceChannelName(programName).toUtf8()),
      onArrival_(std::move(onArrival)), wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

InstanceListener::~InstanceListener() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(wakeFd_, &one, sizeof one);
        thread_.join();
    }
    stopListening();
    if (wakeFd_ >= 0)
        close(wakeFd_);
}

bool InstanceListener::listen() {
    if (thread_.joinable() || wakeFd_ < 0)
        return listening_;
    bindName();
    thread_ = std::thread(&InstanceListener::serve, this);
    return listening_;
}

bool InstanceListener::bindName() {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address;
    const socklen_t length = abstractAddress(name_, &address);
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::listen(fd, SOMAXCONN) == 0) {
        listenFd_ = fd;
        listening_ = true;
        return true;
    }
    if (errno != EADDRINUSE)
        qCInfo(lcPlatform) << "hand-over: cannot listen:" << strerror(errno);
    if (fd >= 0)
        close(fd);
    return false;
}

void InstanceListener::serve() {
    // While another instance owns the name, try again every half second.
    while (listenFd_ < 0) {
        if (waitFor(-1, wakeFd_, kRetryIntervalMs) == Wait::Woken)
            return;
        bindName();
    }
    waitForConnections();
}

void InstanceListener::waitForConnections() {
    while (waitFor(listenFd_, wakeFd_, -1) == Wait::Readable) {
        const int connection = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        const std::optional<HandOver> message =
            isFromThisUser(connection) ? readMessage(connection) : std::nullopt;
        close(connection);
        if (message == HandOver::Show)
            QMetaObject::invokeMethod(this, &InstanceListener::showRequested, Qt::QueuedConnection);
        if (message != HandOver::Close)
            continue;
        stopListening();
        if (onArrival_)
            onArrival_();
        QMetaObject::invokeMethod(this, &InstanceListener::closeRequested, Qt::QueuedConnection);
        return;
    }
}

std::optional<HandOver> InstanceListener::readMessage(int connection) {
    QByteArray message;
    char chunk[kLongestMessage];
    while (!message.contains('\n') && message.size() < kLongestMessage &&
           waitFor(connection, wakeFd_, kReadTimeoutMs) == Wait::Readable) {
        const ssize_t got = read(connection, chunk, sizeof chunk);
        if (got <= 0)
            break;
        message.append(chunk, got);
    }
    if (message == kCloseMessage)
        return HandOver::Close;
    if (message == kShowMessage)
        return HandOver::Show;
    return std::nullopt;
}

void InstanceListener::stopListening() {
    listening_ = false;
    if (listenFd_ >= 0)
        close(listenFd_);
    listenFd_ = -1;
}

bool sendToRunningInstance(const QString& programName, HandOver message) {
    const QByteArray& text = message == HandOver::Close ? kCloseMessage : kShowMessage;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const timeval timeout{kSendTimeoutMs / 1000, (kSendTimeoutMs % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    sockaddr_un address;
    const socklen_t length = abstractAddress(instanceChannelName(programName).toUtf8(), &address);
    const bool delivered =
        connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        send(fd, text.constData(), static_cast<size_t>(text.size()), MSG_NOSIGNAL) == text.size();
    if (!delivered)
        qCInfo(lcPlatform) << "hand-over: no running instance took the message" << text.trimmed()
                           << ":" << strerror(errno);
    close(fd);
    return delivered;
}

bool sendCloseToRunningInstance(const QString& programName) {
    return sendToRunningInstance(programName, HandOver::Close);
}

} // namespace platform
