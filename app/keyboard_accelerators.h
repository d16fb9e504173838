// The frame's accelerator table: keys that act anywhere in the frame window,
// before the focused control sees them (Space, comma and period drive the
// transport even while the order box or a list has the focus). F10 opens the
// first menu of the menu bar, as in other desktop programs.
#pragma once

#include <QKeySequence>
#include <QObject>
#include <functional>
#include <utility>
#include <vector>

class QKeyEvent;
class QWidget;

namespace app {

class KeyboardAccelerators : public QObject {
    Q_OBJECT
public:
    // Watches key presses in every widget of the window; dispatch receives
    // the command id of each accelerator (also ids without a handler),
    // openMenu is called for F10.
    KeyboardAccelerators(QWidget* window, std::function<void(int)> dispatch,
                         std::function<void()> openMenu = {});
    ~KeyboardAccelerators() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int CommandFor(const QKeyEvent& event) const;

    QWidget* window_;
    std::function<void(int)> dispatch_;
    std::function<void()> openMenu_;
    std::vector<std::pair<int, int>> table_; // combined key code, command id
};

} // namespace app
