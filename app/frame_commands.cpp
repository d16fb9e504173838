// The frame's command handlers and the transport display that follows them:
// the position bar's thumb, range and position, the Play/Pause picture and
// the position timer.
#include "app/main_frame.h"

#include "app/about_dialog.h"
#include "app/seek_bar.h"
#include "browser/form_view.h"
#include "res/icons.h"
#include "res/menu_resource.h"
#include "res/resource_ids.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "settings/settings_sheet.h"
#include "tracklist/list_view.h"
#include "tracklist/track_marks.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>

namespace app {

void CMainFrame::BuildCommandTable() {
    using namespace res;
    commands_ = {
        {ID_PLAY_PLAYPAUSE, [this] { OnPlayPause(); }},
        {ID_PLAY_STOP, [this] { OnStop(); }},
        {ID_PLAY_PREV, [this] { OnPrevious(); }},
        {ID_PLAY_NEXT, [this] { OnNext(); }},
        {ID_PLAY_SKIP, [this] { OnSkip(); }},
        {ID_FILE_SETTINGS, [this] { OnSettings(); }},
        {ID_FILE_EQUALIZER, [this] { OnToggleEffect(ID_FILE_EQUALIZER); }},
        {ID_FILE_COMPRESSOR, [this] { OnToggleEffect(ID_FILE_COMPRESSOR); }},
        {ID_FILE_REVERB, [this] { OnToggleEffect(ID_FILE_REVERB); }},
        {ID_APP_ABOUT, [this] { OnAbout(); }},
        {ID_APP_EXIT, [this] { OnExit(); }},
    };
}

bool CMainFrame::HasCommandHandler(int id) const {
    return commands_.count(id) != 0;
}

void CMainFrame::OnCommand(int id) {
    const auto found = commands_.find(id);
    if (found != commands_.end())
        found->second();
}

void CMainFrame::SetSeekThumb(bool show) {
    position_->setThumbVisible(show);
}

void CMainFrame::SetPlayPauseImage(bool pausePicture) {
    playPauseShowsPause_ = pausePicture;
    QAction* button = toolbar_->actions().value(0);
    if (button)
        button->setIcon(pausePicture ? pauseIcon_ : playIcon_);
}

void CMainFrame::OnPlayPause() {
    if (trackList_->RowCount() == 0)
        return;
    const int answer = engine_.TogglePlayPause();
    if (answer == playback::kOpened && engine_.stream() != 0) {
        ShowOpenedTrack();
    } else if (answer == playback::kOpened && engine_.IsConnecting()) {
        // Connecting: the pause picture, so that Play/Pause gives it up.
        ShowNothingPlaying();
        SetPlayPauseImage(true);
    } else if (answer == playback::kOpened) {
        // The list ended without opening anything: nothing plays.
        ShowNothingPlaying();
    } else {
        SetPlayPauseImage(answer == playback::kResumed);
    }
}

void CMainFrame::ShowOpenedTrack() {
    const int length = engine_.LengthSeconds();
    // A stream without a length (a station) has nothing to seek in.
    SetSeekThumb(length >= 0);
    // The bar's range keeps the 16 bits a trackbar's range message carries.
    position_->setRange(0, length > 0 ? (length & 0xFFFF) : 0);
    position_->setValue(0);
    SetPlayPauseImage(true);
    positionTimer_.start(res::kPositionTimerMs, this);
}

void CMainFrame::ShowNothingPlaying() {
    SetSeekThumb(false);
    position_->setValue(0);
    SetPlayPauseImage(false);
    positionTimer_.stop();
}

void CMainFrame::OnStop() {
    if (!engine_.HasTrack()) {
        // Nothing plays: what Stop can stop is the play that a load in
        // flight (a command line, a drop) was to start once its rows are in.
        formView_->DropAfterLoad();
        return;
    }
    title_->setText(QString());
    SetSeekThumb(false);
    position_->setValue(0);
    SetPlayPauseImage(false);
    positionTimer_.stop();
    engine_.Stop();
}

void CMainFrame::OnPrevious() {
    if (trackList_->RowCount() == 0 || !engine_.HasTrack())
        return;
    SetPlayPauseImage(true);
    navigation_.PreviousTrack();
}

void CMainFrame::OnNext() {
    if (trackList_->RowCount() == 0 || !engine_.HasTrack())
        return;
    SetPlayPauseImage(true);
    navigation_.NextTrack();
}

void CMainFrame::OnSkip() {
    navigation_.ToggleSkip();
}

void CMainFrame::OnSettings() {
    settings::CCustomSheet sheet(iniPath(), QApplication::activeWindow());
    if (sheet.exec() != QDialog::Accepted)
        return;
    engine_.ApplyDsp();
    settings::IniFile ini(iniPath());
    SetEffectChecks(ini.ReadInt(settings::keys::EnableEq, 0) != 0,
                    ini.ReadInt(settings::keys::EnableComp, 0) != 0,
                    ini.ReadInt(settings::keys::EnableReverb, 0) != 0);
}

void CMainFrame::OnToggleEffect(int id) {
    const char* key = id == res::ID_FILE_EQUALIZER    ? settings::keys::EnableEq
                      : id == res::ID_FILE_COMPRESSOR ? settings::keys::EnableComp
                                                      : settings::keys::EnableReverb;
    const bool enable = !EffectChecked(id);
    settings::IniFile(iniPath()).WriteInt(key, enable ? 1 : 0);
    engine_.ApplyDsp();
    SetEffectCheck(id, enable);
}

void CMainFrame::OnAbout() {
    CAboutDlg dialog(QApplication::activeWindow());
    dialog.exec();
}

void CMainFrame::OnExit() {
    QTimer::singleShot(0, this, &QWidget::close);
}

void CMainFrame::OnTimer() {
    const double seconds = engine_.PositionSeconds();
    if (seconds >= 0)
        position_->setValue(static_cast<int>(seconds));
}

void CMainFrame::OnPositionAction(int action) {
    if (action == QAbstractSlider::SliderPageStepAdd ||
        action == QAbstractSlider::SliderPageStepSub || action == QAbstractSlider::SliderNoAction)
        return;
    engine_.SeekToSecond(position_->sliderPosition());
    ShowBarToolTip(position_, res::IDC_POSITION);
}

void CMainFrame::OnVolumeAction(int action) {
    if (action == QAbstractSlider::SliderNoAction)
        return;
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, static_cast<DWORD>(volume_->sliderPosition() * 100));
    ShowBarToolTip(volume_, res::IDC_VOLUME);
}

