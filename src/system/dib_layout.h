#pragma once

#include "system/byte_order.h"

#include <QtGlobal>
#include <array>
#include <optional>

namespace corvantile {

// A device-independent bitmap as Windows lays it out: the info header (40, 52, 56, 108 or 124
// bytes, or the oldest 12-byte form), any colour masks, the colour table, then the rows. The
// colour table of a bitmap of 16, 24 or 32 bits a pixel is a hint for palette devices that
// Windows skips, so its rows start after it.
struct DibLayout
{
    qint64 headerSize = 0;
    qint64 width = 0;
    qint64 height = 0; // always positive; topDown says which row comes first
    bool topDown = false;
    int bitCount = 0;
    quint32 compression = 0;
    bool masked = false;            // the channels are given by masks
    std::array<quint32, 3> masks{}; // red, green, blue
    qint64 paletteAt = 0;           // where the colour table begins
    qint64 paletteEntries = 0;      // its length; only bitmaps of 8 bits or fewer use it
    qint64 pixelsAt = 0;            // where the rows begin
    qint64 stride = 0;              // bytes a row, padded to four
    qint64 pixelBytes = 0;          // the rows' bytes; twice that for run-length rows

    static constexpr quint32 rgb = 0;            // BI_RGB
    static constexpr quint32 runLength8 = 1;     // BI_RLE8
    static constexpr quint32 runLength4 = 2;     // BI_RLE4
    static constexpr quint32 bitFields = 3;      // BI_BITFIELDS
    static constexpr quint32 alphaBitFields = 6; // BI_ALPHABITFIELDS

    bool runLength() const { return compression == runLength8 || compression == runLength4; }
};

// The layout of the bitmap whose info header starts `dib` (`size` bytes are there). Nothing when
// the header is incomplete, not a bitmap's, or declares a picture over the picture limit
// (`overLimit` then says so). The rows themselves need not be there yet.
std::optional<DibLayout> readDibLayout(const uchar *dib, qint64 size, bool *overLimit = nullptr);

// Whether the run-length rows at `rows` (`size` bytes there) reach the code that ends the
// bitmap without running past their end: rows cut short, or a code that reaches past them,
// say no.
bool runLengthComplete(const uchar *rows, qint64 size, const DibLayout &layout);

// The same, telling an incomplete header (NeedMore) from one that is no bitmap's (Invalid); a
// picture over the limit (OverLimit) still has its sides in `out`.
enum class DibRead { Layout, NeedMore, Invalid, OverLimit };
DibRead readDib(const uchar *dib, qint64 size, DibLayout &out);

} // namespace corvantile
