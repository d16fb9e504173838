#include "settings/settings_sheet.h"

#include "res/string_table.h"
#include "settings/dialog_window.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace settings {

CCustomSheet::CCustomSheet(const QString& iniPath, QWidget* owner)
    : QDialog(owner), iniPath_(iniPath) {
    setWindowTitle(res::loadString(res::IDS_SETTINGS_TITLE));
    setModal(true);
    tabs_ = new QTabWidget;
    general_ = new CCustomPage1(iniPath_);
    dspHolder_ = new QWidget;
    // The DSP page comes when its tab is first shown; its room is kept from
    // the start, so the sheet does not grow then.
    dspHolder_->setMinimumSize(CCustomPage2::LaidOutSize());
    auto* holderLayout = new QVBoxLayout(dspHolder_);
    holderLayout->setContentsMargins(0, 0, 0, 0);
    tabs_->addTab(general_, res::loadString(res::IDS_PAGE_GENERAL));
    tabs_->addTab(dspHolder_, res::loadString(res::IDS_PAGE_DSP));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCustomSheet::OnOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(tabs_, &QTabWidget::currentChanged, this, &CCustomSheet::OnTabChanged);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
    ShowCloseButtonOnly(*this);
}

void CCustomSheet::LeavePage(int index) {
    if (index == 0)
        general_->OnKillActive();
    else if (dsp_)
        dsp_->OnKillActive();
}

void CCustomSheet::OnTabChanged(int index) {
    LeavePage(currentTab_);
    currentTab_ = index;
    if (index == 1 && !dsp_) {
        dsp_ = new CCustomPage2(iniPath_);
        dspHolder_->layout()->addWidget(dsp_);
    }
}

void CCustomSheet::OnOk() {
    LeavePage(currentTab_);
    accept();
}

} // namespace settings
