#include "app/application.h"

#include "app/app_log.h"
#include "app/diagnostic_commands.h"
#include "app/main_frame.h"
#include "app/mpris_bridge.h"
#include "app/termination_signals.h"
#include "audio/api/bass.h"
#include "browser/form_view.h"
#include "browser/startup_open.h"
#include "mpris/mpris_service.h"
#include "platform/atomic_file.h"
#include "platform/close_request.h"
#include "platform/instance_channel.h"
#include "platform/instance_lock.h"
#include "platform/message_box.h"
#include "platform/module_path.h"
#include "platform/shell_path.h"
#include "res/resource_ids.h"
#include "res/string_table.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"

#include <QApplication>
#include <QTimer>
#include <memory>

namespace app {

namespace {

QString AppName() {
    return QString::fromUtf8(res::kAppName);
}

void RunStartupAction(const QString& commandLine, CMainFrame& frame) {
    if (!commandLine.isEmpty()) {
        browser::OpenCommandLine(commandLine, *frame.formView(), *frame.trackList(), frame);
    } else if (settings::IniFile(frame.iniPath()).ReadInt(settings::keys::LaunchAndPlay, 0) != 0) {
        browser::RestoreLastSession(frame.iniPath(), *frame.formView(), *frame.trackList(), frame);
    }
}

class BackgroundWritesFlush {
public:
    BackgroundWritesFlush() = default;
    ~BackgroundWritesFlush() { settings::IniFile::FinishBackgroundWrites(); }
    Q_DISABLE_COPY(BackgroundWritesFlush)
};

} // namespace

QString CommandLineText(const QStringList& arguments) {
    QString text = arguments.mid(1).join(QLatin1Char(' '));
    while (text.startsWith(QLatin1Char(' ')) || text.startsWith(QLatin1Char('\t')))
        text.remove(0, 1);
    return text;
}

int EntryPoint(const QString& commandLine) {
    // A codec module of another build would be undefined behaviour once loaded.
    if (!QUAVERLY_CodecModuleMatches()) {
        platform::showMessage(nullptr, res::loadString(res::IDS_WRONG_LIBRARY_VERSION));
        return 0;
    }
    platform::removeAbandonedTemporaries(platform::userFileFolder(),
                                         {platform::namePart(platform::settingsFilePath()),
                                          QStringLiteral("Netradio.txt"),
                                          QStringLiteral("Podcast.txt")});
    // The lock stays held until the process ends, marking a running instance.
    std::unique_ptr<platform::InstanceLock> instance;
    const settings::IniFile ini(platform::settingsFilePath());
    if (ini.ReadInt(settings::keys::NoMultiInst, 0) != 0) {
        instance = std::make_unique<platform::InstanceLock>(AppName());
        if (instance->acquire() == platform::InstanceLock::Outcome::HeldElsewhere) {
            // Started again with nothing to open (the launcher clicked once
            // more): the running instance shows its window instead.
            if (commandLine.isEmpty()) {
                platform::sendToRunningInstance(AppName(), platform::HandOver::Show);
                return 0;
            }
            platform::sendCloseToRunningInstance(AppName());
        }
    }
    // Listening starts before the window is built, so that an instance
    // started meanwhile reaches this one. (The close above goes first: this
    // instance must not be the one that receives it.)
    platform::InstanceListener listener(AppName(), platform::requestClose);
    listener.listen();
    return Run(commandLine, listener);
}

int Run(const QString& commandLine, platform::InstanceListener& listener) {
    QApplication::setQuitOnLastWindowClosed(false);
    // However the run ends (a close inside the start-up action included), the
    // settings still waiting for the background writer reach the file.
    const BackgroundWritesFlush flushAtEnd;
    CMainFrame frame(platform::settingsFilePath());
    bool shown = false;
    bool closePending = false;
    const auto closeFrame = [&frame] { QTimer::singleShot(0, &frame, &QWidget::close); };
    QObject::connect(&listener, &platform::InstanceListener::closeRequested, &frame, [&] {
        if (shown)
            closeFrame();
        else
            closePending = true;
    });
    QObject::connect(&listener, &platform::InstanceListener::showRequested, &frame, [&] {
        if (shown)
            frame.BringToFront();
    });
    if (!frame.Create()) {
        qCInfo(lcApp) << "the frame could not be created";
        return 0;
    }
    frame.Load();
    shown = true;

    TerminationSignals termination(&frame);
    // Media keys and the desktop's sound menu; without a session bus the
    // player runs without them. Connecting to the bus (or failing to, which
    // may start dbus-launch) waits until the event loop runs, so the window
    // is not held back by it.
    MprisBridge mprisBridge(frame);
    std::unique_ptr<mpris::MprisService> mpris;
    QTimer::singleShot(0, &frame, [&] {
        mpris = std::make_unique<mpris::MprisService>(mprisBridge);
        mpris->Start();
    });
    DiagnosticCommandInput diagnosticCommands(frame); // off unless QUAVERLY_COMMAND_FIFO is set
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &frame,
                     [&frame](QSessionManager&) { frame.Save(); });

    // A close that is on its way (from another instance or a signal) makes
    // the start-up action pointless.
    if (closePending)
        closeFrame();
    else if (!platform::closeRequested())
        RunStartupAction(commandLine, frame);
    // A close carried out inside a message box of the start-up action ended
    // that box's loop; exec() would forget it and run on without a window.
    if (frame.HasClosed())
        return 1;
    return QApplication::exec();
}

} // namespace app
