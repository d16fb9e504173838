#include "app/seek_bar.h"

#include "app/style_hints.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionSlider>

namespace app {

void JumpToClickedPoint(QSlider* bar) {
    OverrideStyleHints(bar,
                       {{QStyle::SH_Slider_AbsoluteSetButtons, Qt::LeftButton | Qt::MiddleButton},
                        {QStyle::SH_Slider_PageSetButtons, Qt::NoButton}});
}

SeekBar::SeekBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    JumpToClickedPoint(this);
}

// Without a thumb there is nothing to seek in.
void SeekBar::mousePressEvent(QMouseEvent* event) {
    if (!thumbVisible_) {
        event->ignore();
        return;
    }
    QSlider::mousePressEvent(event);
}

void SeekBar::setThumbVisible(bool visible) {
    thumbVisible_ = visible;
    update();
}

void SeekBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_SliderGroove;
    if (thumbVisible_)
        option.subControls |= QStyle::SC_SliderHandle;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
    paintedThumbPixel_ = thumbPixel();
}

// The playing position moves the value once a second; on a long track most of
// those moves stay within the thumb's pixel, and a repaint would cost a round
// trip to the display server for an identical picture.
void SeekBar::sliderChange(SliderChange change) {
    if (change == SliderValueChange && !isSliderDown() && thumbPixel() == paintedThumbPixel_)
        return;
    QSlider::sliderChange(change);
}

int SeekBar::thumbPixel() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this).x();
}

} // namespace app
