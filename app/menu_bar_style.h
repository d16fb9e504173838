// The menu bar's keyboard navigation as desktop programs offer it: a lone Alt
// selects the first menu title (F10 opens its menu), and the title selected
// from the keyboard shows the highlight an open menu's title shows, so the
// user sees where the arrow keys and Enter will go on.
#pragma once

class QMenuBar;

namespace app {

// The style object belongs to the bar and goes with it.
void EnableAltKeyNavigation(QMenuBar* bar);

} // namespace app
