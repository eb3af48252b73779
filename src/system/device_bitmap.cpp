#include "device_bitmap.h"

#include "dib_layout.h"

#include <QtEndian>
#include <bit>

namespace corvantile {
namespace {

// One colour channel of a pixel under its mask, widened to 8 bits as GDI does: the channel's
// bits repeated, so that the brightest value of any width is 255.
struct Channel
{
    int shift = 0;
    int bits = 0;

    explicit Channel(quint32 mask = 0)
    {
        if (mask == 0)
            return;
        shift = std::countr_zero(mask);
        bits = std::popcount(mask >> shift);
    }
    int of(quint32 pixel) const
    {
        if (bits == 0)
            return 0;
        const quint32 value = (pixel >> shift) & ((quint64(1) << bits) - 1);
        if (bits >= 8)
            return int(value >> (bits - 8));
        quint32 widened = 0;
        int have = 0;
        for (; have < 8; have += bits)
            widened = widened << bits | value;
        return int(widened >> (have - 8));
    }
};

} // namespace

QImage decodeDeviceBitmap(const QByteArray &dib)
{
    const auto *bytes = reinterpret_cast<const uchar *>(dib.constData());
    const std::optional<DibLayout> layout = readDibLayout(bytes, dib.size());
    // Run-length rows and the oldest header are not a clipboard screenshot's; a bitmap whose
    // rows are not all there is cut short.
    if (!layout || layout->headerSize < 40 || layout->compression == DibLayout::runLength8 ||
        layout->compression == DibLayout::runLength4 ||
        layout->pixelsAt + layout->pixelBytes > dib.size())
        return {};
    const int bitCount = layout->bitCount;
    const qint64 width = layout->width;
    const qint64 height = layout->height;

    QList<QRgb> palette;
    if (bitCount <= 8)
        for (qint64 i = 0; i < layout->paletteEntries; ++i)
            palette << (0xff000000u | (littleEndian(bytes + layout->paletteAt + 4 * i) & 0xffffff));

    QImage image(int(width), int(height), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const Channel red(layout->masks[0]), green(layout->masks[1]), blue(layout->masks[2]);
    for (qint64 y = 0; y < height; ++y) {
        const uchar *row =
            bytes + layout->pixelsAt + layout->stride * (layout->topDown ? y : height - 1 - y);
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(int(y)));
        for (qint64 x = 0; x < width; ++x) {
            if (bitCount <= 8) {
                const int perByte = 8 / bitCount;
                const int index = (row[x / perByte] >> (8 - bitCount * (x % perByte + 1))) &
                                  ((1 << bitCount) - 1);
                out[x] = index < palette.size() ? palette[index] : qRgb(0, 0, 0);
                continue;
            }
            const uchar *p = row + x * (bitCount / 8);
            const quint32 pixel = bitCount == 16   ? qFromLittleEndian<quint16>(p)
                                  : bitCount == 24 ? quint32(p[0] | p[1] << 8 | p[2] << 16)
                                                   : qFromLittleEndian<quint32>(p);
            out[x] = qRgb(red.of(pixel), green.of(pixel), blue.of(pixel));
        }
    }
    return image;
}

QImage decodeClipboardBitmap(const QByteArray &dib)
{
    if (QImage image = decodeDeviceBitmap(dib); !image.isNull())
        return image;
    const auto *bytes = reinterpret_cast<const uchar *>(dib.constData());
    const std::optional<DibLayout> layout = readDibLayout(bytes, dib.size());
    if (!layout || !layout->runLength() || layout->pixelsAt > dib.size() ||
        !runLengthComplete(bytes + layout->pixelsAt, dib.size() - layout->pixelsAt, *layout))
        return {};
    // A BMP file is the bitmap behind a file header: "BM", the file's size, two reserved
    // words, and where the rows begin.
    QByteArray file("BM");
    const auto put32 = [&file](qint64 value) {
        for (int i = 0; i < 4; ++i)
            file.append(char((value >> (8 * i)) & 0xff));
    };
    put32(14 + dib.size());
    put32(0);
    put32(14 + layout->pixelsAt);
    return QImage::fromData(file + dib, "BMP");
}

} // namespace corvantile
