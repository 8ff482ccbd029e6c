// splashart: draws the splash pictures of both programs as 8-bit DIB files.
//
//   splashart tavern <file>   the chat client's picture ("The Hearthside 97")
//   splashart lanway <dir>    the control center's picture <dir>/174 (300x232)
//                             and its status strip <dir>/187 (300x20)
//   splashart icons <dir>     the program icons <dir>/tavern97.png and
//                             <dir>/ferrycc.png (64x64, for windows and menus)
//
// Each picture is painted in true colour, then reduced to its own 256-colour
// palette of ramps with error diffusion and written with CDIB.

#include "common/dib.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <cmath>

namespace {

// count colours stepping evenly through the key colours.
QList<QRgb> ramp(const QList<QColor> &keys, int count)
{
    QList<QRgb> out;
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / (count - 1) * (keys.size() - 1);
        const int k = std::min(int(t), int(keys.size()) - 2);
        const double f = t - k;
        const QColor &a = keys[k], &b = keys[k + 1];
        out.append(qRgb(int(a.red() + (b.red() - a.red()) * f), int(a.green() + (b.green() - a.green()) * f),
                        int(a.blue() + (b.blue() - a.blue()) * f)));
    }
    return out;
}

bool writeDib(const QImage &art, const QList<QRgb> &palette, const QString &path)
{
    CDIB dib;
    const QImage indexed = art.convertToFormat(QImage::Format_Indexed8, palette, Qt::DiffuseDither);
    if (!dib.fromImage(indexed))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && dib.save(file);
}

void drawCentredText(QPainter &p, const QRect &box, const QFont &font, const QString &text,
                     const QColor &fill, const QColor &shadow)
{
    p.setFont(font);
    p.setPen(shadow);
    p.drawText(box.translated(2, 2), Qt::AlignCenter, text);
    p.setPen(fill);
    p.drawText(box, Qt::AlignCenter, text);
}

// A canvas filled with a vertical gradient from top to bottom.
QImage gradientCanvas(int width, int height, const QColor &top, const QColor &bottom)
{
    QImage art(width, height, QImage::Format_RGB32);
    QPainter p(&art);
    QLinearGradient fill(0, 0, 0, height);
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.fillRect(art.rect(), fill);
    return art;
}

// A warm hearth: a stone arch with a fire glowing inside it under the title.
QImage drawTavern()
{
    QImage art = gradientCanvas(360, 220, QColor(0x1c, 0x0c, 0x06), QColor(0x4a, 0x22, 0x0e));
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing);

    // Stones of the chimney breast.
    p.setPen(QPen(QColor(0x12, 0x08, 0x04), 2));
    for (int row = 0; row < 12; ++row) {
        const int y = 80 + row * 14;
        p.drawLine(110, y, 250, y);
        for (int x = 110 + (row % 2) * 17; x < 250; x += 34)
            p.drawLine(x, y, x, y + 14);
    }
    QPainterPath arch;
    arch.moveTo(135, 220);
    arch.lineTo(135, 160);
    arch.arcTo(135, 120, 90, 80, 180, -180);
    arch.lineTo(225, 220);
    arch.closeSubpath();
    p.fillPath(arch, QColor(0x08, 0x03, 0x01));

    QRadialGradient glow(180, 215, 70);
    glow.setColorAt(0, QColor(0xff, 0xf0, 0xb0));
    glow.setColorAt(0.3, QColor(0xff, 0xa0, 0x30));
    glow.setColorAt(0.7, QColor(0xa0, 0x40, 0x10, 160));
    glow.setColorAt(1, QColor(0x30, 0x10, 0x04, 0));
    p.fillPath(arch, glow);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 5; ++i) {
        QPainterPath flame;
        const double x = 150 + i * 15, h = 30 + 12 * std::sin(i * 1.7 + 1);
        flame.moveTo(x - 9, 214);
        flame.cubicTo(x - 10, 214 - h * 0.6, x + 2, 214 - h * 0.8, x, 214 - h);
        flame.cubicTo(x + 6, 214 - h * 0.6, x + 12, 214 - h * 0.4, x + 9, 214);
        flame.closeSubpath();
        p.fillPath(flame, QColor(0xff, 0xc8, 0x50, 200));
    }

    QFont title(QStringLiteral("DejaVu Serif"), 28, QFont::Bold);
    title.setPixelSize(34);
    drawCentredText(p, QRect(0, 14, art.width(), 44), title, QStringLiteral("The Hearthside 97"),
                    QColor(0xff, 0xe8, 0xb8), QColor(0x08, 0x03, 0x01));
    p.setPen(QPen(QColor(0xe0, 0x8a, 0x2a), 2));
    p.drawLine(60, 64, 300, 64);
    return art;
}

