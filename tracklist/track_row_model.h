// The rows of the track list: location, mark and name texts. Appends are
// announced to the view in batches so that filling 100,000 rows does not lay
// the view out once per row.
#pragma once

#include "tracklist/track_section.h"

#include <QAbstractTableModel>
#include <QString>
#include <memory>
#include <vector>

namespace tracklist {

struct TrackRow {
    QString location; // row form: backslashes doubled, or a URL
    QString mark;
    QString name;
    // Set for a track of a cue sheet: the part of its image file it plays.
    std::shared_ptr<const TrackSection> section = nullptr;
};

enum TrackColumn { ColumnLocation = 0, ColumnMark = 1, ColumnName = 2, ColumnCount = 3 };

class TrackRowModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TrackRowModel(QObject* parent = nullptr);

    void clear();
    // Makes room for rows about to be appended.
    void reserve(int rows) { rows_.reserve(static_cast<size_t>(count() + rows)); }
    // Appends a row whose location is already in row form.
    void append(const QString& rowLocation, const QString& name,
                std::shared_ptr<const TrackSection> section = nullptr);
    // Announces rows appended since the last flush to the views.
    void flushAppends();

    int count() const { return static_cast<int>(rows_.size()); }
    // Changes each time the rows are cleared, so that state built for one
    // list (the random order) can tell that the list was replaced.
    unsigned generation() const { return generation_; }
    const TrackRow* row(int index) const;
    void setMark(int index, const QString& mark);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // The columns have no captions.
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void scheduleFlush();

    std::vector<TrackRow> rows_;
    unsigned generation_ = 0;
    int announced_ = 0; // rows the views know about
    bool flushScheduled_ = false;
};

} // namespace tracklist
