#include "app/style_hints.h"

#include <QProxyStyle>
#include <QWidget>

namespace app {

namespace {

class HintStyle : public QProxyStyle {
public:
    explicit HintStyle(StyleHintValues hints) : hints_(std::move(hints)) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        for (const auto& [overridden, value] : hints_) {
            if (overridden == hint)
                return value;
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

private:
    StyleHintValues hints_;
};

} // namespace

void OverrideStyleHints(QWidget* widget, StyleHintValues hints) {
    auto* style = new HintStyle(std::move(hints));
    style->setParent(widget);
    widget->setStyle(style);
}

} // namespace app
