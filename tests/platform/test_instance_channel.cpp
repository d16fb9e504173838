#include "platform/instance_channel.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <cstddef>
#include <cstring>
#include <future>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;

namespace {

// A name of our own per test process, so that a running player or a
// parallel test run never receives these messages.
QString testProgramName(const char* suffix) {
    return u"QuaverlyTest-"_qs + QString::number(getpid()) + u'-' + QString::fromLatin1(suffix);
}

// Sends from another thread while this one runs the listener's event loop.
std::future<bool> sendCloseInBackground(const QString& name) {
    return std::async(std::launch::async, [name] { return sendCloseToRunningInstance(name); });
}

// Connects to the listener's abstract address from a child process (as the
// user nobody when asked) and sends "close"; returns the child's exit code,
// 0 when the message was written.
int sendRawCloseFromChild(const QString& programName, bool asNobody) {
    const QByteArray name = instanceChannelName(programName).toUtf8();
    const pid_t child = fork();
    if (child == 0) {
        if (asNobody && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        memcpy(address.sun_path + 1, name.constData(), static_cast<size_t>(name.size()));
        const auto length =
            static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0)
            _exit(3);
        _exit(write(fd, "close\n", 6) == 6 ? 0 : 4);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 5;
}

} // namespace

// Helper run in a child process: sends "close" and exits 0 when delivered.
TEST(InstanceChannelChild, DISABLED_SendClose) {
    const QByteArray name = qgetenv("QUAVERLY_TEST_CHANNEL");
    ASSERT_FALSE(name.isEmpty());
    EXPECT_TRUE(sendCloseToRunningInstance(QString::fromUtf8(name)));
}

TEST(InstanceChannel, NameIsPerUserAndPerSession) {
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", "/run/user/session-a");
    const QString first = instanceChannelName(u"Quaverly"_qs);
    qputenv("XDG_RUNTIME_DIR", "/run/user/session-b");
    const QString second = instanceChannelName(u"Quaverly"_qs);
    qputenv("XDG_RUNTIME_DIR", saved);
    EXPECT_TRUE(first.startsWith(u"Quaverly-"_qs + QString::number(getuid()) + u'-'));
    EXPECT_NE(first, second);
    qputenv("XDG_RUNTIME_DIR", "/run/user/session-a");
    EXPECT_EQ(instanceChannelName(u"Quaverly"_qs), first);
    qputenv("XDG_RUNTIME_DIR", saved);
}

TEST(InstanceChannel, NobodyListeningMeansNotDelivered) {
    EXPECT_FALSE(sendCloseToRunningInstance(testProgramName("none")));
}

TEST(InstanceChannel, ListenerReceivesCloseFromAnotherProcess) {
    const QString name = testProgramName("process");
    InstanceListener listener(name);
    ASSERT_TRUE(listener.listen());
    QSignalSpy closes(&listener, &InstanceListener::closeRequested);

    QProcess sender;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QUAVERLY_TEST_CHANNEL"_qs, name);
    sender.setProcessEnvironment(env);
    sender.start(QCoreApplication::applicationFilePath(),
                 {u"--gtest_also_run_disabled_tests"_qs,
                  u"--gtest_filter=InstanceChannelChild.DISABLED_SendClose"_qs});
    EXPECT_TRUE(closes.wait(10000));
    ASSERT_TRUE(sender.waitForFinished(10000));
    EXPECT_EQ(sender.exitCode(), 0);
    EXPECT_EQ(closes.count(), 1);
    // Listening stopped so that the sender can take the name over.
    EXPECT_FALSE(listener.isListening());
}

TEST(InstanceChannel, OtherMessagesAreIgnored) {
    const QString name = testProgramName("other");
    InstanceListener listener(name);
    ASSERT_TRUE(listener.listen());
    QSignalSpy closes(&listener, &InstanceListener::closeRequested);
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(instanceChannelName(name));
    ASSERT_TRUE(socket.waitForConnected(1000));
    socket.write("open /x.mp3\n");
    socket.flush();
    EXPECT_FALSE(closes.wait(300));
    EXPECT_TRUE(listener.isListening());
}

TEST(InstanceChannel, SecondListenerTakesOverWhenTheFirstCloses) {
    const QString name = testProgramName("takeover");
    InstanceListener first(name);
    ASSERT_TRUE(first.listen());
    InstanceListener second(name);
    EXPECT_FALSE(second.listen());

    std::future<bool> sent = sendCloseInBackground(name);
    QSignalSpy firstCloses(&first, &InstanceListener::closeRequested);
    ASSERT_TRUE(firstCloses.wait(5000));
    EXPECT_TRUE(sent.get());
    // The second one retries on its own and becomes reachable.
    QSignalSpy secondCloses(&second, &InstanceListener::closeRequested);
    for (int i = 0; i < 50 && !second.isListening(); ++i)
        QTest::qWait(50);
    ASSERT_TRUE(second.isListening());
    std::future<bool> sentAgain = sendCloseInBackground(name);
    EXPECT_TRUE(secondCloses.wait(5000));
    EXPECT_TRUE(sentAgain.get());
    EXPECT_EQ(firstCloses.count(), 1);
}

TEST(InstanceChannel, CloseFromAnotherUserIsRefused) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to connect as another user";
    const QString name = testProgramName("user");
    InstanceListener listener(name);
    ASSERT_TRUE(listener.listen());
    QSignalSpy closes(&listener, &InstanceListener::closeRequested);

    EXPECT_EQ(sendRawCloseFromChild(name, true), 0); // connected and written ...
    EXPECT_FALSE(closes.wait(300));                  // ... but not obeyed
    EXPECT_TRUE(listener.isListening());

    EXPECT_EQ(sendRawCloseFromChild(name, false), 0); // the same bytes from this user
    EXPECT_TRUE(closes.wait(5000));
}
