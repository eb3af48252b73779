// The decoder of Windows' clipboard bitmaps on any bytes: a bitmap it reads has the size its
// header declares, and every pixel is opaque.

#define CORVANTILE_FUZZ_PICTURE_LIMIT
#include "fuzz_input.h"
#include "system/device_bitmap.h"
#include "system/dib_layout.h"

#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <cstdlib>

using namespace corvantile;
using corvantile::fuzz::Reader;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray dib(reinterpret_cast<const char *>(data), qsizetype(size));
    const QImage image = decodeDeviceBitmap(dib);
    if (image.isNull())
        return 0;
    const auto layout = readDibLayout(reinterpret_cast<const uchar *>(dib.constData()), dib.size());
    if (!layout || image.width() != layout->width || image.height() != layout->height ||
        image.format() != QImage::Format_RGB32)
        std::abort();
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(row[x]) != 255)
                std::abort();
    }
    return 0;
}
