// The keyboard on the frame: F10 or a lone Alt reaches the first menu, and
// the arrow keys and Enter go on from there; the list that has the focus
// shows it plainly.
#include "frame_fixture.h"

#include "browser/form_view.h"
#include "res/resource_ids.h"
#include "tracklist/list_view.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QListWidget>
#include <QMenuBar>
#include <QTest>

namespace {

struct MenuKeysCase {
    const char* how;
    std::vector<Qt::Key> keys;
};

// Where a key goes: the open menu, else the focused control.
QWidget* KeyTarget(QWidget* window) {
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup;
    if (QWidget* focused = QApplication::focusWidget())
        return focused;
    return window;
}

} // namespace

TEST_F(FrameTest, TheMenusAreReachedAndWorkedFromTheKeyboard) {
    // Each way ends on ファイル > イコライザ and switches the equalizer on.
    const MenuKeysCase cases[] = {
        {"F10, two steps down, Enter", {Qt::Key_F10, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}},
        {"F10, over to 演奏 and back, one step down, Enter",
         {Qt::Key_F10, Qt::Key_Right, Qt::Key_Left, Qt::Key_Down, Qt::Key_Return}},
        {"a lone Alt, down into the menu, one step down, Enter",
         {Qt::Key_Alt, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}},
    };
    auto& f = create();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    for (const MenuKeysCase& c : cases) {
        SCOPED_TRACE(c.how);
        f.SetEffectCheck(res::ID_FILE_EQUALIZER, false);
        f.orderBox()->setFocus();
        for (Qt::Key key : c.keys) {
            QTest::keyClick(KeyTarget(&f), key);
            QCoreApplication::processEvents();
            if (key == Qt::Key_F10) {
                EXPECT_EQ(QApplication::activePopupWidget(),
                          f.frameMenuBar()->actions().front()->menu());
            }
        }
        EXPECT_TRUE(f.EffectChecked(res::ID_FILE_EQUALIZER));
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }
}

TEST_F(FrameTest, TheListWithTheFocusShowsItPlainly) {
    auto& f = create();
    f.trackList()->AppendRow(QStringLiteral("/music/01 - Intro.mp3"), QStringLiteral("01 - Intro"));
    f.trackList()->AppendRow(QStringLiteral("/music/2 - b.mp3"), QStringLiteral("2 - b"));
    QCoreApplication::processEvents(); // the rows reach the view
    QAbstractItemView* lists[] = {f.formView()->entryList(), f.trackList()};
    for (QAbstractItemView* list : lists) {
        SCOPED_TRACE(list->metaObject()->className());
        ASSERT_GT(list->model()->rowCount(), 1);
        // The second row is current but not selected, so that only the
        // focus can colour its edge.
        const QModelIndex second = list->model()->index(1, 0);
        list->selectionModel()->setCurrentIndex(second, QItemSelectionModel::Clear);
        const QColor highlight = list->palette().color(QPalette::Highlight);
        const QRect row = list->visualRect(second).translated(list->viewport()->pos());
        const QPoint frameEdge(0, list->height() / 2), rowEdge(row.left(), row.center().y());
        for (const bool focused : {true, false}) {
            SCOPED_TRACE(focused ? "with the focus" : "without it");
            QWidget* target = focused ? list : static_cast<QWidget*>(f.orderBox());
            f.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
            target->setFocus();
            ASSERT_TRUE(QTest::qWaitFor([&] { return target->hasFocus(); }, 2000));
            const QImage image = list->grab().toImage();
            EXPECT_EQ(image.pixelColor(frameEdge) == highlight, focused);
            EXPECT_EQ(image.pixelColor(rowEdge) == highlight, focused);
        }
    }
}
