// Answers some style hints of one widget its own way and leaves everything
// else to the application's style.
#pragma once

#include <QStyle>
#include <utility>
#include <vector>

class QWidget;

namespace app {

using StyleHintValues = std::vector<std::pair<QStyle::StyleHint, int>>;

// The style object belongs to the widget and goes with it.
void OverrideStyleHints(QWidget* widget, StyleHintValues hints);

} // namespace app
