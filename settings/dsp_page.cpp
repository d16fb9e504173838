#include "settings/settings_sheet.h"

#include "settings/dialog_units.h"
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
constexpr int kFirstBandX = 66;
constexpr int kBandSpacing = 18;
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

QSlider* CCustomPage2::AddSlider(int id, Qt::Orientation orientation, const QRect& geometry) {
    auto* bar = new QSlider(orientation, this);
    bar->setObjectName(QString::number(id));
    bar->setGeometry(geometry);
    bar->setFocusPolicy(Qt::StrongFocus);
    bar->installEventFilter(this);
    connect(bar, &QSlider::actionTriggered, this, [this, bar](int action) {
        if (action == QAbstractSlider::SliderSingleStepAdd ||
            action == QAbstractSlider::SliderSingleStepSub || action == QAbstractSlider::SliderMove)
            ShowTip(bar);
    });
    return bar;
}

void CCustomPage2::BuildControls() {
    const DialogUnits u(*this);
    setMinimumSize(u.x(210), u.y(154));
    const auto group = [&](const char* title, QRect area) {
        auto* box = new QGroupBox(QString::fromUtf8(title), this);
        box->setGeometry(area);
        box->lower();
    };
    const auto label = [&](const char* text, int x, int y) {
        auto* caption = new QLabel(QString::fromUtf8(text), this);
        caption->move(u.x(x), u.y(y));
    };
    const auto enable = [&](int index, int id, int x, int y) {
        enables_[static_cast<size_t>(index)] = new QCheckBox(QStringLiteral("有効にする"), this);
        enables_[static_cast<size_t>(index)]->setObjectName(QString::number(id));
        enables_[static_cast<size_t>(index)]->move(u.x(x), u.y(y));
    };
    group("イコライザ", u.rect(6, 6, 198, 66));
    enable(0, 1005, 12, 18);
    for (int band = 1; band <= 7; ++band) {
        const int x = kFirstBandX + (band - 1) * kBandSpacing;
        QSlider* bar = AddSlider(BandControlId(band), Qt::Vertical, u.rect(x, 12, 11, 48));
        // The top of a band slider is 0 dB; each step down cuts a decibel.
        bar->setInvertedAppearance(true);
        bar->setInvertedControls(true);
        bands_[static_cast<size_t>(band - 1)] = bar;
        label(kBandLabels[band - 1], x, 60);
    }
    group("コンプレッサ", u.rect(6, 78, 96, 66));
    enable(1, 1006, 12, 90);
    label("Gain", 12, 108);
    parameters_[0] = AddSlider(1015, Qt::Horizontal, u.rect(42, 108, 54, 12));
    label("Threshold", 12, 126);
    parameters_[1] = AddSlider(1016, Qt::Horizontal, u.rect(42, 126, 54, 12));
    group("リバーブ", u.rect(108, 78, 96, 66));
    enable(2, 1007, 114, 90);
    label("Mix", 114, 108);
    parameters_[2] = AddSlider(1017, Qt::Horizontal, u.rect(144, 108, 54, 12));
    label("Time", 114, 126);
    parameters_[3] = AddSlider(1019, Qt::Horizontal, u.rect(144, 126, 54, 12));
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
