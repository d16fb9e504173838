// A horizontal bar whose thumb can be hidden: the position bar shows no thumb
// while nothing plays. A left click puts the thumb at the clicked point (and
// a drag goes on from there), as people expect of a player's bars; the keys
// keep their single and page steps.
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
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void sliderChange(SliderChange change) override;

private:
    int thumbPixel() const;

    bool thumbVisible_ = true;
    // Where the thumb was last drawn; -1 before the first paint.
    int paintedThumbPixel_ = -1;
};

// Makes a left click on the bar jump to the clicked point instead of paging.
void JumpToClickedPoint(QSlider* bar);

} // namespace app
