#include "test_images.h"

#include <QBuffer>
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

QByteArray pngBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
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
