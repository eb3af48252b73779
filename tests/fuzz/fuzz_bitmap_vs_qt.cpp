// The clipboard bitmap decoder against Qt's BMP reader: uncompressed bitmaps of 1, 4, 8, 16, 24
// and 32 bits a pixel, with colour tables of any length for the first three, bit fields (5-6-5
// and 5-5-5, and 8-8-8 in a 32-bit pixel) for the last two, 40-, 108- and 124-byte headers and
// rows either way up, read to the same colours wherever both read them.

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
    const int bits = std::array{24, 32, 1, 4, 8, 16}[size_t(in.byte() % 6)];
    const int header = std::array{40, 108, 124}[size_t(in.byte() % 3)];
    const int colours = bits <= 8 ? in.byte() % (1 + (1 << bits)) : in.byte() % 5;
    // Bit fields: none, or 5-6-5 (16 bits) and 8-8-8 (32 bits), or 5-5-5 (16 bits).
    const int fields = bits == 16 || bits == 32 ? in.byte() % 3 : 0;
    const std::array<quint32, 3> masks =
        bits == 32    ? std::array<quint32, 3>{0xff0000u, 0xff00u, 0xffu}
        : fields == 1 ? std::array<quint32, 3>{0xf800u, 0x07e0u, 0x001fu}
                      : std::array<quint32, 3>{0x7c00u, 0x03e0u, 0x001fu};

    QByteArray dib;
    put(dib, quint32(header));
    put(dib, quint32(width));
    put(dib, quint32(topDown ? -height : height));
    put(dib, 1, 2);
    put(dib, quint32(bits), 2);
    put(dib, fields ? 3 : 0); // bit fields, or uncompressed
    put(dib, 0);
    put(dib, 2835);
    put(dib, 2835);
    put(dib, quint32(colours));
    put(dib, 0);
    if (header > 40) {
        // The masks, no alpha, and the sRGB colour space.
        for (quint32 mask : {masks[0], masks[1], masks[2], 0u, 0x73524742u})
            put(dib, mask);
        dib.append(QByteArray(header - dib.size(), '\0'));
    } else if (fields) {
        for (quint32 mask : masks) // after the header, as the clipboard's bitmaps have them
            put(dib, mask);
    }
    const int masksAfter = header == 40 && fields ? 12 : 0;
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
    put(bmp, quint32(14 + header + masksAfter + 4 * colours));
    bmp.append(dib);

    const QImage ours = decodeDeviceBitmap(dib);
    const QImage theirs = QImage::fromData(bmp, "BMP");
    if (ours.isNull() || theirs.isNull())
        return 0;
    if (ours.size() != theirs.size())
        std::abort();
    // A channel of fewer than 8 bits is widened by repeating its bits, as Windows shows it;
    // Qt shifts it up: the two differ by less than one step of the channel.
    const int tolerance = bits == 16 ? 8 : 0;
    const auto near = [tolerance](int a, int b) { return std::abs(a - b) <= tolerance; };
    for (int y = 0; y < ours.height(); ++y)
        for (int x = 0; x < ours.width(); ++x) {
            const QRgb a = ours.pixel(x, y), b = theirs.pixel(x, y);
            if (!near(qRed(a), qRed(b)) || !near(qGreen(a), qGreen(b)) || !near(qBlue(a), qBlue(b)))
                std::abort();
        }
    return 0;
}
