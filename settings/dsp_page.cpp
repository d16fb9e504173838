#include "settings/settings_sheet.h"

#include "settings/dsp_page_layout.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QSlider>
#include <QToolTip>

namespace settings {

namespace {

struct SliderRange {
    int id;
    int minimum;
    int maximum;
    int pageStep;
    const char* key;
    int pageDefault;
};

// Compressor gain and threshold, reverb mix and time, in control order.
constexpr SliderRange kParameterRanges[4] = {
    {1015, -60, 60, 4, keys::CompGain, 0},
    {1016, -60, 0, 4, keys::CompThreshold, -20},
    {1017, -96, 0, 4, keys::ReverbMix, 0},
    {1019, 100, 3000, 100, keys::ReverbTime, 1000},
};

constexpr const char* kBandLabels[7] = {"125", "250", "500", "1K", "2K", "4K", "8K"};
constexpr int kBandDefault = 10; // shown clamped as 0 dB

QString BandKey(int band) {
    return QString::fromLatin1(keys::EqBandFormat).arg(band);
}
int BandControlId(int band) {
    return 1015 - band;
}

} // namespace

CCustomPage2::CCustomPage2(const QString& iniPath, QWidget* parent)
    : QWidget(parent), iniPath_(iniPath) {
    BuildControls();
    LoadValues();
}

CCustomPage2::CCustomPage2() {
    BuildControls();
}

QSize CCustomPage2::LaidOutSize() {
    const CCustomPage2 probe;
    return probe.minimumSize();
}

QSlider* CCustomPage2::AddSlider(int id, Qt::Orientation orientation) {
    auto* bar = new QSlider(orientation, this);
    bar->setObjectName(QString::number(id));
    bar->setFocusPolicy(Qt::StrongFocus);
    bar->installEventFilter(this);
    connect(bar, &QSlider::actionTriggered, this, [this, bar](int action) {
        if (action == QAbstractSlider::SliderSingleStepAdd ||
            action == QAbstractSlider::SliderSingleStepSub || action == QAbstractSlider::SliderMove)
            ShowTip(bar);
    });
    return bar;
}

QCheckBox* CCustomPage2::AddEnable(size_t index, int id) {
    enables_[index] = new QCheckBox(QStringLiteral("有効にする"), this);
    enables_[index]->setObjectName(QString::number(id));
    return enables_[index];
}

void CCustomPage2::BuildControls() {
    const auto group = [this](const char* title) {
        auto* box = new QGroupBox(QString::fromUtf8(title), this);
        box->lower();
        return box;
    };
    const auto label = [this](const char* text) {
        return new QLabel(QString::fromUtf8(text), this);
    };
    EqualizerControls equalizer{group("イコライザ"), AddEnable(0, 1005), {}, {}};
    for (int band = 1; band <= 7; ++band) {
        QSlider* bar = AddSlider(BandControlId(band), Qt::Vertical);
        // The top of a band slider is 0 dB; each step down cuts a decibel.
        bar->setInvertedAppearance(true);
        bar->setInvertedControls(true);
        bands_[static_cast<size_t>(band - 1)] = bar;
        equalizer.bands[static_cast<size_t>(band - 1)] = bar;
        equalizer.labels[static_cast<size_t>(band - 1)] = label(kBandLabels[band - 1]);
    }
    // The compressor's gain and threshold, the reverb's mix and time.
    const auto effect = [&](const char* title, size_t index, const char* first,
                            const char* second) {
        EffectControls controls{group(title),
                                AddEnable(index, 1005 + static_cast<int>(index)),
                                {label(first), label(second)},
                                {}};
        for (size_t row = 0; row < 2; ++row) {
            const size_t parameter = 2 * (index - 1) + row;
            parameters_[parameter] = AddSlider(kParameterRanges[parameter].id, Qt::Horizontal);
            controls.sliders[row] = parameters_[parameter];
        }
        return controls;
    };
    const std::array<EffectControls, 2> effects = {effect("コンプレッサ", 1, "Gain", "Threshold"),
                                                   effect("リバーブ", 2, "Mix", "Time")};
    setMinimumSize(LayOutDspPage(*this, equalizer, effects));
}

void CCustomPage2::LoadValues() {
    const IniFile ini(iniPath_);
    enables_[0]->setChecked(ini.ReadInt(keys::EnableEq, 0) != 0);
    enables_[1]->setChecked(ini.ReadInt(keys::EnableComp, 0) != 0);
    enables_[2]->setChecked(ini.ReadInt(keys::EnableReverb, 0) != 0);
    for (int band = 1; band <= 7; ++band) {
        QSlider* bar = bands_[static_cast<size_t>(band - 1)];
        bar->setRange(0, 10);
        bar->setPageStep(1);
        bar->setSingleStep(1);
        bar->setValue(-ini.ReadInt(BandKey(band), kBandDefault));
    }
    for (size_t i = 0; i < parameters_.size(); ++i) {
        const SliderRange& range = kParameterRanges[i];
        parameters_[i]->setRange(range.minimum, range.maximum);
        parameters_[i]->setPageStep(range.pageStep);
        parameters_[i]->setSingleStep(1);
        parameters_[i]->setValue(ini.ReadInt(range.key, range.pageDefault));
    }
}

void CCustomPage2::OnKillActive() {
    QList<IniFile::IntSetting> values = {
        {keys::EnableEq, enables_[0]->isChecked() ? 1 : 0},
        {keys::EnableComp, enables_[1]->isChecked() ? 1 : 0},
        {keys::EnableReverb, enables_[2]->isChecked() ? 1 : 0},
    };
    for (int band = 1; band <= 7; ++band)
        values.append({BandKey(band), -bands_[static_cast<size_t>(band - 1)]->value()});
    for (size_t i = 0; i < parameters_.size(); ++i)
        values.append({kParameterRanges[i].key, parameters_[i]->value()});
    IniFile(iniPath_).WriteInts(values);
}

QSlider* CCustomPage2::slider(int controlId) const {
    for (QSlider* bar : bands_) {
        if (bar->objectName().toInt() == controlId)
            return bar;
    }
    for (QSlider* bar : parameters_) {
        if (bar->objectName().toInt() == controlId)
            return bar;
    }
    return nullptr;
}

QCheckBox* CCustomPage2::checkBox(int controlId) const {
    for (QCheckBox* box : enables_) {
        if (box->objectName().toInt() == controlId)
            return box;
    }
    return nullptr;
}

QString CCustomPage2::TipText(int controlId) const {
    const QSlider* bar = slider(controlId);
    if (!bar)
        return QString();
    const int position = bar->sliderPosition();
    if (controlId >= 1008 && controlId <= 1014)
        return QStringLiteral("%1dB").arg(-position);
    if (controlId == 1019)
        return QStringLiteral("%1ms").arg(position);
    return QStringLiteral("%1dB").arg(position);
}

void CCustomPage2::ShowTip(QSlider* bar) {
    const QPoint below = bar->mapToGlobal(QPoint(bar->width() / 2, bar->height()));
    QToolTip::showText(below, TipText(bar->objectName().toInt()), bar);
}

bool CCustomPage2::eventFilter(QObject* watched, QEvent* event) {
    auto* bar = qobject_cast<QSlider*>(watched);
    if (bar && event->type() == QEvent::ToolTip) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                           TipText(bar->objectName().toInt()), bar);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace settings