void CMainFrame::ShowBarToolTip(QSlider* bar, int controlId) {
    ShowBarToolTip(bar, controlId, bar->mapToGlobal(QPoint(bar->width() / 2, bar->height())));
}

void CMainFrame::ShowBarToolTip(QSlider* bar, int controlId, const QPoint& at) {
    const QString text = ToolTipText(controlId);
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(at, text, bar);
}

QString CMainFrame::ToolTipText(int controlId) const {
    if (controlId == res::IDC_VOLUME)
        return QStringLiteral("%1%").arg(volume_->sliderPosition());
    if (controlId != res::IDC_POSITION)
        return QString();
    const double pos = engine_.PositionSeconds();
    const double len = engine_.ExactLengthSeconds();
    const int p = static_cast<int>(pos);
    const int l = static_cast<int>(len);
    if (pos < 0 || len < 0 || l == 0)
        return QString();
    return QString::asprintf("%d:%02d/%d:%02d", p / 60, p % 60, l / 60, l % 60);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && (watched == position_ || watched == volume_)) {
        auto* bar = static_cast<QSlider*>(watched);
        const int id = bar == position_ ? res::IDC_POSITION : res::IDC_VOLUME;
        ShowBarToolTip(bar, id, static_cast<QHelpEvent*>(event)->globalPos());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::OnContextMenu(const QPoint& globalPos) {
    if (trackList_->RowCount() == 0)
        return;
    const QRect listRect(trackList_->mapToGlobal(QPoint(0, 0)), trackList_->size());
    if (!listRect.contains(globalPos))
        return;
    QMenu menu(this);
    const res::PopupResource& play = res::mainMenu()[1];
    for (const res::MenuItemResource& item : play.items) {
        QAction* action = menu.addAction(QString::fromUtf8(item.text));
        action->setData(item.id);
    }
    QAction* chosen = menu.exec(globalPos);
    if (chosen)
        OnCommand(chosen->data().toInt());
}

void CMainFrame::OnListDblClk(int) {
    // The row the user chose replaces what a load in flight was to play.
    formView_->DropAfterLoad();
    const int row = trackList_->GetCurrentRow();
    if (engine_.IsSkipped(row))
        trackList_->SetMark(row, tracklist::MarkNone);
    SendCommand(res::ID_PLAY_PLAYPAUSE);
}

void CMainFrame::OnStreamEnd() {
    const HSTREAM ended = engine_.stream();
    navigation_.OnStreamEnd();
    // A step that started nothing (the list now shows another folder without
    // tracks, every row is skipped) leaves the ended stream in place: the
    // window then shows the stop the engine has come to. (A step that took
    // up the next stream leaves that one alone: its own end is on its way.)
    if (ended != 0 && engine_.stream() == ended &&
        BASS_ChannelIsActive(ended) == BASS_ACTIVE_STOPPED)
        OnStop();
}

} // namespace app
