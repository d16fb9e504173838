// The hand-over between instances of a program: every instance listens on a
// per-user local socket named after the program, and a new instance can ask
// the running one to close or to show its window. The socket lives in Linux's abstract namespace,
// so no socket file is left behind by a crash; because any user may connect
// to an abstract name, a connection from another user is refused.
//
// The listener serves the socket on a thread of its own: a close must be
// seen while the UI thread is blocked (a download, a station probe), so that
// the blocking operation can be told to end.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>

namespace platform {

// The socket name for a program, the current user and the session's
// runtime folder ("Quaverly-1000-3f2a9c1e").
QString instanceChannelName(const QString& programName);

// What a new instance asks of the running one.
enum class HandOver {
    Close, // close normally (a start with something to open takes over)
    Show,  // show, restore and raise the window (a start with nothing to open)
};

class InstanceListener : public QObject {
    Q_OBJECT
public:
    // onArrival runs on the listener's thread the moment a close arrives,
    // before closeRequested reaches this object's thread; it must be safe to
    // call from any thread (the player sets the process-wide close request).
    InstanceListener(const QString& programName, std::function<void()> onArrival,
                     QObject* parent = nullptr);
    ~InstanceListener() override;
    InstanceListener(const InstanceListener&) = delete;
    InstanceListener& operator=(const InstanceListener&) = delete;

    // Starts listening. When another instance owns the name, listening is
    // retried every half second, so that this instance becomes reachable once
    // the other one has gone. Returns whether it listens now.
    bool listen();
    bool isListening() const { return listening_; }

signals:
    // A "close" message arrived. Listening stops at once, so that the name is
    // free for the instance that sent it.
    void closeRequested();
    // A "show" message arrived; listening goes on.
    void showRequested();

private:
    bool bindName();
    void serve();
    void waitForConnections();
    // Reads one connection's message: nothing when it is none of ours.
    std::optional<HandOver> readMessage(int connection);
    void stopListening();

    QByteArray name_;
    std::function<void()> onArrival_;
    int listenFd_ = -1;
    int wakeFd_ = -1; // an eventfd that ends the thread
    std::atomic<bool> listening_{false};
    std::thread thread_;
};

// Hands the message to the instance listening for programName. Returns
// whether it was delivered to a listener; waits at most about a second.
bool sendToRunningInstance(const QString& programName, HandOver message);
bool sendCloseToRunningInstance(const QString& programName);

} // namespace platform
