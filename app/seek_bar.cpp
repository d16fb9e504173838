#include "app/seek_bar.h"

#include <QPainter>
#include <QStyleOptionSlider>

namespace app {

SeekBar::SeekBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

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
}

} // namespace app
