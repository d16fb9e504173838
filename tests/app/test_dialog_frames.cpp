// The dialogs' window frames: a close button only, and a size fixed by the
// contents (what the window manager is told; the desktop test shows what it
// offers).
#include "app/about_dialog.h"
#include "settings/settings_sheet.h"
#include "support/temp_dir.h"

#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct DialogCase {
    const char* name;
    std::function<std::unique_ptr<QDialog>()> make;
};

} // namespace

TEST(DialogFrames, HaveACloseButtonOnlyAndAFixedSize) {
    const testsupport::TempDir dir;
    const QString ini = QString::fromStdString(dir.file("quaverly.ini"));
    const DialogCase cases[] = {
        {"settings sheet", [&] { return std::make_unique<settings::CCustomSheet>(ini, nullptr); }},
        {"about box", [] { return std::make_unique<app::CAboutDlg>(nullptr); }},
    };
    for (const DialogCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::unique_ptr<QDialog> dialog = c.make();
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        const Qt::WindowFlags flags = dialog->windowFlags();
        EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
        EXPECT_TRUE(flags & Qt::CustomizeWindowHint) << "only the buttons asked for";
        EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
        EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
        EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
        EXPECT_EQ(dialog->size(), dialog->minimumSize());
    }
}
