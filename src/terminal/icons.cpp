// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QStringList>

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

// The send arrow, and the run triangle over it: load, then start.
QPixmap loadRunImage()
{
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    p.setPen(QColor(0x10, 0x40, 0xC0));
    p.setBrush(QColor(0x10, 0x40, 0xC0));
    p.drawPolygon(
        QPolygon({QPoint(0, 5), QPoint(3, 5), QPoint(3, 2), QPoint(7, 7), QPoint(3, 12), QPoint(3, 9), QPoint(0, 9)}));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(0x10, 0x60, 0x10));
    p.setBrush(QColor(0x20, 0xB0, 0x20));
    p.drawPolygon(QPolygon({QPoint(7, 3), QPoint(15, 8), QPoint(7, 13)}));
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
    case 6: return loadRunImage();
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

// The window icon is one picture for the window, the desktop's menu and the
// file manager: drawn here at any size, and written out as SVG and PNG files
// for the desktop's icon theme by the same shapes.
namespace {

constexpr double IconGrid = 32; // the picture's own units
const QRectF Badge(1, 3, 30, 24);
constexpr double BadgeRadius = 3;
constexpr double StrokeWidth = 3;
const QColor BadgeFill(0x20, 0x50, 0xA0);
const QColor BadgeEdge(0x10, 0x30, 0x60);
const QColor Glyph(Qt::white);

// "K>": the letter's stem, its two arms, the prompt.
QList<QPolygonF> glyphStrokes()
{
    using P = QPointF;
    return {QPolygonF{P(7, 9), P(7, 21)}, QPolygonF{P(15, 9), P(8, 15), P(15, 21)},
            QPolygonF{P(19, 10), P(25, 15), P(19, 20)}};
}

QString svgNumber(double value)
{
    return QString::number(value, 'g', 6);
}

QString svgPoints(const QPolygonF &polygon)
{
    QStringList points;
    for (const QPointF &point : polygon)
        points << svgNumber(point.x()) + QLatin1Char(',') + svgNumber(point.y());
    return points.join(QLatin1Char(' '));
}

} // namespace

QImage icons::windowIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / IconGrid, size / IconGrid);
    p.setPen(QPen(BadgeEdge, 1));
    p.setBrush(BadgeFill);
    p.drawRoundedRect(Badge, BadgeRadius, BadgeRadius);
    p.setPen(QPen(Glyph, StrokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    for (const QPolygonF &stroke : glyphStrokes())
        p.drawPolyline(stroke);
    return image;
}

QString icons::windowIconSvg()
{
    QString svg = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
                                 "viewBox=\"0 0 %1 %1\">\n")
                      .arg(svgNumber(IconGrid));
    svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" ry=\"%5\" fill=\"%6\" "
                          "stroke=\"%7\" stroke-width=\"1\"/>\n")
               .arg(svgNumber(Badge.x()), svgNumber(Badge.y()), svgNumber(Badge.width()), svgNumber(Badge.height()),
                    svgNumber(BadgeRadius), BadgeFill.name(), BadgeEdge.name());
    svg += QStringLiteral("  <g fill=\"none\" stroke=\"%1\" stroke-width=\"%2\" stroke-linecap=\"round\" "
                          "stroke-linejoin=\"round\">\n")
               .arg(Glyph.name(), svgNumber(StrokeWidth));
    for (const QPolygonF &stroke : glyphStrokes())
        svg += QStringLiteral("    <polyline points=\"%1\"/>\n").arg(svgPoints(stroke));
    svg += QStringLiteral("  </g>\n</svg>\n");
    return svg;
}

QIcon icons::windowIcon()
{
    QIcon icon;
    for (int size : windowIconSizes())
        icon.addPixmap(QPixmap::fromImage(windowIconImage(size)));
    return icon;
}
