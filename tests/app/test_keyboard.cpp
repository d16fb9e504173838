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
#include <QMenu>
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
        {"F10, one step down, Enter", {Qt::Key_F10, Qt::Key_Down, Qt::Key_Return}},
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
                QMenu* menu = f.frameMenuBar()->actions().front()->menu();
                EXPECT_EQ(QApplication::activePopupWidget(), menu);
                EXPECT_EQ(menu->activeAction(), f.commandAction(res::ID_FILE_SETTINGS))
                    << "the menu opens with its first item selected";
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

TEST_F(FrameTest, TheWindowStartsWithTheFocusOnTheBrowserList) {
    auto& f = create();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    QListWidget* entries = f.formView()->entryList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return entries->hasFocus(); }, 2000))
        << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className()
                                        : "nothing");
    ASSERT_GT(entries->count(), 1);
    const int source = f.formView()->sourceBox()->currentIndex();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(f.formView()->sourceBox()->currentIndex(), source) << "the source stays";
}

TEST_F(FrameTest, AMenuTitleSelectedFromTheKeyboardShowsTheHighlight) {
    auto& f = create();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    QMenuBar* bar = f.frameMenuBar();
    const QRect title = bar->actionGeometry(bar->actions().front());
    const QColor highlight = bar->palette().color(QPalette::Highlight);
    const auto highlighted = [&] {
        const QImage image = bar->grab(title).toImage();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) == highlight)
                    return true;
            }
        }
        return false;
    };
    EXPECT_FALSE(highlighted()) << "nothing selected yet";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Alt);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "a lone Alt opens no menu";
    EXPECT_TRUE(highlighted()) << "but shows the selected title";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
}
