// Records the messages of the logging categories whose names start with a
// prefix ("quaverly.platform"), info level included, while the object lives.
#pragma once

#include <QLoggingCategory>
#include <QStringList>
#include <utility>
#include <vector>

namespace testsupport {

class LogCapture {
public:
    explicit LogCapture(QString prefix) : prefix_(std::move(prefix)) {
        active() = this;
        QLoggingCategory::setFilterRules(prefix_ + QStringLiteral("*.info=true"));
        previous_ = qInstallMessageHandler(&LogCapture::record);
    }
    ~LogCapture() {
        qInstallMessageHandler(previous_);
        QLoggingCategory::setFilterRules(QString());
        active() = nullptr;
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The texts logged at this level.
    QStringList messages(QtMsgType type) const {
        QStringList texts;
        for (const auto& [messageType, text] : messages_) {
            if (messageType == type)
                texts.append(text);
        }
        return texts;
    }

private:
    static LogCapture*& active() {
        static LogCapture* capture = nullptr;
        return capture;
    }
    static void record(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        LogCapture* capture = active();
        if (capture && context.category &&
            QString::fromLatin1(context.category).startsWith(capture->prefix_))
            capture->messages_.emplace_back(type, text);
    }

    QString prefix_;
    QtMessageHandler previous_ = nullptr;
    std::vector<std::pair<QtMsgType, QString>> messages_;
};

} // namespace testsupport
