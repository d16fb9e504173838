#include "settings/settings_sheet.h"

#include "settings/dialog_units.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"

#include <QCheckBox>

namespace settings {

CCustomPage1::CCustomPage1(const QString& iniPath, QWidget* parent)
    : QWidget(parent), iniPath_(iniPath) {
    const DialogUnits units(*this);
    noMultiInst_ = new QCheckBox(QStringLiteral("複数起動しない"), this);
    noMultiInst_->setObjectName(QStringLiteral("1002"));
    launchAndPlay_ = new QCheckBox(QStringLiteral("起動と同時に再生を開始する"), this);
    launchAndPlay_->setObjectName(QStringLiteral("1004"));
    // Each check box at its place in dialog units, as wide as its text needs.
    int right = units.x(210);
    int top = units.y(12);
    for (QCheckBox* box : {noMultiInst_, launchAndPlay_}) {
        const QSize hint = box->sizeHint();
        box->setGeometry(units.x(12), top, hint.width(), std::max(units.y(10), hint.height()));
        right = std::max(right, box->geometry().right() + 1 + units.x(12));
        top = std::max(top + units.y(18), box->geometry().bottom() + 1 + units.y(4));
    }
    setMinimumSize(right, std::max(units.y(154), top));
    const IniFile ini(iniPath_);
    noMultiInst_->setChecked(ini.ReadInt(keys::NoMultiInst, 0) != 0);
    launchAndPlay_->setChecked(ini.ReadInt(keys::LaunchAndPlay, 0) != 0);
}

void CCustomPage1::OnKillActive() {
    IniFile(iniPath_).WriteInts({
        {keys::NoMultiInst, noMultiInst_->isChecked() ? 1 : 0},
        {keys::LaunchAndPlay, launchAndPlay_->isChecked() ? 1 : 0},
    });
}

} // namespace settings
