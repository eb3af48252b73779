#include "test_images.h"

#include <QBuffer>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QRect>
#include <algorithm>

namespace corvantile::test {

QRgb patternPixel(int x, int y)
{
    return qRgb(x % 251, y % 241, (x + 3 * y) % 239);
}

QImage patternImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = patternPixel(x, y);
    }
    return image;
}

QImage desktopLike(int width, int height, int seed)
{
    QRandomGenerator random{quint32(seed)};
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient wallpaper(0, 0, width, height);
    wallpaper.setColorAt(0, QColor::fromHsv(seed * 47 % 360, 140, 220));
    wallpaper.setColorAt(1, QColor::fromHsv((seed * 47 + 120) % 360, 200, 90));
    painter.fillRect(image.rect(), wallpaper);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(8, height / 300));
    painter.setFont(font);
    const int unit = std::max(4, width / 96); // a window's smallest side is a few units
    for (int w = 0; w < 25; ++w) {
        const QRect window(random.bounded(width), random.bounded(height),
                           unit * (6 + random.bounded(30)), unit * (5 + random.bounded(20)));
        painter.fillRect(window, QColor(236, 236, 236));
        painter.fillRect(window.x(), window.y(), window.width(), unit / 2 + 4,
                         QColor::fromHsv(random.bounded(360), 120, 160));
        const QRect inside = window.adjusted(unit / 4, unit, -unit / 4, -unit / 4);
        switch (w % 3) {
        case 0: // a text window
            painter.setPen(Qt::black);
            for (int y = inside.top() + font.pixelSize(); y < inside.bottom();
                 y += font.pixelSize() * 3 / 2)
                painter.drawText(inside.left(), y,
                                 QStringLiteral("%1 = %2; // line %3")
                                     .arg(random.bounded(100000))
                                     .arg(random.bounded(1000))
                                     .arg(y));
            break;
        case 1: { // a photo: smooth shapes with grain
            QImage photo(inside.size().boundedTo(QSize(width, height)), QImage::Format_RGB32);
            for (int y = 0; y < photo.height(); ++y) {
                auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
                for (int x = 0; x < photo.width(); ++x) {
                    const int grain = int(random.bounded(24));
                    line[x] =
                        qRgb((x * 3 + grain) % 256, (y * 2 + grain) % 256, (x + y + grain) % 256);
                }
            }
            painter.drawImage(inside.topLeft(), photo);
            break;
        }
        default: // panels and buttons
            for (int b = 0; b < 6; ++b)
                painter.fillRect(inside.x() + b * unit, inside.y(), unit - 2, unit / 2,
                                 QColor::fromHsv(b * 60, 60, 230));
            break;
        }
    }
    return image;
}

QByteArray pngBytes(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// Each pixel is written as a code of its own, and the table of codes is cleared before it
// would need codes of ten bits: a GIF any reader reads, with no compression to write.
QByteArray gifBytes(const QImage &image)
{
    const QImage indexed = image.convertToFormat(QImage::Format_Indexed8, Qt::AvoidDither);
    QList<QRgb> colours = indexed.colorTable();
    colours.resize(256, qRgb(0, 0, 0));
    QByteArray gif("GIF89a");
    const auto put16 = [&gif](int value) {
        gif.append(char(value & 0xff));
        gif.append(char(value >> 8));
    };
    put16(image.width());
    put16(image.height());
    gif.append("\xf7\x00\x00", 3); // a table of 256 colours, background 0
    for (const QRgb c : colours)
        for (const int channel : {qRed(c), qGreen(c), qBlue(c)})
            gif.append(char(channel));
    gif.append(',');
    put16(0);
    put16(0);
    put16(image.width());
    put16(image.height());
    gif.append("\x00\x08", 2); // no table of its own; codes start at eight bits
    QByteArray codes;
    quint32 bits = 0;
    int held = 0;
    const auto put = [&](int code) {
        bits |= quint32(code) << held;
        for (held += 9; held >= 8; held -= 8, bits >>= 8)
            codes.append(char(bits & 0xff));
    };
    int sinceClear = 0;
    for (int y = 0; y < indexed.height(); ++y)
        for (int x = 0; x < indexed.width(); ++x) {
            if (sinceClear++ % 250 == 0)
                put(256);
            put(indexed.pixelIndex(x, y));
        }
    put(257);
    if (held > 0)
        codes.append(char(bits & 0xff));
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        gif.append(char(block.size()));
        gif.append(block);
    }
    gif.append("\x00;", 2);
    return gif;
}

QByteArray expectedDefinition(const QImage &shot, const QRect &region, QByteArray corner,
                              int redFrom)
{
    if (corner.isEmpty())
        corner = QByteArray::number(region.x()) + ", " + QByteArray::number(region.y());
    QByteArray text = ":Object MappedObject   // Test at coords " + corner + "\r\n";
    for (int y = 0; y < region.height(); ++y) {
        QByteArrayList entries;
        for (int x = 0; x < region.width(); ++x) {
            const QPoint at = region.topLeft() + QPoint(x, y);
            const QRgb p = shot.valid(at) ? shot.pixel(at) : qRgb(255, 0, 0); // outside: -1
            const int peak = std::max({qRed(p), qGreen(p), qBlue(p)});
            if (peak > 0 && qRed(p) >= redFrom)
                entries << QByteArray::number(peak) + '=' + QByteArray::number(x) + ',' +
                               QByteArray::number(y);
        }
        if (!entries.isEmpty())
            text += entries.join('|') + "\r\n";
    }
    return text + ":End Object ";
}

} // namespace corvantile::test
