#include "settings/dsp_page_layout.h"

#include "settings/dialog_units.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <algorithm>

namespace settings {

namespace {

// In dialog units: from the page's edge to a group box and between group
// boxes; from a group box's edge to its controls; from a label to its slider.
constexpr int kEdge = 6;
constexpr int kInset = 6;
constexpr int kLabelGap = 4;

QSize AtLeast(const QWidget& widget, int width, int height) {
    const QSize hint = widget.sizeHint();
    return {std::max(width, hint.width()), std::max(height, hint.height())};
}

template <size_t N> int WidestText(const std::array<QLabel*, N>& labels) {
    int widest = 0;
    for (const QLabel* label : labels)
        widest = std::max(widest, label->fontMetrics().horizontalAdvance(label->text()));
    return widest;
}

// The room a group box's frame and title take on each side, at least the
// template's inset.
QMargins Insets(const QGroupBox& box, const DialogUnits& u, int top) {
    const QMargins frame = box.contentsMargins();
    return {std::max(u.x(kInset), frame.left()), std::max(top, frame.top()),
            std::max(u.x(kInset), frame.right()), std::max(u.y(4), frame.bottom())};
}

// First row: the check box at the left, then the seven band sliders with
// their labels centred under them.
struct EqualizerPlan {
    int neededWidth;
    int bottom;
};

EqualizerPlan PlaceEqualizer(const EqualizerControls& eq, const DialogUnits& u, QPoint origin) {
    const QMargins in = Insets(*eq.box, u, u.y(6));
    const int left = origin.x() + in.left();
    const int sliderTop = origin.y() + in.top();
    const QSize check = AtLeast(*eq.enable, u.x(46), u.y(10));
    eq.enable->setGeometry(left, std::max(origin.y() + u.y(12), sliderTop), check.width(),
                           check.height());
    const int bandWidth = std::max(u.x(11), eq.bands[0]->minimumSizeHint().width());
    const int labelWidth = WidestText(eq.labels) + u.x(2);
    const int labelHeight = std::max(u.y(8), eq.labels[0]->fontMetrics().height());
    const int pitch = std::max({u.x(18), bandWidth + u.x(4), labelWidth});
    const int firstLeft = std::max(u.x(66), left + check.width() + u.x(8));
    const int bandHeight = u.y(48);
    const int labelTop = sliderTop + bandHeight;
    for (size_t i = 0; i < eq.bands.size(); ++i) {
        const int centre = firstLeft + bandWidth / 2 + static_cast<int>(i) * pitch;
        eq.bands[i]->setGeometry(centre - bandWidth / 2, sliderTop, bandWidth, bandHeight);
        eq.labels[i]->setGeometry(centre - labelWidth / 2, labelTop, labelWidth, labelHeight);
        eq.labels[i]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
    const int lastCentre = firstLeft + bandWidth / 2 + 6 * pitch;
    const int right = lastCentre + std::max(bandWidth, labelWidth) / 2 + in.right();
    return {right - origin.x(), labelTop + labelHeight + in.bottom()};
}

// Second row, one group: the check box, then two rows of a label and a
// slider that reaches the group's right inset.
struct EffectPlan {
    QMargins in;
    QSize check;
    int labelWidth;
    int sliderOffset; // from the group's left edge
    int neededWidth;
};

EffectPlan PlanEffect(const EffectControls& effect, const DialogUnits& u) {
    EffectPlan plan;
    plan.in = Insets(*effect.box, u, u.y(12));
    plan.check = AtLeast(*effect.enable, u.x(46), u.y(10));
    plan.labelWidth = WidestText(effect.labels);
    plan.sliderOffset = std::max(u.x(36), plan.in.left() + plan.labelWidth + u.x(kLabelGap));
    const int sliderWidth = std::max(u.x(54), effect.sliders[0]->minimumSizeHint().width());
    plan.neededWidth = std::max({u.x(96), plan.sliderOffset + sliderWidth + plan.in.right(),
                                 plan.in.left() + plan.check.width() + plan.in.right(),
                                 effect.box->minimumSizeHint().width()});
    return plan;
}

// Returns the bottom of the group's last control row.
int PlaceEffect(const EffectControls& effect, const EffectPlan& plan, const DialogUnits& u,
                const QRect& area) {
    const int checkTop = area.top() + plan.in.top();
    effect.enable->setGeometry(area.left() + plan.in.left(), checkTop, plan.check.width(),
                               plan.check.height());
    const int labelHeight = effect.labels[0]->fontMetrics().height();
    const int rowHeight = std::max({u.y(12), labelHeight, effect.sliders[0]->sizeHint().height()});
    const int pitch = std::max(u.y(18), rowHeight + u.y(4));
    const int firstTop = std::max(area.top() + u.y(30), checkTop + plan.check.height() + u.y(6));
    const int sliderLeft = area.left() + plan.sliderOffset;
    const int sliderWidth = area.right() + 1 - plan.in.right() - sliderLeft;
    for (size_t row = 0; row < effect.sliders.size(); ++row) {
        const int top = firstTop + static_cast<int>(row) * pitch;
        effect.labels[row]->setGeometry(area.left() + plan.in.left(),
                                        top + (rowHeight - labelHeight) / 2, plan.labelWidth,
                                        labelHeight);
        effect.sliders[row]->setGeometry(sliderLeft, top, sliderWidth, rowHeight);
    }
    return firstTop + pitch + rowHeight;
}

} // namespace

QSize LayOutDspPage(const QWidget& page, const EqualizerControls& equalizer,
                    const std::array<EffectControls, 2>& effects) {
    const DialogUnits u(page);
    const QPoint origin(u.x(kEdge), u.y(kEdge));
    const EqualizerPlan eq = PlaceEqualizer(equalizer, u, origin);

    const std::array<EffectPlan, 2> plans = {PlanEffect(effects[0], u), PlanEffect(effects[1], u)};
    const int groupNeed = std::max(plans[0].neededWidth, plans[1].neededWidth);
    // Both rows end at the same right edge, as in the template (198 = 96 + 6 + 96).
    const int width = std::max({u.x(198), eq.neededWidth, 2 * groupNeed + u.x(kEdge)});
    const int groupWidth = (width - u.x(kEdge)) / 2;
    const int rowTop = eq.bottom + u.y(kEdge);
    int rowBottom = rowTop;
    for (size_t i = 0; i < effects.size(); ++i) {
        const QRect area(origin.x() + static_cast<int>(i) * (groupWidth + u.x(kEdge)), rowTop,
                         groupWidth, 0);
        rowBottom =
            std::max(rowBottom, PlaceEffect(effects[i], plans[i], u, area) + plans[i].in.bottom());
    }
    equalizer.box->setGeometry(origin.x(), origin.y(), width, eq.bottom - origin.y());
    for (size_t i = 0; i < effects.size(); ++i)
        effects[i].box->setGeometry(origin.x() + static_cast<int>(i) * (groupWidth + u.x(kEdge)),
                                    rowTop, groupWidth, rowBottom - rowTop);
    return {std::max(u.x(210), origin.x() + width + u.x(kEdge)),
            std::max(u.y(154), rowBottom + u.y(kEdge))};
}

} // namespace settings
