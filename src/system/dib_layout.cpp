#include "dib_layout.h"

#include "picture_limit.h"

#include <limits>

namespace corvantile {
namespace {

// The sides, the depth and the compression, from the oldest 12-byte header or a newer one.
// Gives the size of a colour table's entry: three bytes in the oldest form, else four.
DibRead readFields(const uchar *dib, qint64 size, DibLayout &l, qint64 &entrySize)
{
    if (size < 4)
        return DibRead::NeedMore;
    l.headerSize = littleEndian(dib);
    const bool core = l.headerSize == 12;
    if (!core && (l.headerSize < 40 || l.headerSize > 4096))
        return DibRead::Invalid;
    if (size < (core ? 12 : 40))
        return DibRead::NeedMore;
    entrySize = core ? 3 : 4;
    if (core) {
        l.width = littleEndian(dib + 4, 2);
        l.height = littleEndian(dib + 6, 2);
        l.bitCount = int(littleEndian(dib + 10, 2));
    } else {
        l.width = qint32(littleEndian(dib + 4));
        const qint32 height = qint32(littleEndian(dib + 8));
        if (height == std::numeric_limits<qint32>::min())
            return DibRead::Invalid;
        l.topDown = height < 0;
        l.height = l.topDown ? -qint64(height) : height;
        l.bitCount = int(littleEndian(dib + 14, 2));
        l.compression = littleEndian(dib + 16);
    }
    if (l.width <= 0 || l.height <= 0)
        return DibRead::Invalid;
    const int bits = l.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return DibRead::Invalid;
    return DibRead::Layout;
}

// How the channels are packed: masks given by the header, the fixed ones of an uncompressed
// depth, or run-length rows. `after` moves past masks that follow a 40-byte header.
DibRead readPacking(const uchar *dib, qint64 size, DibLayout &l, qint64 &after)
{
    const int bits = l.bitCount;
    switch (l.compression) {
    case DibLayout::bitFields:
    case DibLayout::alphaBitFields: {
        if (bits != 16 && bits != 32)
            return DibRead::Invalid;
        l.masked = true;
        // In the header from its 52-byte form on, else right after a 40-byte one.
        const qint64 masksAt = l.headerSize >= 52 ? 40 : l.headerSize;
        if (size < masksAt + 12)
            return DibRead::NeedMore;
        for (int i = 0; i < 3; ++i)
            l.masks[size_t(i)] = littleEndian(dib + masksAt + 4 * i);
        if (l.headerSize < 52)
            after += l.compression == DibLayout::alphaBitFields ? 16 : 12;
        return DibRead::Layout;
    }
    case DibLayout::rgb:
        if (bits == 16)
            l.masks = {0x7c00, 0x03e0, 0x001f}; // 5-5-5
        else if (bits > 16)
            l.masks = {0xff0000, 0x00ff00, 0x0000ff};
        return DibRead::Layout;
    case DibLayout::runLength8:
    case DibLayout::runLength4:
        return bits == (l.compression == DibLayout::runLength8 ? 8 : 4) ? DibRead::Layout
                                                                        : DibRead::Invalid;
    default:
        return DibRead::Invalid; // embedded JPEG or PNG, or unknown
    }
}

} // namespace

DibRead readDib(const uchar *dib, qint64 size, DibLayout &out)
{
    DibLayout l;
    qint64 entrySize = 4;
    if (const DibRead read = readFields(dib, size, l, entrySize); read != DibRead::Layout)
        return read;
    qint64 after = l.headerSize; // what follows the header: masks, then the colour table
    if (const DibRead read = readPacking(dib, size, l, after); read != DibRead::Layout)
        return read;

    // The colour table: the palette of a bitmap of 8 bits or fewer, else a hint that is
    // skipped. Its length is the header's count of colours used, or every colour of the depth.
    const int bits = l.bitCount;
    const qint64 used = l.headerSize == 12 ? 0 : littleEndian(dib + 32);
    l.paletteAt = after;
    l.paletteEntries = bits <= 8 ? (used ? used : qint64(1) << bits) : used;
    if (bits <= 8 && l.paletteEntries > 256)
        return DibRead::Invalid;
    l.pixelsAt = after + entrySize * l.paletteEntries;

    if (!fitsPictureLimit(l.width, l.height)) {
        out = l; // the sides, for whoever says what was refused
        return DibRead::OverLimit;
    }
    // Within the limit, neither product below can overflow.
    l.stride = (l.width * bits + 31) / 32 * 4;
    l.pixelBytes = l.stride * l.height;
    if (l.compression == DibLayout::runLength8 || l.compression == DibLayout::runLength4)
        l.pixelBytes *= 2; // a run-length row may take up to twice its plain size
    out = l;
    return DibRead::Layout;
}

std::optional<DibLayout> readDibLayout(const uchar *dib, qint64 size, bool *overLimit)
{
    DibLayout layout;
    const DibRead read = readDib(dib, size, layout);
    if (overLimit)
        *overLimit = read == DibRead::OverLimit;
    if (read != DibRead::Layout)
        return std::nullopt;
    return layout;
}

// A run-length bitmap is pairs of bytes: a count and the colour it repeats, or a count of
// zero and what follows it, an end of row (0), the end of the bitmap (1), a move (2, then two
// bytes), or that many colours given one by one (padded to whole pairs of bytes).
bool runLengthComplete(const uchar *rows, qint64 size, const DibLayout &layout)
{
    const bool fourBits = layout.compression == DibLayout::runLength4;
    qint64 at = 0;
    while (at + 2 <= size) {
        const uchar count = rows[at];
        const uchar code = rows[at + 1];
        at += 2;
        if (count != 0 || code == 0)
            continue;
        if (code == 1)
            return true;
        if (code == 2) {
            at += 2;
            continue;
        }
        const qint64 given = fourBits ? (code + 1) / 2 : code;
        at += given + (given & 1);
    }
    return false;
}

} // namespace corvantile
