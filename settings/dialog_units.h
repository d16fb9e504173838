// Dialog units: layout sizes that scale with the dialog's font, so that the
// pages look right with the desktop's (Japanese-capable) font at any DPI. A
// horizontal unit is a quarter of the average width of the Latin letters, a
// vertical unit an eighth of the font's line height, as dialog templates
// measure them. The average comes from the letters themselves, not from the
// font's declared average width, which CJK fonts give as a full-width
// character.
#pragma once

#include <QFontMetrics>
#include <QRect>
#include <QWidget>
#include <algorithm>

namespace settings {

class DialogUnits {
public:
    explicit DialogUnits(const QWidget& widget)
        : baseX_(AverageLetterWidth(widget.fontMetrics())),
          baseY_(std::max(1, widget.fontMetrics().height())) {}

    int x(int units) const { return (units * baseX_ + 2) / 4; }
    int y(int units) const { return (units * baseY_ + 4) / 8; }
    QRect rect(int left, int top, int width, int height) const {
        return QRect(x(left), y(top), x(width), y(height));
    }

private:
    static int AverageLetterWidth(const QFontMetrics& metrics) {
        const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                                     "abcdefghijklmnopqrstuvwxyz"));
        return std::max(1, (letters / 26 + 1) / 2);
    }

    int baseX_;
    int baseY_;
};

} // namespace settings
