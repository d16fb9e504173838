// Where the DSP page's controls go: the places of the page's dialog template
// in dialog units of the page's font, widened wherever the font needs more
// room, so that no two controls overlap, every text fits and every control
// stays inside its group box, whatever the font and the DPI.
#pragma once

#include <QSize>
#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QSlider;
class QWidget;

namespace settings {

struct EqualizerControls {
    QGroupBox* box;
    QCheckBox* enable;
    std::array<QSlider*, 7> bands;
    std::array<QLabel*, 7> labels; // under each band
};

// The compressor or the reverb: a check box and two labelled sliders.
struct EffectControls {
    QGroupBox* box;
    QCheckBox* enable;
    std::array<QLabel*, 2> labels;
    std::array<QSlider*, 2> sliders;
};

// Places the controls on the page; returns the size the page needs.
QSize LayOutDspPage(const QWidget& page, const EqualizerControls& equalizer,
                    const std::array<EffectControls, 2>& effects);

} // namespace settings
