// Message boxes: the one place the program shows a modal message. On the
// offscreen and minimal Qt platforms, or when QUAVERLY_MESSAGE_LOG names a
// file, nothing is shown and nothing blocks: the text goes to stderr and is
// appended as a UTF-8 line to that file.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace platform {

// A modal box with the text, an OK button and no caption text.
void showMessage(QWidget* owner, const QString& text);

// While alive, captures every text given to showMessage instead of showing
// or logging it (for tests). The active recorder is the one piece of
// replaceable global state of the program; recorders nest, and only the
// most recent one records. UI thread only.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    Q_DISABLE_COPY(MessageRecorder)

    const QStringList& texts() const { return texts_; }

private:
    friend void showMessage(QWidget* owner, const QString& text);

    QStringList texts_;
    MessageRecorder* previous_;
};

} // namespace platform
