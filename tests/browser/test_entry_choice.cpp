// What opens an entry of the browser's list: the user's own choice (a click,
// an arrow key, type-ahead, Enter), never the keyboard focus arriving in the
// list, although the list then frames its first row.
#include "browser_fixture.h"

#include "settings/ini_file.h"

#include <QApplication>
#include <QTest>
#include <functional>

namespace {

class EntryChoiceTest : public BrowserTest {
protected:
    void SetUp() override {
        BrowserTest::SetUp();
        dir.write("Album A/01 - Intro.flac", "x");
        dir.write("Bonus/2 - b.mp3", "x");
        dir.write("Live/10 - a.mp3", "x");
        view.setCurrentFolder(folder());
        view.ListFolder();
        settle();
        view.resize(240, 320);
        view.show();
        view.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
        view.sourceBox()->setFocus(Qt::OtherFocusReason);
        settle();
    }

    // The queued choice runs, then the load it started puts its rows in.
    void settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        BrowserTest::settle();
    }
    QString lastPath() const {
        return settings::IniFile(QString::fromStdString(dir.file("quaverly.ini")))
            .ReadString("_LastPath", "");
    }
    QRect entryRect(const QString& text) const {
        QListWidget* entries = view.entryList();
        return entries->visualItemRect(entries->item(entryIndex(text)));
    }
};

struct FocusCase {
    const char* how;
    std::function<void(browser::CFormView&)> giveFocus;
};

struct ChoiceCase {
    const char* how;
    std::function<void(browser::CFormView&)> choose;
    // The entry chosen; nullptr: the first entry of the list.
    const char* entry;
};

} // namespace

TEST_F(EntryChoiceTest, TheFocusArrivingInTheListOpensNothing) {
    const FocusCase cases[] = {
        {"Tab from the source box",
         [](browser::CFormView& v) { QTest::keyClick(v.sourceBox(), Qt::Key_Tab); }},
        {"Shift+Tab from the source box",
         [](browser::CFormView& v) {
             QTest::keyClick(v.sourceBox(), Qt::Key_Backtab, Qt::ShiftModifier);
         }},
        {"the window becoming active again",
         [](browser::CFormView& v) {
             v.entryList()->setFocus(Qt::OtherFocusReason);
             QWidget other;
             other.show();
             other.activateWindow();
             ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
             v.activateWindow();
             ASSERT_TRUE(QTest::qWaitForWindowActive(&v));
         }},
        {"a shortcut",
         [](browser::CFormView& v) { v.entryList()->setFocus(Qt::ShortcutFocusReason); }}};
    for (const FocusCase& c : cases) {
        SCOPED_TRACE(c.how);
        view.sourceBox()->setFocus(Qt::OtherFocusReason);
        view.ListFolder();
        settle();
        c.giveFocus(view);
        settle();
        EXPECT_TRUE(view.entryList()->hasFocus());
        EXPECT_EQ(view.entryList()->currentRow(), 0) << "the focus frames the first row";
        EXPECT_EQ(view.currentFolder(), folder());
        EXPECT_EQ(view.entryList()->count(), 3);
        EXPECT_TRUE(view.entryList()->selectedItems().isEmpty());
        EXPECT_EQ(lastPath(), "");
    }
}

TEST_F(EntryChoiceTest, TheUsersOwnChoiceOpensTheEntry) {
    const ChoiceCase cases[] = {
        {"Down after Tab opens the framed first entry",
         [](browser::CFormView& v) {
             QTest::keyClick(v.sourceBox(), Qt::Key_Tab);
             QTest::keyClick(v.entryList(), Qt::Key_Down);
         },
         nullptr},
        {"Enter after Tab opens the framed first entry",
         [](browser::CFormView& v) {
             QTest::keyClick(v.sourceBox(), Qt::Key_Tab);
             QTest::keyClick(v.entryList(), Qt::Key_Return);
         },
         nullptr},
        {"type-ahead", [](browser::CFormView& v) { QTest::keyClicks(v.entryList(), "Li"); },
         "Live/"},
        {"a click",
         [this](browser::CFormView& v) {
             QTest::mouseClick(v.entryList()->viewport(), Qt::LeftButton, {},
                               entryRect("Bonus/").center());
         },
         "Bonus/"}};
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(c.how);
        view.setCurrentFolder(folder());
        view.ListFolder();
        settle();
        view.sourceBox()->setFocus(Qt::OtherFocusReason);
        settle();
        const QString entry = c.entry ? QString(c.entry) : view.entryList()->item(0)->text();
        c.choose(view);
        settle();
        EXPECT_EQ(view.currentFolder(), folder() + entry);
        EXPECT_EQ(lastPath(), folder() + entry);
    }
}
