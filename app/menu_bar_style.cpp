#include "app/menu_bar_style.h"

#include <QMenuBar>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

namespace app {

namespace {

class MenuBarStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    // Some styles (Fusion among them) highlight a menu bar title only while
    // its menu is open: a title selected by Alt or the pointer is drawn as
    // the open one is.
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element == CE_MenuBarItem && item && (item->state & State_Selected) &&
            (item->state & State_Enabled)) {
            QStyleOptionMenuItem selected = *item;
            selected.state |= State_Sunken;
            QProxyStyle::drawControl(element, &selected, painter, widget);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

} // namespace

void EnableAltKeyNavigation(QMenuBar* bar) {
    auto* style = new MenuBarStyle;
    style->setParent(bar);
    bar->setStyle(style);
}

} // namespace app
