// The about box: its text, and where it opens.
#include "app/about_dialog.h"

#include <QLabel>
#include <gtest/gtest.h>

using app::CAboutDlg;

TEST(AboutDialog, ShowsTheNameAndBuildNumber) {
    CAboutDlg dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), "バージョン情報");
    bool found = false;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        found |= label->text().startsWith("Quaverly 150408\n\n");
    EXPECT_TRUE(found);
}

TEST(AboutDialog, IsCentredOverAVisibleOwner) {
    const QRect owner(100, 100, 400, 300);
    const QRect work(0, 0, 1280, 800);
    EXPECT_EQ(CAboutDlg::CentredPosition(QSize(200, 100), &owner, work), QPoint(200, 200));
}

TEST(AboutDialog, IsCentredOnTheWorkAreaWithoutAnOwner) {
    const QRect work(0, 30, 1280, 770);
    EXPECT_EQ(CAboutDlg::CentredPosition(QSize(201, 101), nullptr, work), QPoint(540, 365));
}

TEST(AboutDialog, StaysInsideTheWorkArea) {
    const QRect work(0, 0, 1000, 700);
    const QRect nearEdge(900, 650, 200, 100);
    EXPECT_EQ(CAboutDlg::CentredPosition(QSize(300, 200), &nearEdge, work), QPoint(700, 500));
    const QRect offLeft(-500, -400, 100, 100);
    EXPECT_EQ(CAboutDlg::CentredPosition(QSize(300, 200), &offLeft, work), QPoint(0, 0));
    // Wider than the work area: the left edge wins.
    EXPECT_EQ(CAboutDlg::CentredPosition(QSize(1200, 200), nullptr, work).x(), 0);
}

TEST(AboutDialog, OkAndEscapeClose) {
    CAboutDlg dialog(nullptr);
    dialog.show();
    dialog.reject();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}
