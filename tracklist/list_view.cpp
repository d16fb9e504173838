#include "tracklist/list_view.h"

#include "tracklist/row_location.h"
#include "tracklist/track_marks.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QMouseEvent>
#include <algorithm>

namespace tracklist {

namespace {
constexpr int kDefaultMarkWidth = 30;
constexpr int kDefaultNameWidth = 240;
} // namespace

CListView::CListView(QWidget* parent) : QTreeView(parent), model_(this) {
    setModel(&model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAllColumnsShowFocus(true);
    setFrameShape(QFrame::StyledPanel);
    header()->setSectionsClickable(false);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(0);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    setColumnWidth(ColumnLocation, 0);
    setColumnWidth(ColumnMark, kDefaultMarkWidth);
    setColumnWidth(ColumnName, kDefaultNameWidth);
}

void CListView::ClearRows() {
    model_.clear();
}

void CListView::AppendRow(const QString& location, const QString& name,
                          std::shared_ptr<const TrackSection> section) {
    model_.append(ToRowLocation(location), name, std::move(section));
}

int CListView::RowCount() const {
    return model_.count();
}

QString CListView::GetLocation(int row) const {
    const TrackRow* track = model_.row(row);
    return track ? track->location : QString();
}

std::shared_ptr<const TrackSection> CListView::GetSection(int row) const {
    const TrackRow* track = model_.row(row);
    return track ? track->section : nullptr;
}

QString CListView::GetName(int row) const {
    const TrackRow* track = model_.row(row);
    return track ? track->name : QString();
}

QString CListView::GetMark(int row) const {
    const TrackRow* track = model_.row(row);
    return track ? track->mark : QString();
}

void CListView::SetMark(int row, const QString& mark) {
    model_.setMark(row, mark);
}

bool CListView::IsSkipped(int row) const {
    return GetMark(row) == MarkSkip;
}

void CListView::moveAnchor(int row) {
    model_.flushAppends();
    const QModelIndex index = model_.index(row, ColumnName);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void CListView::SetCurrentRow(int row) {
    moveAnchor(row);
    const QModelIndex index = model_.index(row, ColumnName);
    if (index.isValid())
        scrollTo(index, QAbstractItemView::EnsureVisible);
}

void CListView::SetCurrentRowNoScroll(int row) {
    moveAnchor(row);
}

int CListView::GetCurrentRow() const {
    const QModelIndex current = selectionModel()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

int CListView::FindRowByLocation(const QString& rowLocation) const {
    for (int row = 0; row < model_.count(); ++row) {
        if (model_.row(row)->location == rowLocation)
            return row;
    }
    return -1;
}

std::vector<int> CListView::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (hit.isValid())
        emit rowActivated(hit.row());
}

} // namespace tracklist