QList<QRgb> tavernPalette()
{
    return ramp({QColor(0, 0, 0), QColor(0x2a, 0x12, 0x08), QColor(0x5a, 0x2a, 0x10), QColor(0xa0, 0x50, 0x1a),
                 QColor(0xe0, 0x8a, 0x2a), QColor(0xff, 0xc8, 0x60), QColor(0xff, 0xf0, 0xc8), QColor(255, 255, 255)},
                256);
}

// Night-blue sky over a ring of linked machines, the network the suite joins.
QImage drawLanway()
{
    QImage art = gradientCanvas(300, 232, QColor(0x02, 0x06, 0x18), QColor(0x10, 0x2c, 0x66));
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing);

    const QPointF centre(150, 150);
    p.setPen(QPen(QColor(0x2a, 0x70, 0xc0, 120), 1));
    p.setBrush(Qt::NoBrush);
    for (int r = 30; r <= 90; r += 30)
        p.drawEllipse(centre, r * 1.4, r * 0.6);

    QList<QPointF> nodes;
    for (int i = 0; i < 9; ++i) {
        const double a = i * 2 * M_PI / 9 + 0.3;
        nodes.append(centre + QPointF(std::cos(a) * 120, std::sin(a) * 52));
    }
    p.setPen(QPen(QColor(0x50, 0xb0, 0xe0), 1.5));
    for (int i = 0; i < nodes.size(); ++i) {
        p.drawLine(nodes[i], nodes[(i + 1) % nodes.size()]);
        p.drawLine(nodes[i], nodes[(i + 4) % nodes.size()]);
    }
    p.setPen(QPen(QColor(0xa0, 0xe8, 0xff), 1));
    for (const QPointF &n : nodes) {
        QRadialGradient light(n, 9);
        light.setColorAt(0, QColor(0xd0, 0xff, 0xd8));
        light.setColorAt(1, QColor(0x20, 0xa0, 0x50));
        p.setBrush(light);
        p.drawEllipse(n, 7, 7);
    }

    QFont title(QStringLiteral("DejaVu Sans"), 30, QFont::Bold);
    title.setPixelSize(44);
    drawCentredText(p, QRect(0, 12, art.width(), 56), title, QStringLiteral("Lanway98"),
                    QColor(0xf0, 0xfa, 0xff), QColor(0x00, 0x00, 0x10));
    return art;
}

QImage drawLanwayStrip()
{
    QImage art = gradientCanvas(300, 20, QColor(0x2a, 0x70, 0xc0), QColor(0x0a, 0x1a, 0x40));
    QPainter p(&art);
    p.setPen(QColor(0xa0, 0xe8, 0xff));
    p.drawLine(0, 0, art.width(), 0);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    drawCentredText(p, art.rect(), font, QStringLiteral("Control Center"), QColor(255, 255, 255), QColor(0, 0, 0x20));
    return art;
}

