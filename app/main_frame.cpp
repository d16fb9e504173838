#include "app/main_frame.h"

#include "app/focus_frame_style.h"
#include "app/keyboard_accelerators.h"
#include "app/menu_bar_style.h"
#include "app/seek_bar.h"
#include "browser/form_view.h"
#include "browser/startup_open.h"
#include "mpris/player_values.h"
#include "platform/message_box.h"
#include "platform/shell_path.h"
#include "res/icons.h"
#include "res/menu_resource.h"
#include "res/resource_ids.h"
#include "res/string_table.h"
#include "tracklist/list_view.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>
#include <utility>

namespace app {

namespace {

// The first item of a drop as the command line would give it: a path or an
// http(s) URL; nothing for other schemes or relative paths.
std::optional<QString> DroppedLocation(const QMimeData& data) {
    QString first;
    if (data.hasUrls() && !data.urls().isEmpty())
        first = QString::fromLatin1(data.urls().front().toEncoded());
    else if (data.hasText())
        first = data.text().section(QLatin1Char('\n'), 0, 0).trimmed();
    std::optional<QString> location = mpris::LocationOfUri(first);
    if (!location || platform::isUrl(*location))
        return location;
    if (platform::isRelative(*location))
        return std::nullopt;
    if (platform::isFolder(*location) && !location->endsWith(QLatin1Char('/')))
        *location += QLatin1Char('/');
    return location;
}

constexpr int kPositionBarWidth = 160;
constexpr int kVolumeBarWidth = 80;
constexpr int kOrderBoxWidth = 80;
constexpr int kInitialSplitterPos = 160;
} // namespace

CMainFrame::CMainFrame(const QString& iniPath) : settings::CConfig<CMainFrame>(iniPath) {
    setWindowTitle(res::loadString(res::IDR_MAINFRAME));
    setObjectName(QString::fromUtf8(res::kAppName));
    setWindowIcon(res::programIcon());
}

CMainFrame::~CMainFrame() {
    ReleaseDevice();
}

bool CMainFrame::Create() {
    switch (engine_.StartDevice()) {
    case playback::DeviceStart::InitFailed:
        platform::showMessage(this, res::loadString(res::IDS_DEVICE_INIT_FAILED));
        return false;
    case playback::DeviceStart::Ok:
        break;
    }
    accelerators_ = new KeyboardAccelerators(
        this, [this](int id) { OnCommand(id); }, [this] { OpenFirstMenu(); });
    // The tray icon joins once the window is up: finding the desktop's tray
    // (a round trip, or a session-bus connection) would hold the window back.
    QTimer::singleShot(0, this, [this] {
        InstallIcon();
        const QIcon icon = res::programIcon();
        const QString tip = QString::fromUtf8(res::kAppName);
        ModifyIcon(&icon, &tip);
    });
    BuildSplitter();
    BuildMenuBar();
    BuildTopBar();
    BuildCommandTable();
    setAcceptDrops(true);
    engine_.Attach(this, title_, order_, trackList_, iniPath());
    navigation_.Attach(this, trackList_, order_);
    formView_->setIniPath(iniPath());
    formView_->Attach(this, title_, trackList_);
    formView_->setRestingTitle([this] { return engine_.playingTitle(); });
    connect(&engine_, &playback::PlaybackEngine::streamEnded, this, &CMainFrame::OnStreamEnd);
    connect(&engine_, &playback::PlaybackEngine::trackOpened, this, &CMainFrame::ShowOpenedTrack);
    connect(&engine_, &playback::PlaybackEngine::connectionEnded, this,
            &CMainFrame::ShowNothingPlaying);
    // The window starts with the focus on the browser list, where the arrow
    // keys walk the entries (the first control in the tab order is the source
    // box, where an arrow key would switch the source).
    formView_->entryList()->setFocus(Qt::OtherFocusReason);
    return true;
}

void CMainFrame::BuildSplitter() {
    splitter_ = new QSplitter(Qt::Horizontal, this);
    formView_ = new browser::CFormView(splitter_);
    trackList_ = new tracklist::CListView(splitter_);
    splitter_->addWidget(formView_);
    splitter_->addWidget(trackList_);
    ShowKeyboardFocusClearly(formView_->entryList());
    ShowKeyboardFocusClearly(trackList_);
    // The browser keeps its width in pixels when the frame is resized.
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setChildrenCollapsible(false);
    setCentralWidget(splitter_);
    SetSplitterPos(kInitialSplitterPos);
    trackList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(trackList_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { OnContextMenu(trackList_->viewport()->mapToGlobal(pos)); });
    connect(trackList_, &tracklist::CListView::rowActivated, this, &CMainFrame::OnListDblClk);
}

void CMainFrame::BuildMenuBar() {
    menuBar_ = new QMenuBar;
    menuBar_->setNativeMenuBar(false);
    for (const res::PopupResource& popup : res::mainMenu()) {
        QMenu* menu = menuBar_->addMenu(QString::fromUtf8(popup.title));
        for (const res::MenuItemResource& item : popup.items) {
            if (!item.text) {
                menu->addSeparator();
                continue;
            }
            // The key hint after the tab is only shown: the accelerator
            // table, which acts window-wide, handles the keys.
            QAction* action = menu->addAction(QString::fromUtf8(item.text));
            action->setData(item.id);
            const int id = item.id;
            connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
            actions_[id] = action;
        }
    }
    for (int id : {res::ID_FILE_EQUALIZER, res::ID_FILE_COMPRESSOR, res::ID_FILE_REVERB})
        actions_[id]->setCheckable(true);
    EnableAltKeyNavigation(menuBar_);
}

// As a menu opened from the keyboard does, the menu opens with its first
// item selected, so Enter at once chooses it.
void CMainFrame::OpenFirstMenu() {
    const QList<QAction*> menus = menuBar_->actions();
    if (menus.isEmpty())
        return;
    menuBar_->setActiveAction(menus.front());
    QMenu* menu = menus.front()->menu();
    if (!menu || !menu->isVisible())
        return;
    for (QAction* item : menu->actions()) {
        if (!item->isSeparator() && item->isEnabled() && item->isVisible()) {
            menu->setActiveAction(item);
            return;
        }
    }
}

void CMainFrame::BuildTopBar() {
    auto* bars = new QWidget;
    auto* rows = new QVBoxLayout(bars);
    rows->setContentsMargins(2, 2, 2, 2);
    rows->setSpacing(2);

    auto* firstRow = new QHBoxLayout;
    title_ = new QLabel;
    title_->setTextFormat(Qt::PlainText);
    title_->setObjectName(QStringLiteral("IDC_TRACKTITLE"));
    title_->setMinimumWidth(0);
    title_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    firstRow->addWidget(menuBar_);
    firstRow->addWidget(title_, 1);
    rows->addLayout(firstRow);

    auto* secondRow = new QHBoxLayout;
    position_ = new SeekBar;
    position_->setObjectName(QStringLiteral("IDC_POSITION"));
    position_->setFixedWidth(kPositionBarWidth);
    position_->setPageStep(0);
    position_->setSingleStep(1);
    position_->setRange(0, 100);
    position_->setThumbVisible(false);
    volume_ = new QSlider(Qt::Horizontal);
    volume_->setObjectName(QStringLiteral("IDC_VOLUME"));
    volume_->setFixedWidth(kVolumeBarWidth);
    volume_->setRange(0, 100);
    volume_->setPageStep(4);
    volume_->setSingleStep(1);
    volume_->setValue(100);
    JumpToClickedPoint(volume_);
    position_->installEventFilter(this);
    volume_->installEventFilter(this);
    connect(position_, &QSlider::actionTriggered, this, &CMainFrame::OnPositionAction);
    connect(position_, &QSlider::sliderReleased, this,
            [this] { OnPositionAction(QAbstractSlider::SliderMove); });
    connect(volume_, &QSlider::actionTriggered, this, &CMainFrame::OnVolumeAction);
    connect(volume_, &QSlider::sliderReleased, this,
            [this] { OnVolumeAction(QAbstractSlider::SliderMove); });

    toolbar_ = new QToolBar;
    toolbar_->setObjectName(QStringLiteral("toolbar"));
    toolbar_->setIconSize(QSize(res::kToolbarImageSize, res::kToolbarImageSize));
    playIcon_ = QIcon(res::toolbarImage(res::ImagePlay));
    pauseIcon_ = QIcon(res::toolbarImage(res::ImagePause));
    const QIcon icons[] = {playIcon_, QIcon(res::toolbarImage(res::ImageStop)),
                           QIcon(res::toolbarImage(res::ImagePrevious)),
                           QIcon(res::toolbarImage(res::ImageNext))};
    int button = 0;
    for (int id : res::toolbarCommands()) {
        QAction* action =
            toolbar_->addAction(icons[button++], res::loadString(id).section(QLatin1Char('\n'), 1));
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    }

    order_ = new QComboBox;
    order_->setObjectName(QStringLiteral("IDC_ORDER"));
    order_->setMinimumWidth(kOrderBoxWidth);
    order_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (int id : {105, 106, 107, 108, 113})
        order_->addItem(res::loadString(id));
    order_->setCurrentIndex(-1);

    secondRow->addWidget(position_);
    secondRow->addWidget(volume_);
    secondRow->addWidget(toolbar_);
    secondRow->addWidget(order_);
    secondRow->addStretch(1);
    rows->addLayout(secondRow);
    setMenuWidget(bars);
}

QAction* CMainFrame::commandAction(int id) const {
    const auto found = actions_.find(id);
    return found == actions_.end() ? nullptr : found->second;
}

void CMainFrame::PostCommand(int id) {
    QTimer::singleShot(0, this, [this, id] { OnCommand(id); });
}

void CMainFrame::ApplyOuterGeometry(const QRect& outer) {
    // The window manager frames the window only after it is shown; until its
    // decoration is known the rectangle is the client's, and it is corrected
    // as soon as the frame is known (a window manager that frames the window
    // moves the client into its frame, and the move tells).
    pendingOuter_ = outer;
    move(outer.topLeft());
    resize(outer.size());
    show();
    raise();
    FitIntoOuterGeometry();
}

void CMainFrame::FitIntoOuterGeometry() {
    if (!pendingOuter_ || !isVisible() || isMaximized() || isMinimized() || isFullScreen())
        return;
    const QSize decoration = frameGeometry().size() - geometry().size();
    if (decoration.isNull())
        return; // not framed yet, or a display without a window manager
    const QRect outer = *std::exchange(pendingOuter_, std::nullopt);
    resize(outer.size() - decoration);
    move(outer.topLeft());
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    FitIntoOuterGeometry();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FitIntoOuterGeometry();
}

QRect CMainFrame::RestoreAndGetOuterGeometry() {
    // The restored rectangle of a maximised or minimised window, including
    // the decoration, as the window manager placed it; the stored one while
    // the window manager has not framed the window yet.
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    const QMargins decoration(client.left() - frame.left(), client.top() - frame.top(),
                              frame.right() - client.right(), frame.bottom() - client.bottom());
    const bool restoring = isMinimized() || isMaximized();
    // Not fitted yet (unframed and untouched since it was placed, or
    // maximised since the start): what was stored still holds.
    const bool asPlaced = pendingOuter_ && (isMaximized() || client == *pendingOuter_);
    const QRect outer = asPlaced    ? *pendingOuter_
                        : restoring ? normalGeometry().marginsAdded(decoration)
                                    : frame;
    if (restoring || !isVisible())
        showNormal();
    return outer;
}

void CMainFrame::SetEffectChecks(bool eq, bool comp, bool reverb) {
    SetEffectCheck(res::ID_FILE_EQUALIZER, eq);
    SetEffectCheck(res::ID_FILE_COMPRESSOR, comp);
    SetEffectCheck(res::ID_FILE_REVERB, reverb);
}

void CMainFrame::SetEffectCheck(int id, bool checked) {
    effectChecks_[id] = checked;
    actions_[id]->setChecked(checked);
}

bool CMainFrame::EffectChecked(int id) const {
    const auto found = effectChecks_.find(id);
    return found != effectChecks_.end() && found->second;
}

void CMainFrame::ApplyVolume(int position) {
    volume_->setValue(position);
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, static_cast<DWORD>(volume_->value() * 100));
}

