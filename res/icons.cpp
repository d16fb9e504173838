#include "res/icons.h"

#include <QBitmap>
#include <QPainter>
#include <QPainterPath>

namespace res {
namespace {

const QColor kMask(255, 0, 255);
const QColor kGlyph(40, 40, 48);

void drawPlay(QPainter& p) {
    const QPointF triangle[] = {{4, 2}, {13, 8}, {4, 14}};
    p.drawPolygon(triangle, 3);
}

void drawStop(QPainter& p) {
    p.drawRect(QRectF(3.5, 3.5, 9, 9));
}

void drawPrevious(QPainter& p) {
    p.drawRect(QRectF(2.5, 3.5, 2, 9));
    const QPointF triangle[] = {{13, 3}, {5, 8}, {13, 13}};
    p.drawPolygon(triangle, 3);
}

void drawNext(QPainter& p) {
    p.drawRect(QRectF(11.5, 3.5, 2, 9));
    const QPointF triangle[] = {{3, 3}, {11, 8}, {3, 13}};
    p.drawPolygon(triangle, 3);
}

void drawPause(QPainter& p) {
    p.drawRect(QRectF(3.5, 3.5, 3, 9));
    p.drawRect(QRectF(9.5, 3.5, 3, 9));
}

} // namespace

QImage toolbarStrip() {
    QImage strip(5 * kToolbarImageSize, kToolbarImageSize, QImage::Format_RGB888);
    strip.fill(kMask);
    QPainter painter(&strip);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kGlyph);
    void (*const glyphs[])(QPainter&) = {drawPlay, drawStop, drawPrevious, drawNext, drawPause};
    for (int i = 0; i < 5; ++i) {
        painter.save();
        painter.translate(i * kToolbarImageSize, 0);
        glyphs[i](painter);
        painter.restore();
    }
    return strip;
}

QPixmap toolbarImage(ToolbarImage image) {
    static const QImage strip = toolbarStrip();
    const QImage cell =
        strip.copy(image * kToolbarImageSize, 0, kToolbarImageSize, kToolbarImageSize);
    QPixmap pixmap = QPixmap::fromImage(cell);
    pixmap.setMask(QBitmap::fromImage(cell.createMaskFromColor(cell.pixel(0, 0), Qt::MaskInColor)));
    return pixmap;
}

QPixmap programPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(52, 101, 164));
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(8, 19, 9, 7));
    p.drawRect(QRectF(15, 6, 2.5, 17));
    QPainterPath flag;
    flag.moveTo(17.5, 6);
    flag.cubicTo(19, 11, 25, 11, 23, 18);
    flag.cubicTo(23, 13, 19, 13, 17.5, 12);
    flag.closeSubpath();
    p.drawPath(flag);
    return pixmap;
}

QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(programPixmap(size));
    return icon;
}

} // namespace res
