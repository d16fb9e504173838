// A horizontal bar whose thumb can be hidden: the position bar shows no thumb
// while nothing plays.
#pragma once

#include <QSlider>

namespace app {

class SeekBar : public QSlider {
    Q_OBJECT
public:
    explicit SeekBar(QWidget* parent = nullptr);
    void setThumbVisible(bool visible);
    bool thumbVisible() const { return thumbVisible_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void sliderChange(SliderChange change) override;

private:
    int thumbPixel() const;

    bool thumbVisible_ = true;
    // Where the thumb was last drawn; -1 before the first paint.
    int paintedThumbPixel_ = -1;
};

} // namespace app