int CMainFrame::VolumePosition() const {
    return volume_->value();
}

void CMainFrame::SelectOrder(int index) {
    order_->setCurrentIndex(index >= 0 && index < order_->count() ? index : -1);
}

int CMainFrame::SelectedOrder() const {
    return order_->currentIndex();
}

void CMainFrame::SetSplitterPos(int pos) {
    const int total = std::max(splitter_->width(), pos + 1);
    splitter_->setSizes({pos, total - pos});
}

int CMainFrame::SplitterPos() const {
    return splitter_->sizes().value(0);
}

void CMainFrame::SetTrackColumnWidth(int column, int width) {
    trackList_->setColumnWidth(column, width);
}

int CMainFrame::TrackColumnWidth(int column) const {
    return trackList_->columnWidth(column);
}

void CMainFrame::OnTrayLButtonUp() {
    if (isVisible()) {
        hide();
        return;
    }
    showNormal();
    raise();
    activateWindow();
}

void CMainFrame::BringToFront() {
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        FitIntoOuterGeometry(); // restored from the maximised state it started in
    if (event->type() != QEvent::WindowStateChange || !isMinimized())
        return;
    // Minimising hides the window; it comes back through the tray icon.
    // Without a tray there would be no way back, so it then stays minimised.
    if (tray().icon() && QSystemTrayIcon::isSystemTrayAvailable())
        QTimer::singleShot(0, this, [this] {
            if (isMinimized())
                hide();
        });
}

