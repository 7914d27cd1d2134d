#include "terminal/icons.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QPixmap canvas(int size = 16)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap openImage()
{
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    p.setPen(QColor(0x80, 0x60, 0x00));
    p.setBrush(QColor(0xF0, 0xC8, 0x40));
    p.drawRect(1, 4, 13, 10);
    p.drawRect(1, 2, 5, 2);
    p.setBrush(QColor(0xFF, 0xE0, 0x80));
    p.drawPolygon(QPolygon({QPoint(3, 7), QPoint(15, 7), QPoint(13, 14), QPoint(1, 14)}));
    return pixmap;
}

QPixmap quitImage()
{
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0xC0, 0x10, 0x10), 2.5));
    p.drawLine(3, 3, 13, 13);
    p.drawLine(13, 3, 3, 13);
    return pixmap;
}

QPixmap sendImage()
{
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    p.setPen(QColor(0x20, 0x20, 0x20));
    p.setBrush(QColor(0x30, 0x70, 0x30));
    p.drawRect(8, 4, 7, 9); // the board
    p.setPen(QColor(0x10, 0x40, 0xC0));
    p.setBrush(QColor(0x10, 0x40, 0xC0));
    p.drawPolygon(QPolygon(
        {QPoint(0, 6), QPoint(4, 6), QPoint(4, 3), QPoint(8, 8), QPoint(4, 13), QPoint(4, 10), QPoint(0, 10)}));
    return pixmap;
}

QPixmap runImage()
{
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(0x10, 0x60, 0x10));
    p.setBrush(QColor(0x20, 0xB0, 0x20));
    p.drawPolygon(QPolygon({QPoint(4, 2), QPoint(14, 8), QPoint(4, 14)}));
    return pixmap;
}

QPixmap connectImage()
{
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.5));
    p.setBrush(QColor(0xA0, 0xA0, 0xA0));
    p.drawRect(1, 5, 5, 6);  // plug
    p.drawRect(10, 4, 5, 8); // socket
    p.drawLine(6, 7, 9, 7);
    p.drawLine(6, 9, 9, 9);
    return pixmap;
}

QPixmap lamp(const QColor &colour)
{
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(colour.darker(160));
    p.setBrush(colour);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    return pixmap;
}

} // namespace

QPixmap icons::toolbarImage(int number)
{
    switch (number) {
    case 1: return openImage();
    case 2: return quitImage();
    case 3: return sendImage();
    case 4: return runImage();
    case 5: return connectImage();
    default: return canvas();
    }
}

QPixmap icons::connected()
{
    return lamp(QColor(0x20, 0xC0, 0x20));
}
QPixmap icons::notConnected()
{
    return lamp(QColor(0xD0, 0x20, 0x20));
}
QPixmap icons::toggles()
{
    return lamp(QColor(0xC0, 0xC0, 0xC0));
}

QIcon icons::windowIcon()
{
    QPixmap pixmap = canvas(32);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(0x10, 0x30, 0x60));
    p.setBrush(QColor(0x20, 0x50, 0xA0));
    p.drawRoundedRect(QRectF(1, 3, 30, 24), 3, 3);
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(16);
    p.setFont(font);
    p.drawText(QRectF(1, 3, 30, 24), Qt::AlignCenter, QStringLiteral("K>"));
    return QIcon(pixmap);
}
