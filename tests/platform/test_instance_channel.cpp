#include "platform/instance_channel.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <future>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace platform;

namespace {

// A name of our own per test process, so that a running player or a
// parallel test run never receives these messages.
QString testProgramName(const char* suffix) {
    return u"QuaverlyTest-"_qs + QString::number(getpid()) + u'-' + QString::fromLatin1(suffix);
}

// Connects to the listener's abstract address from a child process (as the
// user nobody when asked), writes the bytes and closes; returns the child's
// exit code, 0 when it connected. (A listener that refuses the user may hang
// up before the bytes are written.)
int sendRawFromChild(const QString& programName, const std::string& bytes, bool asNobody) {
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
        [[maybe_unused]] const ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 5;
}

// A listener whose arrivals are counted on its own thread.
struct CountingListener {
    explicit CountingListener(const QString& name)
        : listener(name, [this] { ++arrivals; }),
          closes(&listener, &InstanceListener::closeRequested),
          shows(&listener, &InstanceListener::showRequested) {}
    std::atomic<int> arrivals{0};
    InstanceListener listener;
    QSignalSpy closes;
    QSignalSpy shows;
};

} // namespace

// Run in a child process by the test below: sends "close" and exits 0 when
// it was delivered.
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
    qputenv("XDG_RUNTIME_DIR", "/run/user/session-a");
    const QString firstAgain = instanceChannelName(u"Quaverly"_qs);
    qputenv("XDG_RUNTIME_DIR", saved);
    EXPECT_TRUE(first.startsWith(u"Quaverly-"_qs + QString::number(getuid()) + u'-'));
    EXPECT_NE(first, second);
    EXPECT_EQ(firstAgain, first);
}

TEST(InstanceChannel, NobodyListeningMeansNotDelivered) {
    EXPECT_FALSE(sendCloseToRunningInstance(testProgramName("none")));
}

TEST(InstanceChannel, ListenerReceivesCloseFromAnotherProcess) {
    const QString name = testProgramName("process");
    CountingListener counting(name);
    ASSERT_TRUE(counting.listener.listen());

    QProcess sender;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QUAVERLY_TEST_CHANNEL"_qs, name);
    sender.setProcessEnvironment(env);
    sender.start(QCoreApplication::applicationFilePath(),
                 {u"--gtest_also_run_disabled_tests"_qs,
                  u"--gtest_filter=InstanceChannelChild.DISABLED_SendClose"_qs});
    EXPECT_TRUE(counting.closes.wait(10000));
    ASSERT_TRUE(sender.waitForFinished(10000));
    EXPECT_EQ(sender.exitCode(), 0);
    EXPECT_EQ(counting.closes.count(), 1);
    EXPECT_EQ(counting.arrivals, 1);
    // Listening stopped so that the sender can take the name over.
    EXPECT_FALSE(counting.listener.isListening());
}

TEST(InstanceChannel, OnlyACloseLineFromThisUserIsObeyed) {
    struct Case {
        std::string bytes;
        bool asNobody;
        bool obeyed;
    };
    const Case cases[] = {
        {"close\n", false, true},  {"open /x.mp3\n", false, false},
        {"show\n", false, false},  {"showclose\n", false, false},
        {"close", false, false}, // the sender hung up before the line ended
        {"CLOSE\n", false, false}, {std::string(100, 'x') + "close\n", false, false},
        {"close\n", true, false}, // another user
    };
    for (const Case& c : cases) {
        if (c.asNobody && geteuid() != 0)
            continue; // connecting as another user needs root
        const QString name = testProgramName("rule");
        CountingListener counting(name);
        ASSERT_TRUE(counting.listener.listen());
        ASSERT_EQ(sendRawFromChild(name, c.bytes, c.asNobody), 0) << c.bytes;
        if (c.obeyed) {
            EXPECT_TRUE(counting.closes.wait(5000)) << c.bytes;
            EXPECT_FALSE(counting.listener.isListening());
            continue;
        }
        // Still listening: a proper close afterwards is the first one heard.
        ASSERT_EQ(sendRawFromChild(name, "close\n", false), 0) << c.bytes;
        ASSERT_TRUE(counting.closes.wait(5000)) << c.bytes;
        EXPECT_EQ(counting.arrivals, 1) << c.bytes;
    }
}

TEST(InstanceChannel, ACloseArrivesWhileTheOwnerThreadIsBlocked) {
    const QString name = testProgramName("blocked");
    CountingListener counting(name);
    ASSERT_TRUE(counting.listener.listen());
    std::future<bool> sent =
        std::async(std::launch::async, [name] { return sendCloseToRunningInstance(name); });
    // This thread runs no event loop, as while a download blocks it.
    for (int i = 0; i < 1000 && counting.arrivals == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(counting.arrivals, 1);
    EXPECT_TRUE(sent.get());
    EXPECT_TRUE(counting.closes.wait(5000)) << "and the owner hears of it once it runs again";
}

TEST(InstanceChannel, SecondListenerTakesOverWhenTheFirstCloses) {
    const QString name = testProgramName("takeover");
    CountingListener first(name);
    ASSERT_TRUE(first.listener.listen());
    CountingListener second(name);
    EXPECT_FALSE(second.listener.listen());

    EXPECT_TRUE(sendCloseToRunningInstance(name));
    ASSERT_TRUE(first.closes.wait(5000));
    // The second one retries on its own and becomes reachable.
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.listener.isListening(); }, 5000));
    EXPECT_TRUE(sendCloseToRunningInstance(name));
    EXPECT_TRUE(second.closes.wait(5000));
    EXPECT_EQ(first.closes.count(), 1);
}

TEST(InstanceChannel, AShowIsHeardAndTheListenerListensOn) {
    struct Case {
        std::string bytes;
        bool shown;
    };
    const Case cases[] = {
        {"show\n", true},
        {"show", false}, // the sender hung up before the line ended
        {"SHOW\n", false},
        {"show\nclose\n", false}, // one message per connection
    };
    for (const Case& c : cases) {
        const QString name = testProgramName("show");
        CountingListener counting(name);
        ASSERT_TRUE(counting.listener.listen());
        ASSERT_EQ(sendRawFromChild(name, c.bytes, false), 0) << c.bytes;
        // A close afterwards is still heard, so the show left the name taken
        // and the listener serving.
        EXPECT_TRUE(sendToRunningInstance(name, HandOver::Close)) << c.bytes;
        ASSERT_TRUE(counting.closes.wait(5000)) << c.bytes;
        EXPECT_EQ(counting.shows.count(), c.shown ? 1 : 0) << c.bytes;
        EXPECT_EQ(counting.arrivals, 1) << "only the close sets the close request: " << c.bytes;
    }
}

TEST(InstanceChannel, ShowsAreDeliveredOneByOne) {
    const QString name = testProgramName("shows");
    CountingListener counting(name);
    ASSERT_TRUE(counting.listener.listen());
    EXPECT_TRUE(sendToRunningInstance(name, HandOver::Show));
    EXPECT_TRUE(sendToRunningInstance(name, HandOver::Show));
    EXPECT_TRUE(QTest::qWaitFor([&] { return counting.shows.count() == 2; }, 5000));
    EXPECT_TRUE(counting.listener.isListening());
    EXPECT_EQ(counting.closes.count(), 0);
}
