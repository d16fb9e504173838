// The settings pages as they are drawn: laid out for the real font so that
// nothing overlaps or is cut, with the Japanese fonts the desktop offers at
// 96 and 144 DPI; and Qt's own button texts in Japanese.
#include "settings/qt_translation.h"
#include "settings/settings_sheet.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace settings;

namespace {

struct FontCase {
    const char* family;
    int dpi;
};

// The application font for the length of a test.
class FontScope {
public:
    explicit FontScope(const QFont& font) : old_(QApplication::font()) {
        QApplication::setFont(font);
    }
    ~FontScope() { QApplication::setFont(old_); }

private:
    QFont old_;
};

QString Describe(const QWidget* widget) {
    const auto* label = qobject_cast<const QLabel*>(widget);
    const auto* box = qobject_cast<const QCheckBox*>(widget);
    const QString text = label ? label->text() : box ? box->text() : QString();
    return QStringLiteral("%1 %2 \"%3\"")
        .arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName(), text);
}

// The room a control needs: its text for labels and check boxes, the thumb
// across a slider.
void ExpectFits(const QWidget* control) {
    const QRect r = control->geometry();
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        EXPECT_GE(r.width(), label->fontMetrics().horizontalAdvance(label->text()));
        EXPECT_GE(r.height(), label->fontMetrics().height());
    } else if (const auto* slider = qobject_cast<const QSlider*>(control)) {
        const QSize least = slider->minimumSizeHint();
        if (slider->orientation() == Qt::Vertical)
            EXPECT_GE(r.width(), least.width());
        else
            EXPECT_GE(r.height(), least.height());
    } else {
        EXPECT_GE(r.width(), control->sizeHint().width());
        EXPECT_GE(r.height(), control->sizeHint().height());
    }
}

// No two controls overlap, each fits its content and lies inside the page
// and inside the group box it belongs to (below the title, within the frame).
void ExpectClearLayout(const QWidget& page) {
    const QRect pageRect(QPoint(0, 0), page.minimumSize());
    std::vector<const QWidget*> controls;
    std::vector<const QGroupBox*> groups;
    for (const QWidget* child : page.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (const auto* group = qobject_cast<const QGroupBox*>(child))
            groups.push_back(group);
        else
            controls.push_back(child);
    }
    for (const QGroupBox* group : groups) {
        SCOPED_TRACE(group->title().toStdString());
        EXPECT_TRUE(pageRect.contains(group->geometry()));
        EXPECT_GE(group->width(), group->minimumSizeHint().width()) << "the title fits";
        for (const QGroupBox* other : groups)
            EXPECT_TRUE(group == other || !group->geometry().intersects(other->geometry()));
    }
    for (size_t i = 0; i < controls.size(); ++i) {
        const QWidget* control = controls[i];
        SCOPED_TRACE(Describe(control).toStdString());
        const QRect r = control->geometry();
        EXPECT_TRUE(pageRect.contains(r));
        ExpectFits(control);
        for (const QGroupBox* group : groups) {
            if (group->geometry().contains(r.center())) {
                EXPECT_TRUE(group->geometry().marginsRemoved(group->contentsMargins()).contains(r));
            }
        }
        for (size_t j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(r.intersects(controls[j]->geometry()))
                << Describe(controls[j]).toStdString();
    }
}

const FontCase kFontCases[] = {
    {"IPAGothic", 96}, {"IPAGothic", 144}, {"Noto Sans CJK JP", 96}, {"Noto Sans CJK JP", 144}};

QFont NinePoints(const FontCase& c) {
    QFont font(QString::fromLatin1(c.family));
    font.setPixelSize(9 * c.dpi / 72);
    return font;
}

} // namespace

TEST(DialogLayout, NoControlOverlapsAnotherOrCutsItsTextWithTheJapaneseFonts) {
    const testsupport::TempDir dir;
    const QString ini = QString::fromStdString(dir.file("quaverly.ini"));
    for (const FontCase& c : kFontCases) {
        SCOPED_TRACE(std::string(c.family) + " at " + std::to_string(c.dpi) + " DPI");
        const QFont font = NinePoints(c);
        ASSERT_EQ(QFontInfo(font).family(), QString::fromLatin1(c.family))
            << "the font is installed by scripts/install-deps.sh";
        const FontScope scope(font);
        {
            SCOPED_TRACE("DSP page");
            const CCustomPage2 dsp(ini);
            ExpectClearLayout(dsp);
        }
        {
            SCOPED_TRACE("General page");
            const CCustomPage1 general(ini);
            ExpectClearLayout(general);
        }
    }
}

TEST(DialogLayout, TheSheetHasTheSizeOfItsLargestPageFromTheStart) {
    const testsupport::TempDir dir;
    // DejaVu Sans, the desktop's default Latin font, widens the DSP page.
    const FontCase cases[] = {{"DejaVu Sans", 96}, {"IPAGothic", 144}, {"Noto Sans CJK JP", 144}};
    for (const FontCase& c : cases) {
        SCOPED_TRACE(std::string(c.family) + " at " + std::to_string(c.dpi) + " DPI");
        const FontScope scope(NinePoints(c));
        CCustomSheet sheet(QString::fromStdString(dir.file("quaverly.ini")), nullptr);
        sheet.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
        const QSize before = sheet.size();
        sheet.tabs()->setCurrentIndex(1);
        // The new page's layout request goes up from widget to widget.
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        EXPECT_EQ(sheet.size(), before) << "the sheet does not grow when the DSP page comes";
    }
}

TEST(DialogTexts, QtsOwnButtonsReadInJapanese) {
    ASSERT_TRUE(InstallQtJapanese(*qApp))
        << "qt6-translations-l10n is installed by the setup script";
    const testsupport::TempDir dir;
    CCustomSheet sheet(QString::fromStdString(dir.file("quaverly.ini")), nullptr);
    const auto* buttons = sheet.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Ok)->text(), "OK");
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), "キャンセル");
}
