#include "app/focus_frame_style.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>

namespace app {

namespace {

constexpr int kFocusFrameWidth = 2;

class FocusFrameStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_DefaultFrameWidth && qobject_cast<const QAbstractItemView*>(widget))
            return kFocusFrameWidth;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element == PE_FrameFocusRect) {
            DrawOutline(option->rect, 1, option->palette.color(QPalette::Highlight), painter);
            return;
        }
        if (element == PE_Frame && (option->state & State_HasFocus)) {
            DrawOutline(option->rect, kFocusFrameWidth, option->palette.color(QPalette::Highlight),
                        painter);
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

private:
    static void DrawOutline(const QRect& rect, int width, const QColor& colour, QPainter* painter) {
        painter->save();
        QPen pen(colour, width);
        pen.setJoinStyle(Qt::MiterJoin);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        const int inset = width / 2;
        painter->drawRect(rect.adjusted(inset, inset, -inset - (width % 2 ? 1 : 0),
                                        -inset - (width % 2 ? 1 : 0)));
        painter->restore();
    }
};

} // namespace

void ShowKeyboardFocusClearly(QAbstractItemView* view) {
    auto* style = new FocusFrameStyle;
    style->setParent(view);
    view->setStyle(style);
}

} // namespace app
