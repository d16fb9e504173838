#include "settings/settings_sheet.h"

#include "settings/dialog_units.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"

#include <QCheckBox>

namespace settings {

CCustomPage1::CCustomPage1(const QString& iniPath, QWidget* parent)
    : QWidget(parent), iniPath_(iniPath) {
    const DialogUnits units(*this);
    setMinimumSize(units.x(210), units.y(154));
    noMultiInst_ = new QCheckBox(QStringLiteral("複数起動しない"), this);
    noMultiInst_->setObjectName(QStringLiteral("1002"));
    noMultiInst_->move(units.x(12), units.y(12));
    launchAndPlay_ = new QCheckBox(QStringLiteral("起動と同時に再生を開始する"), this);
    launchAndPlay_->setObjectName(QStringLiteral("1004"));
    launchAndPlay_->move(units.x(12), units.y(30));
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
