#include "browser/form_view.h"

#include "platform/shell_path.h"
#include "playback/frame_link.h"
#include "playback/station_probe.h"
#include "res/string_table.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "tracklist/list_view.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMetaObject>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace browser {

namespace {

// Progress texts are painted at most this often (about 30 a second).
constexpr qint64 kProgressPaintMs = 30;

} // namespace

CFormView::CFormView(QWidget* parent)
    : QWidget(parent), feedLimits_(FeedDownloadLimits()),
      probeLimits_(playback::StationProbeLimits()) {
    sources_ = new QComboBox(this);
    sources_->setObjectName(QStringLiteral("sources"));
    entries_ = new QListWidget(this);
    entries_->setObjectName(QStringLiteral("entries"));
    entries_->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(sources_);
    layout->addWidget(entries_, 1);
    connect(sources_, &QComboBox::activated, this, &CFormView::OnSourceChanged);
    // Only a selection opens an entry. The current row alone does not: the
    // list makes its first row current when it gains the focus (Tab, or the
    // window becoming active), and that is no choice of the user's.
    connect(entries_, &QListWidget::itemSelectionChanged, this, &CFormView::OnSelectionChanged);
    connect(entries_, &QListWidget::itemPressed, this,
            [this](QListWidgetItem* item) { OnEntryPressed(entries_->row(item)); });
    entries_->installEventFilter(this);
    AddFixedSources();
}

void CFormView::OnSelectionChanged() {
    const QList<QListWidgetItem*> selected = entries_->selectedItems();
    if (selected.isEmpty())
        return;
    // The list is refilled by the handlers; let the list widget finish the
    // mouse or key event that changed the selection before that happens.
    rowJustChanged_ = true;
    QueueChoice(entries_->row(selected.front()));
}

void CFormView::QueueChoice(int row) {
    QMetaObject::invokeMethod(
        this, [this, row] { ChooseEntry(row); }, Qt::QueuedConnection);
}

// Enter chooses the row that has the focus frame, selected or not; an arrow
// key while no row is selected selects the framed row itself, so that the
// first key after the focus arrived opens the entry the user sees framed.
bool CFormView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != entries_ || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const int current = entries_->currentRow();
    if (current < 0 || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        QueueChoice(current);
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!entries_->selectedItems().isEmpty())
            return false;
        entries_->setCurrentRow(current, QItemSelectionModel::ClearAndSelect);
        return true;
    default:
        return false;
    }
}

void CFormView::Attach(playback::FrameLink* frame, QLabel* title, tracklist::CListView* list) {
    frame_ = frame;
    title_ = title;
    trackList_ = list;
    ListDrives();
}

void CFormView::AddFixedSources() {
    for (int id : {res::IDS_SOURCE_DRIVES, res::IDS_SOURCE_RADIO, res::IDS_SOURCE_PODCAST})
        sources_->addItem(res::loadString(id));
}

void CFormView::SelectSource(int index) {
    const QSignalBlocker quiet(sources_);
    sources_->setCurrentIndex(index);
}

// The sources show their progress in the title label and end it with an
// empty text; the label then shows again what plays.
void CFormView::ShowTitle(const QString& text) {
    unpaintedTitle_ = text;
    PaintTitle();
}

void CFormView::ShowProgress(const QString& text) {
    unpaintedTitle_ = text;
    if (!titlePainted_.isValid() || titlePainted_.elapsed() >= kProgressPaintMs)
        PaintTitle();
}

void CFormView::PaintTitle() {
    if (!title_ || !unpaintedTitle_)
        return;
    const QString text = *unpaintedTitle_;
    unpaintedTitle_.reset();
    title_->setText(text.isEmpty() && restingTitle_ ? restingTitle_() : text);
    // Every text of a fast sequence is seen, not only the last of a batch.
    title_->repaint();
    titlePainted_.start();
}

void CFormView::setNetworkLimits(const audio::net::HttpLimits& feeds,
                                 const audio::net::HttpLimits& probes) {
    feedLimits_ = feeds;
    probeLimits_ = probes;
}

void CFormView::TrackListFilled() {
    if (frame_)
        frame_->TrackListFilled();
}

void CFormView::OnSourceChanged(int index) {
    if (index < 0)
        return;
    const int count = sources_->count();
    if (index == count - 1) {
        LoadPodcastList();
        return;
    }
    if (index == count - 2) {
        LoadNetRadio();
        return;
    }
    if (index == count - 3) {
        ListDrives();
        return;
    }
    // Trail entry `index`: go up index + 1 components (0 re-reads the folder).
    for (int cut = 0; cut <= index; ++cut) {
        currentFolder_ =
            currentFolder_.left(std::max<qsizetype>(currentFolder_.lastIndexOf('/'), 0));
        if (cut < index)
            sources_->removeItem(0);
    }
    SelectSource(0);
    currentFolder_ += QLatin1Char('/');
    ListFolder();
}

void CFormView::OnEntryPressed(int row) {
    // A press on the entry that is already selected chooses it again; a press
    // that changed the selection was handled by the change.
    if (rowJustChanged_)
        return;
    QueueChoice(row);
}

void CFormView::ChooseEntry(int row) {
    rowJustChanged_ = false;
    if (row >= 0 && row < entries_->count())
        OnEntryChanged(row);
}

void CFormView::OnEntryChanged(int index) {
    if (index < 0)
        return;
    if (sources_->currentIndex() == sources_->count() - 1) {
        LoadFeed(index);
        return;
    }
    // The entry shows its readable name and keeps the name's own bytes.
    const QListWidgetItem* item = entries_->item(index);
    const QString shown = item->text();
    const QString entry = item->data(Qt::UserRole).toString();
    const bool isRoot = !platform::isRelative(entry);
    settings::IniFile(iniPath_).WriteStringInBackground(settings::keys::LastPath,
                                                        isRoot ? entry : currentFolder_ + entry);
    if (IsPlaylistFile(entry)) {
        LoadPlaylistFile(entry);
        return;
    }
    if (isRoot) {
        sources_->clear();
        sources_->addItem(shown);
        currentFolder_ = entry;
        AddFixedSources();
    } else {
        sources_->insertItem(0, shown);
        currentFolder_ += entry;
    }
    SelectSource(0);
    ListFolder();
}

} // namespace browser
