#include "platform/instance_channel.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

const QByteArray kCloseMessage("close\n");
constexpr qint64 kLongestMessage = 64;
constexpr int kRetryIntervalMs = 500;
constexpr int kSendTimeoutMs = 1000;

bool isFromThisUser(const QLocalSocket& socket) {
    struct ucred peer {};
    socklen_t size = sizeof peer;
    const int fd = static_cast<int>(socket.socketDescriptor());
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == getuid();
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

InstanceListener::InstanceListener(const QString& programName, QObject* parent)
    : QObject(parent), name_(instanceChannelName(programName)), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(server_, &QLocalServer::newConnection, this, &InstanceListener::acceptConnections);
    retryTimer_.setInterval(kRetryIntervalMs);
    connect(&retryTimer_, &QTimer::timeout, this, &InstanceListener::listen);
}

InstanceListener::~InstanceListener() = default;

bool InstanceListener::listen() {
    if (server_->isListening() || server_->listen(name_)) {
        retryTimer_.stop();
        return true;
    }
    retryTimer_.start();
    return false;
}

bool InstanceListener::isListening() const {
    return server_->isListening();
}

void InstanceListener::acceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (!isFromThisUser(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            readMessage(socket);
            socket->deleteLater();
        });
        readMessage(socket);
    }
}

void InstanceListener::readMessage(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kLongestMessage)
            socket->abort();
        return;
    }
    const QByteArray message = socket->readLine(kLongestMessage);
    socket->disconnectFromServer();
    if (message != kCloseMessage || !server_->isListening())
        return;
    server_->close();
    retryTimer_.stop();
    emit closeRequested();
}

bool sendCloseToRunningInstance(const QString& programName) {
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(instanceChannelName(programName));
    if (!socket.waitForConnected(kSendTimeoutMs))
        return false;
    socket.write(kCloseMessage);
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(kSendTimeoutMs)) {
    }
    const bool delivered = socket.bytesToWrite() == 0;
    socket.abort();
    return delivered;
}

} // namespace platform
