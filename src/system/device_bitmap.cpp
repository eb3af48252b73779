#include "device_bitmap.h"

#include "picture_limit.h"

#include <QtEndian>
#include <array>
#include <bit>
#include <limits>

namespace corvantile {
namespace {

constexpr quint32 rgbFormat = 0;      // BI_RGB
constexpr quint32 bitFields = 3;      // BI_BITFIELDS
constexpr quint32 alphaBitFields = 6; // BI_ALPHABITFIELDS
constexpr qsizetype infoHeaderSize = 40;

// A little-endian number of `size` bytes at a place the caller has checked.
quint32 number(const QByteArray &bytes, qsizetype at, int size = 4)
{
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | quint8(bytes.at(at + i));
    return value;
}

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
    if (dib.size() < infoHeaderSize)
        return {};
    const quint32 headerSize = number(dib, 0);
    const qint32 width = qint32(number(dib, 4));
    const qint32 signedHeight = qint32(number(dib, 8));
    const int bitCount = int(number(dib, 14, 2));
    const quint32 compression = number(dib, 16);
    const quint32 coloursUsed = number(dib, 32);
    if (headerSize < infoHeaderSize || headerSize > quint32(dib.size()) || width <= 0 ||
        signedHeight == 0 || signedHeight == std::numeric_limits<qint32>::min())
        return {};
    const bool topDown = signedHeight < 0;
    const qint64 height = topDown ? -qint64(signedHeight) : signedHeight;

    // The masks: in the header from its 52-byte form on, else right after a 40-byte one.
    qsizetype at = headerSize;
    std::array<quint32, 3> masks{};
    const bool masked = compression == bitFields || compression == alphaBitFields;
    if (masked) {
        const qsizetype masksAt = headerSize >= 52 ? 40 : at;
        if (masksAt + 12 > dib.size())
            return {};
        for (int i = 0; i < 3; ++i)
            masks[size_t(i)] = number(dib, masksAt + 4 * i);
        if (headerSize < 52)
            at += compression == alphaBitFields ? 16 : 12;
    } else if (compression != rgbFormat) {
        return {}; // run-length or embedded compression: not a screenshot's bitmap
    } else if (bitCount == 16) {
        masks = {0x7c00, 0x03e0, 0x001f}; // 5-5-5
    } else if (bitCount == 24 || bitCount == 32) {
        masks = {0xff0000, 0x00ff00, 0x0000ff};
    }
    if (masked && bitCount != 16 && bitCount != 32)
        return {};

    // The colour table of a bitmap of 8 bits a pixel or fewer.
    QList<QRgb> palette;
    if (bitCount == 1 || bitCount == 4 || bitCount == 8) {
        const quint32 entries = coloursUsed ? coloursUsed : 1u << bitCount;
        if (entries > 256u || at + 4 * qsizetype(entries) > dib.size())
            return {};
        for (quint32 i = 0; i < entries; ++i)
            palette << (0xff000000u | (number(dib, at + 4 * i) & 0xffffff));
        at += 4 * qsizetype(entries);
    } else if (bitCount != 16 && bitCount != 24 && bitCount != 32) {
        return {};
    }

    const qint64 stride = (qint64(width) * bitCount + 31) / 32 * 4;
    if (at + stride * height > dib.size() || !fitsPictureLimit(width, height))
        return {};
    QImage image(width, int(height), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
    for (int y = 0; y < height; ++y) {
        const auto *row = reinterpret_cast<const uchar *>(dib.constData()) + at +
                          stride * (topDown ? y : height - 1 - y);
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if (!palette.isEmpty()) {
                const int perByte = 8 / bitCount;
                const int index = (row[x / perByte] >> (8 - bitCount * (x % perByte + 1))) &
                                  ((1 << bitCount) - 1);
                out[x] = index < palette.size() ? palette[index] : qRgb(0, 0, 0);
                continue;
            }
            const uchar *p = row + qint64(x) * (bitCount / 8);
            const quint32 pixel = bitCount == 16   ? qFromLittleEndian<quint16>(p)
                                  : bitCount == 24 ? quint32(p[0] | p[1] << 8 | p[2] << 16)
                                                   : qFromLittleEndian<quint32>(p);
            out[x] = qRgb(red.of(pixel), green.of(pixel), blue.of(pixel));
        }
    }
    return image;
}

} // namespace corvantile
