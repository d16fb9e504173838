// The track list's row model: locations, marks, the current row as an anchor
// apart from the highlighted rows, lookups and batched appends.
#include "tracklist/list_view.h"
#include "tracklist/row_location.h"
#include "tracklist/track_marks.h"

#include <QItemSelectionModel>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace tracklist;

TEST(RowLocation, DoublesAndCollapsesBackslashesAndKeepsUrls) {
    EXPECT_EQ(ToRowLocation("D:\\A\\b.mp3"), "D:\\\\A\\\\b.mp3");
    EXPECT_EQ(FromRowLocation(ToRowLocation("D:\\A\\b.mp3")), "D:\\A\\b.mp3");
    EXPECT_EQ(ToRowLocation("/music/a.mp3"), "/music/a.mp3");
    EXPECT_EQ(ToRowLocation("http://host:8000/live"), "http://host:8000/live");
    EXPECT_EQ(FromRowLocation("a\\\\\\b"), "a\\\\b"); // three collapse to two
}

TEST(TrackList, AppendStoresRowFormAndEmptyMark) {
    CListView list;
    list.AppendRow("/m/a\\b.mp3", "a\\b.mp3");
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.GetLocation(0), "/m/a\\\\b.mp3");
    EXPECT_EQ(list.GetName(0), "a\\b.mp3");
    EXPECT_EQ(list.GetMark(0), "");
    EXPECT_EQ(list.GetLocation(1), "");
    EXPECT_EQ(list.GetLocation(-1), "");
    EXPECT_FALSE(list.IsSkipped(-1));
}

TEST(TrackList, MarksAndSkip) {
    CListView list;
    list.AppendRow("/a.mp3", "a");
    list.SetMark(0, MarkSkip);
    EXPECT_TRUE(list.IsSkipped(0));
    list.SetMark(0, MarkPlaying);
    EXPECT_FALSE(list.IsSkipped(0));
    EXPECT_EQ(list.GetMark(0), ">");
    list.SetMark(5, MarkSkip); // no such row: nothing happens
    EXPECT_EQ(list.RowCount(), 1);
}

TEST(TrackList, FindRowByLocationComparesExactlyAndFindsTheUpperRow) {
    CListView list;
    const QString latin1 = u"/m/caf"_qs + QChar(0xDCE9) + u".mp3"_qs; // the name's byte 0xE9 kept
    for (const QString& location :
         {u"/m/Song.mp3"_qs, u"/m/song.mp3"_qs, latin1, u"/m/song.mp3"_qs, u"/m/café.mp3"_qs})
        list.AppendRow(location, "");
    const struct {
        QString searched;
        int row;
    } cases[] = {
        {"/m/Song.mp3", 0}, {"/m/song.mp3", 1}, {"/m/SONG.MP3", -1}, {latin1, 2},
        {"/m/café.mp3", 4}, {"/m/song.mp", -1}, {"/m/Café.mp3", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(list.FindRowByLocation(c.searched), c.row) << c.searched.toStdString();
}

TEST(TrackList, CurrentRowIsAnAnchorApartFromTheSelection) {
    CListView list;
    for (int i = 0; i < 5; ++i)
        list.AppendRow(QStringLiteral("/t%1.mp3").arg(i), QStringLiteral("t%1").arg(i));
    EXPECT_EQ(list.GetCurrentRow(), -1);
    QCoreApplication::processEvents();
    list.selectionModel()->select(list.model()->index(1, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    list.SetCurrentRow(3);
    EXPECT_EQ(list.GetCurrentRow(), 3);
    EXPECT_EQ(list.SelectedRows(), std::vector<int>{1});
    list.ClearRows();
    EXPECT_EQ(list.GetCurrentRow(), -1);
    EXPECT_EQ(list.RowCount(), 0);
}

TEST(TrackList, ClearingChangesTheListGeneration) {
    CListView list;
    const unsigned before = list.rows().generation();
    list.ClearRows();
    EXPECT_NE(list.rows().generation(), before);
}

TEST(TrackList, ManyAppendsReachTheViewInOneBatch) {
    CListView list;
    QSignalSpy inserted(list.model(), &QAbstractItemModel::rowsInserted);
    for (int i = 0; i < 20000; ++i)
        list.AppendRow(QStringLiteral("/f/%1.mp3").arg(i), QString::number(i));
    EXPECT_EQ(list.RowCount(), 20000);
    EXPECT_EQ(inserted.count(), 0); // not yet announced, row by row or otherwise
    QCoreApplication::processEvents();
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(list.model()->rowCount(), 20000);
    // Marks of rows the view already knows are announced at once.
    QSignalSpy changed(list.model(), &QAbstractItemModel::dataChanged);
    list.SetMark(19999, MarkPaused);
    EXPECT_EQ(changed.count(), 1);
}

TEST(TrackList, SettingTheCurrentRowAnnouncesPendingRows) {
    CListView list;
    list.AppendRow("/a.mp3", "a");
    list.AppendRow("/b.mp3", "b");
    list.SetCurrentRow(1);
    EXPECT_EQ(list.model()->rowCount(), 2);
    EXPECT_EQ(list.GetCurrentRow(), 1);
}

TEST(TrackList, ColumnsAreLocationHiddenMarkAndName) {
    CListView list;
    EXPECT_EQ(list.model()->columnCount(), 3);
    EXPECT_EQ(list.columnWidth(0), 0);
    EXPECT_EQ(list.columnWidth(1), 30);
    EXPECT_EQ(list.columnWidth(2), 240);
    EXPECT_EQ(list.selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(list.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_FALSE(list.isSortingEnabled());
}

TEST(TrackList, TheColumnsHaveNoCaptions) {
    CListView list;
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(list.model()->headerData(column, Qt::Horizontal).toString(), "");
}
