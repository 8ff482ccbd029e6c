#include "controlcenter/treeimages.h"

#include <QPainter>
#include <QPixmap>

#include <functional>

namespace ferry::treeimages {

namespace {

QIcon draw(int size, const std::function<void(QPainter &)> &paint)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    paint(painter);
    painter.end();
    return QIcon(pixmap);
}

void folder(QPainter &p, const QColor &colour)
{
    p.setBrush(colour);
    p.drawRect(1, 4, 13, 9);
    p.drawRect(1, 2, 5, 2);
}

void person(QPainter &p, const QColor &colour)
{
    p.setBrush(colour);
    p.drawEllipse(5, 1, 5, 5);
    p.drawRoundedRect(3, 7, 9, 7, 2, 2);
}

} // namespace

QList<QIcon> imageList()
{
    return {
        draw(kSize, [](QPainter &p) { folder(p, QColor(0xC0, 0xC0, 0x00)); }),
        draw(kSize, [](QPainter &p) { folder(p, QColor(0xFF, 0xFF, 0x00)); }),
        draw(kSize, [](QPainter &p) {
            // A tower with its status light.
            p.setBrush(QColor(0xC0, 0xC0, 0xC0));
            p.drawRect(4, 1, 8, 13);
            p.setBrush(QColor(0x00, 0xFF, 0x00));
            p.drawRect(6, 3, 2, 2);
        }),
        draw(kSize, [](QPainter &p) { person(p, QColor(0x00, 0x80, 0xFF)); }),
        draw(kSize, [](QPainter &p) { person(p, QColor(0xFF, 0x00, 0x00)); }),
        draw(kSize, [](QPainter &p) {
            // A joystick for a group of players running one game.
            p.setBrush(QColor(0x80, 0x00, 0x80));
            p.drawRect(2, 10, 12, 4);
            p.drawLine(8, 10, 8, 4);
            p.setBrush(QColor(0xFF, 0x00, 0x00));
            p.drawEllipse(6, 1, 4, 4);
        }),
    };
}

} // namespace ferry::treeimages