// A file, folder, playlist or URL dropped on the window opens as it would
// from the command line; a folder is listed itself, as its path with the
// trailing '/' does there. The location is read once, when the drag enters:
// some programs no longer hand out their data at the drop. The opening waits
// until the drop has ended, so that the program it came from is not held
// while a station is probed.
void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    dragLocation_ = DroppedLocation(*event->mimeData());
    if (dragLocation_)
        event->acceptProposedAction();
}

void CMainFrame::dragLeaveEvent(QDragLeaveEvent*) {
    dragLocation_.reset();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const std::optional<QString> location =
        dragLocation_ ? dragLocation_ : DroppedLocation(*event->mimeData());
    dragLocation_.reset();
    if (!location)
        return;
    event->acceptProposedAction();
    QTimer::singleShot(0, this, [this, text = *location] {
        browser::OpenCommandLine(text, *formView_, *trackList_, *this);
    });
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    Save();
    event->accept();
    OnDestroy();
}

// Closing the window ends the application with 1. Destroying the frame only
// frees what it holds: QCoreApplication::exit called while no event loop runs
// makes Qt end every later loop of the process at once, so that a modal
// dialog's exec() would return without showing it.
void CMainFrame::OnDestroy() {
    if (destroyed_)
        return;
    ReleaseDevice();
    QCoreApplication::exit(1);
}

void CMainFrame::ReleaseDevice() {
    if (destroyed_)
        return;
    destroyed_ = true;
    positionTimer_.stop();
    engine_.FreeDevice();
}

void CMainFrame::timerEvent(QTimerEvent* event) {
    if (event->timerId() == positionTimer_.timerId())
        OnTimer();
    else
        QMainWindow::timerEvent(event);
}

void CMainFrame::TrackListFilled() {
    navigation_.BuildRandomOrder();
}

} // namespace app
