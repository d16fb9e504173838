// Records every text a label shows while it is repainted, in order, repeats
// left out: the progress texts that long operations paint on the way.
#pragma once

#include <QEvent>
#include <QLabel>
#include <QObject>
#include <QStringList>

class TitleRecorder : public QObject {
public:
    explicit TitleRecorder(QLabel& label) : label_(label) { label.installEventFilter(this); }
    QStringList texts;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && (texts.isEmpty() || texts.back() != label_.text()))
            texts.append(label_.text());
        return false;
    }

private:
    QLabel& label_;
};
