// The window frame of the player's dialogs: a title and a close button, no
// minimise or maximise button, and a size fixed by the contents, as dialogs
// have on the desktop. Window managers take the buttons from the hints, and
// none offers to maximise a window that cannot change its size.
#pragma once

#include <QDialog>
#include <QLayout>

namespace settings {

// Call once the dialog's layout is built.
inline void ShowCloseButtonOnly(QDialog& dialog) {
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    if (QLayout* layout = dialog.layout())
        layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace settings
