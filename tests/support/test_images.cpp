#include "test_images.h"

#include <QBuffer>

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

} // namespace corvantile::test
