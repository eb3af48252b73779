#pragma once

#include <QImage>
#include <QString>

namespace corvantile::test {

// A screenshot whose every pixel has its own colour, worked out from its position, so that a
// copy from the wrong place shows up at once: red = x mod 251, green = y mod 241,
// blue = (x + 3 y) mod 239.
QImage patternImage(int width, int height);
QRgb patternPixel(int x, int y);

// A screenshot of a busy desktop, the same for the same seed: a gradient wallpaper and about
// 25 windows over it, with lines of text, flat panels and buttons, and photo-like pictures.
QImage desktopLike(int width, int height, int seed);

// The same picture encoded as PNG (or another format), as another program would put it on the
// clipboard.
QByteArray pngBytes(const QImage &image, const char *format = "PNG");

// The picture as a GIF of at most 256 colours, whole: every block up to the trailer.
QByteArray gifBytes(const QImage &image);

// The definition of a region of a screenshot, every pixel sampled, worked out from the
// picture's own pixels: the header quotes the corner as typed (by default as a drag writes
// it), a pixel is kept when its red is at least redFrom, and a pixel outside the picture reads
// as the colour value -1 does.
QByteArray expectedDefinition(const QImage &shot, const QRect &region, QByteArray corner = {},
                              int redFrom = 0);

} // namespace corvantile::test