QList<QRgb> lanwayPalette()
{
    QList<QRgb> palette = ramp({QColor(0, 0, 0x10), QColor(0x0a, 0x1a, 0x40), QColor(0x1a, 0x3a, 0x80),
                                QColor(0x2a, 0x70, 0xc0), QColor(0x50, 0xb0, 0xe0), QColor(0xa0, 0xe8, 0xff),
                                QColor(255, 255, 255)},
                               200);
    palette += ramp({QColor(0x00, 0x30, 0x10), QColor(0x20, 0xa0, 0x50), QColor(0xd0, 0xff, 0xd8)}, 56);
    return palette;
}

// The chat client's program icon: a fire in a stone hearth.
QImage drawTavernIcon(int size)
{
    QImage art(size, size, QImage::Format_ARGB32);
    art.fill(Qt::transparent);
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(QPen(QColor(0x30, 0x14, 0x06), 2));
    p.setBrush(QColor(0x8a, 0x5a, 0x3a));
    p.drawRoundedRect(QRectF(3, 3, 58, 58), 10, 10);
    QPainterPath arch;
    arch.moveTo(16, 58);
    arch.lineTo(16, 34);
    arch.arcTo(16, 14, 32, 36, 180, -180);
    arch.lineTo(48, 58);
    arch.closeSubpath();
    p.fillPath(arch, QColor(0x18, 0x08, 0x02));
    QRadialGradient glow(32, 56, 24);
    glow.setColorAt(0, QColor(0xff, 0xf0, 0xb0));
    glow.setColorAt(0.4, QColor(0xff, 0x90, 0x20));
    glow.setColorAt(1, QColor(0x60, 0x18, 0x04, 0));
    p.fillPath(arch, glow);
    QPainterPath flame;
    flame.moveTo(24, 56);
    flame.cubicTo(20, 44, 30, 38, 32, 26);
    flame.cubicTo(36, 38, 46, 44, 40, 56);
    flame.closeSubpath();
    p.fillPath(flame, QColor(0xff, 0xc8, 0x40, 230));
    return art;
}

// The control center's program icon: a ferry on the water.
QImage drawLanwayIcon(int size)
{
    QImage art(size, size, QImage::Format_ARGB32);
    art.fill(Qt::transparent);
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    QLinearGradient sky(0, 0, 0, 64);
    sky.setColorAt(0, QColor(0x90, 0xc8, 0xff));
    sky.setColorAt(1, QColor(0x20, 0x50, 0xb0));
    p.setPen(QPen(QColor(0x00, 0x20, 0x60), 2));
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(3, 3, 58, 58), 10, 10);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x00, 0x00, 0x80));
    p.drawRect(QRectF(4, 44, 56, 16));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({QPointF(8, 32), QPointF(56, 32), QPointF(48, 46), QPointF(16, 46)}));
    p.setBrush(QColor(0xe0, 0x10, 0x10));
    p.drawRect(QRectF(22, 18, 18, 14));
    p.drawRect(QRectF(28, 8, 6, 10));
    return art;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() == 3 && args[1] == QLatin1String("tavern")) {
        if (writeDib(drawTavern(), tavernPalette(), args[2]))
            return 0;
    } else if (args.size() == 3 && args[1] == QLatin1String("lanway")) {
        const QDir dir(args[2]);
        const QList<QRgb> palette = lanwayPalette();
        if (writeDib(drawLanway(), palette, dir.filePath(QStringLiteral("174")))
            && writeDib(drawLanwayStrip(), palette, dir.filePath(QStringLiteral("187"))))
            return 0;
    } else if (args.size() == 3 && args[1] == QLatin1String("icons")) {
        const QDir dir(args[2]);
        if (drawTavernIcon(64).save(dir.filePath(QStringLiteral("tavern97.png")))
            && drawLanwayIcon(64).save(dir.filePath(QStringLiteral("ferrycc.png"))))
            return 0;
    } else {
        err << "usage: splashart tavern <file> | splashart lanway <dir> | splashart icons <dir>\n";
        return 2;
    }
    err << "splashart: cannot write the pictures\n";
    return 1;
}
