#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

namespace platform {

namespace {

MessageRecorder* activeRecorder = nullptr;

const char kLogVariable[] = "QUAVERLY_MESSAGE_LOG";

bool canShowModalBox() {
    if (qEnvironmentVariableIsSet(kLogVariable))
        return false;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    const QString platformName = QGuiApplication::platformName();
    return platformName != u"offscreen" && platformName != u"minimal";
}

void logMessage(const QString& text) {
    const QByteArray line = text.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    const QByteArray logPath = qgetenv(kLogVariable);
    if (logPath.isEmpty())
        return;
    if (std::FILE* log = std::fopen(logPath.constData(), "ae")) {
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), log);
        std::fclose(log);
    }
}

} // namespace

MessageRecorder::MessageRecorder() : previous_(activeRecorder) {
    activeRecorder = this;
}

MessageRecorder::~MessageRecorder() {
    activeRecorder = previous_;
}

void showMessage(QWidget* owner, const QString& text) {
    if (activeRecorder) {
        activeRecorder->texts_.append(text);
        return;
    }
    if (!canShowModalBox()) {
        logMessage(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, owner);
    box.exec();
}

} // namespace platform
