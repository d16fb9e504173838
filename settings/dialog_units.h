// Dialog units: layout sizes that scale with the dialog's font, so that the
// pages look right with the desktop's (Japanese-capable) font.
#pragma once

#include <QFontMetrics>
#include <QRect>
#include <QWidget>

namespace settings {

class DialogUnits {
public:
    explicit DialogUnits(const QWidget& widget)
        : baseX_(std::max(1, QFontMetrics(widget.font()).averageCharWidth())),
          baseY_(std::max(1, QFontMetrics(widget.font()).height())) {}

    int x(int units) const { return units * baseX_ / 4; }
    int y(int units) const { return units * baseY_ / 8; }
    QRect rect(int left, int top, int width, int height) const {
        return QRect(x(left), y(top), x(width), y(height));
    }

private:
    int baseX_;
    int baseY_;
};

} // namespace settings
