#include "bar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>
#include <initializer_list>

namespace zarn {

namespace {

// Drawn on a 64 x 64 grid.
QIcon Draw(const std::function<void(QPainter&)>& paint) {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 64.0, size / 64.0);
        paint(p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

// A closed outline through the given corners.
QPainterPath Shape(std::initializer_list<QPointF> corners) {
    QPainterPath path;
    auto it = corners.begin();
    path.moveTo(*it);
    for (++it; it != corners.end(); ++it)
        path.lineTo(*it);
    path.closeSubpath();
    return path;
}

QPen Outline(const QColor& c, double width = 4) {
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

} // namespace

QIcon OpenIcon() {
    return Draw([](QPainter& p) {
        // A folder with its lid opening.
        p.setPen(Outline(QColor(0x8a, 0x5a, 0x00)));
        p.setBrush(QColor(0xf2, 0xb6, 0x3c));
        p.drawPath(Shape({{6, 14}, {24, 14}, {30, 20}, {54, 20}, {54, 52}, {6, 52}}));
        p.setBrush(QColor(0xff, 0xd5, 0x6b));
        p.drawPath(Shape({{6, 52}, {16, 28}, {60, 28}, {54, 52}}));
    });
}

QIcon CloseIcon() {
    return Draw([](QPainter& p) {
        // A page with a cross: the open file is put away.
        p.setPen(Outline(QColor(0x44, 0x55, 0x66)));
        p.setBrush(Qt::white);
        p.drawPath(Shape({{12, 6}, {40, 6}, {52, 18}, {52, 58}, {12, 58}}));
        p.setPen(Outline(QColor(0x1f, 0x5f, 0xbf), 6));
        p.drawLine(22, 26, 42, 46);
        p.drawLine(42, 26, 22, 46);
    });
}

QIcon DeleteIcon() {
    return Draw([](QPainter& p) {
        // A waste bin.
        p.setPen(Outline(QColor(0x55, 0x55, 0x55)));
        p.setBrush(QColor(0xd0, 0xd4, 0xd8));
        p.drawPath(Shape({{14, 18}, {50, 18}, {46, 58}, {18, 58}}));
        p.drawRoundedRect(QRectF(9, 11, 46, 7), 2, 2);
        p.drawLine(26, 11, 28, 5);
        p.drawLine(28, 5, 36, 5);
        p.drawLine(36, 5, 38, 11);
        p.setPen(Outline(QColor(0xc0, 0x20, 0x20), 3.5));
        for (int x : {25, 32, 39})
            p.drawLine(x, 26, x, 50);
    });
}

QIcon ExitIcon() {
    return Draw([](QPainter& p) {
        // The power symbol on a red disc.
        p.setPen(Outline(QColor(0x80, 0x10, 0x10), 3));
        p.setBrush(QColor(0xd9, 0x35, 0x35));
        p.drawEllipse(QRectF(4, 4, 56, 56));
        p.setPen(Outline(Qt::white, 6));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(18, 18, 28, 28), 60 * 16, -300 * 16);
        p.drawLine(32, 14, 32, 32);
    });
}

} // namespace zarn
