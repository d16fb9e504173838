#include "app/about_dialog.h"

#include "res/icons.h"
#include "settings/dialog_window.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QWindow>

namespace app {

CAboutDlg::CAboutDlg(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("バージョン情報"));
    auto* frame = new QGroupBox;
    auto* inner = new QVBoxLayout(frame);
    auto* icon = new QLabel;
    icon->setPixmap(res::programPixmap(32));
    icon->setAlignment(Qt::AlignCenter);
    auto* text = new QLabel(QStringLiteral("Quaverly 150408\n\nFree software for listening, "
                                           "made with Qt, FFmpeg and TagLib."));
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    inner->addWidget(icon);
    inner->addWidget(text);
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { done(1); });
    auto* buttons = new QVBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);
    settings::ShowCloseButtonOnly(*this);
}

QPoint CAboutDlg::CentredPosition(const QSize& dialog, const QRect* ownerRect,
                                  const QRect& workArea) {
    const QRect reference = ownerRect ? *ownerRect : workArea;
    int x = reference.left() + reference.width() / 2 - dialog.width() / 2;
    int y = reference.top() + reference.height() / 2 - dialog.height() / 2;
    x = std::min(x, workArea.left() + workArea.width() - dialog.width());
    x = std::max(x, workArea.left());
    y = std::min(y, workArea.top() + workArea.height() - dialog.height());
    y = std::max(y, workArea.top());
    return {x, y};
}

void CAboutDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QWidget* owner = parentWidget();
    const bool useOwner = owner && owner->isVisible() && !owner->isMinimized();
    const QScreen* screen = useOwner ? owner->screen() : this->screen();
    const QRect workArea = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QRect ownerRect = useOwner ? owner->frameGeometry() : QRect();
    move(CentredPosition(frameGeometry().size(), useOwner ? &ownerRect : nullptr, workArea));
}

} // namespace app
