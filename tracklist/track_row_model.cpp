#include "tracklist/track_row_model.h"

#include <QTimer>

namespace tracklist {

TrackRowModel::TrackRowModel(QObject* parent) : QAbstractTableModel(parent) {}

void TrackRowModel::clear() {
    beginResetModel();
    rows_.clear();
    announced_ = 0;
    ++generation_;
    endResetModel();
}

void TrackRowModel::append(const QString& rowLocation, const QString& name,
                           std::shared_ptr<const TrackSection> section) {
    rows_.push_back({rowLocation, QString(), name, std::move(section)});
    scheduleFlush();
}

void TrackRowModel::scheduleFlush() {
    if (flushScheduled_)
        return;
    flushScheduled_ = true;
    QTimer::singleShot(0, this, &TrackRowModel::flushAppends);
}

void TrackRowModel::flushAppends() {
    flushScheduled_ = false;
    if (announced_ >= count())
        return;
    beginInsertRows(QModelIndex(), announced_, count() - 1);
    announced_ = count();
    endInsertRows();
}

const TrackRow* TrackRowModel::row(int index) const {
    if (index < 0 || index >= count())
        return nullptr;
    return &rows_[static_cast<size_t>(index)];
}

void TrackRowModel::setMark(int index, const QString& mark) {
    if (index < 0 || index >= count())
        return;
    rows_[static_cast<size_t>(index)].mark = mark;
    if (index < announced_) {
        const QModelIndex cell = createIndex(index, ColumnMark);
        emit dataChanged(cell, cell, {Qt::DisplayRole});
    }
}

int TrackRowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : announced_;
}

int TrackRowModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrackRowModel::headerData(int, Qt::Orientation, int role) const {
    return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
}

QVariant TrackRowModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const TrackRow* track = row(index.row());
    if (!track)
        return {};
    switch (index.column()) {
    case ColumnLocation:
        return track->location;
    case ColumnMark:
        return role == Qt::DisplayRole ? QVariant(track->mark) : QVariant();
    case ColumnName:
        return track->name;
    default:
        return {};
    }
}

} // namespace tracklist
