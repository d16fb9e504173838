// CMainFrame: the one top-level window. It owns the two bar rows (menu bar
// and title label; position bar, volume bar, toolbar and order box), the
// splitter with the browser panel and the track list, the tray icon, the
// settings mix-in and the playback engine, and dispatches every command.
#pragma once

#include "app/tray_icon.h"
#include "playback/frame_link.h"
#include "playback/play_navigator.h"
#include "playback/playback_engine.h"
#include "settings/config.h"

#include <QBasicTimer>
#include <QIcon>
#include <QMainWindow>
#include <functional>
#include <map>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QMenuBar;
class QSlider;
class QSplitter;
class QToolBar;
class QToolButton;

namespace browser {
class CFormView;
}
namespace tracklist {
class CListView;
}

namespace app {

class SeekBar;
class KeyboardAccelerators;

class CMainFrame : public QMainWindow,
                   public playback::FrameLink,
                   public CTaskTrayImpl<CMainFrame>,
                   public settings::CConfig<CMainFrame> {
    Q_OBJECT
public:
    explicit CMainFrame(const QString& iniPath);
    ~CMainFrame() override;

    // Builds the window's children and starts the audio device. False when
    // the device could not be started; the message has then been shown.
    bool Create();
    // True once the window was closed (the application was told to end).
    bool HasClosed() const { return destroyed_; }

    // The command dispatch: unknown ids are ignored.
    void OnCommand(int id);
    bool HasCommandHandler(int id) const;

    // FrameLink
    void SendCommand(int id) override { OnCommand(id); }
    void PostCommand(int id) override;
    void TrackListFilled() override;
    QWidget* OwnerWindow() override { return this; }

    // Settings mix-in access.
    void ApplyOuterGeometry(const QRect& outer);
    QRect RestoreAndGetOuterGeometry();
    void SetEffectChecks(bool eq, bool comp, bool reverb);
    void SetEffectCheck(int id, bool checked);
    bool EffectChecked(int id) const;
    void ApplyVolume(int position);
    int VolumePosition() const;
    void SelectOrder(int index);
    int SelectedOrder() const;
    void SetSplitterPos(int pos);
    int SplitterPos() const;
    void SetTrackColumnWidth(int column, int width);
    int TrackColumnWidth(int column) const;

    // Tray mix-in callback.
    void OnTrayLButtonUp();
    // Shows, restores and raises the window (hidden to the tray, minimised
    // or behind others): another start of the program and MPRIS Raise.
    void BringToFront();

    // Transport display.
    void SetSeekThumb(bool show);
    void SetPlayPauseImage(bool pausePicture);
    QString ToolTipText(int controlId) const;

    // Controls, for the parts that the frame hands them to and for tests.
    QLabel* titleLabel() const { return title_; }
    SeekBar* positionBar() const { return position_; }
    QSlider* volumeBar() const { return volume_; }
    QComboBox* orderBox() const { return order_; }
    QToolBar* toolBar() const { return toolbar_; }
    QAction* commandAction(int id) const;
    QMenuBar* frameMenuBar() const { return menuBar_; }
    QSplitter* splitter() const { return splitter_; }
    browser::CFormView* formView() const { return formView_; }
    tracklist::CListView* trackList() const { return trackList_; }
    playback::PlaybackEngine& engine() { return engine_; }
    playback::PlayNavigator& navigation() { return navigation_; }
    bool positionTimerActive() const { return positionTimer_.isActive(); }
    bool playPauseShowsPause() const { return playPauseShowsPause_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenuBar();
    void BuildTopBar();
    void BuildSplitter();
    void BuildCommandTable();
    void OpenFirstMenu();
    // Gives the window the stored outer rectangle once the window manager's
    // frame round it is known.
    void FitIntoOuterGeometry();
    void OnDestroy();
    void ReleaseDevice();

    void OnPlayPause();
    void OnStop();
    // The transport display of a newly opened track, and of nothing playing.
    void ShowOpenedTrack();
    void ShowNothingPlaying();
    void OnPrevious();
    void OnNext();
    void OnSkip();
    void OnSettings();
    void OnToggleEffect(int id);
    void OnAbout();
    void OnExit();
    void OnTimer();
    void OnPositionAction(int action);
    void OnVolumeAction(int action);
    // Below the bar, or at a point (where the mouse asked for it).
    void ShowBarToolTip(QSlider* bar, int controlId);
    void ShowBarToolTip(QSlider* bar, int controlId, const QPoint& at);
    void OnListDblClk(int row);
    void OnContextMenu(const QPoint& globalPos);
    void OnStreamEnd();

    std::map<int, std::function<void()>> commands_;
    std::map<int, QAction*> actions_;
    QMenuBar* menuBar_ = nullptr;
    QLabel* title_ = nullptr;
    SeekBar* position_ = nullptr;
    QSlider* volume_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QComboBox* order_ = nullptr;
    QSplitter* splitter_ = nullptr;
    browser::CFormView* formView_ = nullptr;
    tracklist::CListView* trackList_ = nullptr;
    KeyboardAccelerators* accelerators_ = nullptr;
    QBasicTimer positionTimer_;
    bool playPauseShowsPause_ = false;
    // Built once: every track change swaps these two pictures, and a new icon
    // each time would add an entry to Qt's pixmap cache that is never freed.
    QIcon playIcon_;
    QIcon pauseIcon_;
    bool destroyed_ = false;
    std::optional<QString> dragLocation_; // what the drag over the window carries
    std::optional<QRect> pendingOuter_;   // the stored rectangle, until it could be fitted
    std::map<int, bool> effectChecks_;    // the check marks of the effect menu items
    playback::PlaybackEngine engine_;
    playback::PlayNavigator navigation_{engine_};
};

} // namespace app
