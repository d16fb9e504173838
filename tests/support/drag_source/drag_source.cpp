// A small window that, pressed with the mouse, drags the URLs given on its
// command line, as a file manager or a browser does. For desktop tests and
// runs that drop things on the player over the real drag-and-drop protocol.
// It runs until it is ended: the program that takes the drop asks it for the
// data after the button is released.
#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace {

class DragSource : public QLabel {
public:
    explicit DragSource(QList<QUrl> urls) : urls_(std::move(urls)) {
        setText(QStringLiteral("drag source"));
        setAlignment(Qt::AlignCenter);
        setWindowTitle(QStringLiteral("drag source"));
        resize(160, 80);
    }

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* data = new QMimeData;
        data->setUrls(urls_);
        QDrag drag(this);
        drag.setMimeData(data);
        drag.exec(Qt::CopyAction);
    }

private:
    QList<QUrl> urls_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QList<QUrl> urls;
    for (const QString& argument : QApplication::arguments().mid(1))
        urls.append(QUrl::fromUserInput(argument));
    DragSource source(urls);
    source.move(0, 400);
    source.show();
    return QApplication::exec();
}
