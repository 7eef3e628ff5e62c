#include "app/qt/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace app {

namespace {

// An icon from one drawing made on a 32 x 32 grid and scaled to each size.
QIcon DrawIcon(const std::function<void(QPainter&)>& draw) {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 32.0, size / 32.0);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

QIcon ProgramIcon() {
    return DrawIcon([](QPainter& p) {
        // The panel: a dark frame around a blue glass.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 44, 52));
        p.drawRoundedRect(QRectF(1, 3, 30, 26), 4, 4);
        p.setBrush(QColor(32, 96, 176));
        p.drawRoundedRect(QRectF(4, 6, 24, 20), 2, 2);
        // The sensor grid.
        p.setPen(QPen(QColor(120, 170, 230), 1));
        for (int x = 9; x <= 23; x += 7) p.drawLine(QPointF(x, 7), QPointF(x, 25));
        for (int y = 11; y <= 21; y += 5) p.drawLine(QPointF(5, y), QPointF(27, y));
        // The touch point with its ripple.
        p.setPen(QPen(QColor(255, 255, 255), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(19, 16), 6, 6);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255));
        p.drawEllipse(QPointF(19, 16), 3, 3);
    });
}

QIcon UpgradeIcon() {
    return DrawIcon([](QPainter& p) {
        // The chip with its pins.
        p.setPen(QPen(QColor(90, 90, 90), 2));
        for (int x = 9; x <= 23; x += 4) p.drawLine(QPointF(x, 19), QPointF(x, 31));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(50, 50, 56));
        p.drawRoundedRect(QRectF(6, 21, 20, 8), 1.5, 1.5);
        // The rising arrow.
        QPainterPath arrow;
        arrow.moveTo(16, 1);
        arrow.lineTo(28, 13);
        arrow.lineTo(21, 13);
        arrow.lineTo(21, 22);
        arrow.lineTo(11, 22);
        arrow.lineTo(11, 13);
        arrow.lineTo(4, 13);
        arrow.closeSubpath();
        p.setPen(QPen(QColor(20, 100, 30), 1));
        p.setBrush(QColor(40, 170, 60));
        p.drawPath(arrow);
    });
}

}  // namespace app
