// The track list: a three-column report view (hidden location, mark, name)
// that is at the same time the play queue. Its current row is the selection
// anchor, kept apart from which rows are highlighted.
#pragma once

#include "tracklist/track_row_model.h"

#include <QTreeView>

namespace tracklist {

class CListView : public QTreeView {
    Q_OBJECT
public:
    explicit CListView(QWidget* parent = nullptr);

    void ClearRows();
    // Makes room for rows about to be appended (a large folder).
    void ReserveRows(int rows) { model_.reserve(rows); }
    // Appends a row; the location is converted with ToRowLocation.
    void AppendRow(const QString& location, const QString& name,
                   std::shared_ptr<const TrackSection> section = nullptr);
    int RowCount() const;
    QString GetLocation(int row) const;
    QString GetName(int row) const;
    // The part of an image file the row plays; null for a whole file or URL.
    std::shared_ptr<const TrackSection> GetSection(int row) const;
    QString GetMark(int row) const;
    void SetMark(int row, const QString& mark);
    bool IsSkipped(int row) const;
    // Moves the selection anchor without changing the highlighted rows, then
    // scrolls the row fully into view.
    void SetCurrentRow(int row);
    // Moves the selection anchor without scrolling.
    void SetCurrentRowNoScroll(int row);
    int GetCurrentRow() const;
    // First row whose location equals the text exactly, or -1. Linux names
    // are case-sensitive: Song.mp3 and song.mp3 are two tracks.
    int FindRowByLocation(const QString& rowLocation) const;
    // Selected rows in increasing order.
    std::vector<int> SelectedRows() const;

    TrackRowModel& rows() { return model_; }

signals:
    // A double-click on a row (anywhere on it, the whole row is its label).
    void rowActivated(int row);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void moveAnchor(int row);

    TrackRowModel model_;
};

} // namespace tracklist
