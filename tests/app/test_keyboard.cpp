// The menus from the keyboard: F10 or a lone Alt reaches the first menu, and
// the arrow keys and Enter go on from there.
#include "frame_fixture.h"

#include "res/resource_ids.h"

#include <QApplication>
#include <QComboBox>
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
