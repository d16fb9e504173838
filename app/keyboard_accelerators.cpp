#include "app/keyboard_accelerators.h"

#include "res/menu_resource.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace app {

KeyboardAccelerators::KeyboardAccelerators(QWidget* window, std::function<void(int)> dispatch,
                                           std::function<void()> openMenu)
    : QObject(window), window_(window), dispatch_(std::move(dispatch)),
      openMenu_(std::move(openMenu)) {
    for (const res::AcceleratorResource& entry : res::mainAccelerators())
        table_.emplace_back(entry.keys[0].toCombined(), entry.id);
    qApp->installEventFilter(this);
}

KeyboardAccelerators::~KeyboardAccelerators() {
    qApp->removeEventFilter(this);
}

int KeyboardAccelerators::CommandFor(const QKeyEvent& event) const {
    // Keypad keys count like their main-keyboard counterparts.
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    const QKeyCombination combination(modifiers, Qt::Key(event.key()));
    for (const auto& [keys, id] : table_) {
        if (keys == combination.toCombined())
            return id;
    }
    return 0;
}

bool KeyboardAccelerators::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window_)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::KeyPress && key->key() == Qt::Key_F10 &&
        key->modifiers() == Qt::NoModifier && openMenu_) {
        openMenu_();
        return true;
    }
    const int id = CommandFor(*key);
    if (id == 0)
        return false;
    if (type == QEvent::ShortcutOverride) {
        // Claim the key so that no shortcut of a child widget takes it.
        event->accept();
        return true;
    }
    dispatch_(id);
    return true;
}

} // namespace app
