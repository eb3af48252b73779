// The clipboard bitmap decoder against Qt's BMP reader: uncompressed bitmaps of 24 and 32 bits
// a pixel, with 40-, 108- and 124-byte headers, rows either way up and any colour table, read
// to the same colours wherever both read them.

#define CORVANTILE_FUZZ_PICTURE_LIMIT
#include "fuzz_input.h"
#include "system/device_bitmap.h"

#include <QByteArray>
#include <QImage>
#include <QtEndian>
#include <array>
#include <cstdint>
#include <cstdlib>

using namespace corvantile;
using corvantile::fuzz::Reader;

namespace {

void put(QByteArray &bytes, quint32 value, int size = 4)
{
    for (int i = 0; i < size; ++i)
        bytes.append(char(value >> (8 * i)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Reader in{data, size};
    const int width = 1 + in.byte() % 40;
    const int height = 1 + in.byte() % 40;
    const bool topDown = in.byte() % 2;
    const int bits = in.byte() % 2 ? 32 : 24;
    const int header = std::array{40, 108, 124}[size_t(in.byte() % 3)];
    const int colours = in.byte() % 5;

    QByteArray dib;
    put(dib, quint32(header));
    put(dib, quint32(width));
    put(dib, quint32(topDown ? -height : height));
    put(dib, 1, 2);
    put(dib, quint32(bits), 2);
    put(dib, 0); // uncompressed
    put(dib, 0);
    put(dib, 2835);
    put(dib, 2835);
    put(dib, quint32(colours));
    put(dib, 0);
    if (header > 40) {
        // The masks as Windows writes them, no alpha, and the sRGB colour space.
        for (quint32 mask : {0xff0000u, 0xff00u, 0xffu, 0u, 0x73524742u})
            put(dib, mask);
        dib.append(QByteArray(header - dib.size(), '\0'));
    }
    for (int i = 0; i < 4 * colours; ++i)
        dib.append(char(in.byte()));
    const int stride = (width * bits + 31) / 32 * 4;
    const size_t pixelsFrom = in.at;
    for (int i = 0; i < stride * height; ++i)
        dib.append(
            char(size > pixelsFrom ? data[pixelsFrom + size_t(i) % (size - pixelsFrom)] : 0));

    QByteArray bmp("BM", 2);
    put(bmp, quint32(14 + dib.size()));
    put(bmp, 0);
    put(bmp, quint32(14 + header + 4 * colours));
    bmp.append(dib);

    const QImage ours = decodeDeviceBitmap(dib);
    const QImage theirs = QImage::fromData(bmp, "BMP");
    if (ours.isNull() || theirs.isNull())
        return 0;
    if (ours.size() != theirs.size())
        std::abort();
    for (int y = 0; y < ours.height(); ++y)
        for (int x = 0; x < ours.width(); ++x)
            if ((ours.pixel(x, y) & 0xffffff) != (theirs.pixel(x, y) & 0xffffff))
                std::abort();
    return 0;
}
