// The hand-over between instances of a program: every main window listens on
// a per-user local socket named after the program, and a new instance can ask
// the running one to close. The socket lives in Linux's abstract namespace,
// so no socket file is left behind by a crash; because any user may connect
// to an abstract name, a connection from another user is refused.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QLocalServer;
class QLocalSocket;

namespace platform {

// The socket name for a program, the current user and the session's
// runtime folder ("Quaverly-1000-3f2a9c1e").
QString instanceChannelName(const QString& programName);

class InstanceListener : public QObject {
    Q_OBJECT
public:
    explicit InstanceListener(const QString& programName, QObject* parent = nullptr);
    ~InstanceListener() override;

    // Starts listening. When another instance owns the name, listening is
    // retried every half second, so that this instance becomes reachable once
    // the other one has gone. Returns whether it listens now.
    bool listen();
    bool isListening() const;

signals:
    // A "close" message arrived. Listening stops at once, so that the name is
    // free for the instance that sent it.
    void closeRequested();

private:
    void acceptConnections();
    void readMessage(QLocalSocket* socket);

    QString name_;
    QLocalServer* server_;
    QTimer retryTimer_;
};

// Asks the instance listening for programName to close. Returns whether the
// message was delivered to a listener; waits at most about a second.
bool sendCloseToRunningInstance(const QString& programName);

} // namespace platform
