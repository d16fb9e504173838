// A style for the browser's entry list and the track list that makes the
// keyboard focus plain to see: the focused list draws its frame in the
// highlight colour, and its current row carries a solid focus frame whether
// the focus came from the keyboard or the mouse.
#pragma once

class QAbstractItemView;

namespace app {

void ShowKeyboardFocusClearly(QAbstractItemView* view);

} // namespace app
