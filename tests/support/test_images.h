#pragma once

#include <QImage>
#include <QString>

namespace corvantile::test {

// A screenshot whose every pixel has its own colour, worked out from its position, so that a
// copy from the wrong place shows up at once: red = x mod 251, green = y mod 241,
// blue = (x + 3 y) mod 239.
QImage patternImage(int width, int height);
QRgb patternPixel(int x, int y);

// The same picture encoded as PNG, as another program would put it on the clipboard.
QByteArray pngBytes(const QImage &image);

} // namespace corvantile::test
