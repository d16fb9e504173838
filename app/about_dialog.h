// CAboutDlg: the program's icon, name and build number.
#pragma once

#include <QDialog>

namespace app {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* owner);

    // Where the dialog goes: centred over a visible, not minimised owner, or
    // else on the work area; then kept inside the work area.
    static QPoint CentredPosition(const QSize& dialog, const QRect* ownerRect,
                                  const QRect& workArea);

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace app
