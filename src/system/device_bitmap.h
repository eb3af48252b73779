#pragma once

#include <QByteArray>
#include <QImage>

namespace corvantile {

// A device-independent bitmap as Windows keeps it on the clipboard (its info header, any
// colour masks and colour table, then its rows), decoded the way Windows' own GDI reads it:
// every info header size (40, 52, 56, 108 and 124 bytes), bit-field masks in any order, rows
// top-down or bottom-up, palettes, and channels of fewer than 8 bits widened by repeating
// their bits. Alpha is not read: a clipboard bitmap is a screenshot. Gives a null image for a
// bitmap it cannot read (a compressed one, one whose header or size is wrong, or one over the
// picture limit).
QImage decodeDeviceBitmap(const QByteArray &dib);

// The bitmap on the clipboard as a picture: what the decoder reads, and a run-length bitmap,
// which it does not, through Qt's BMP reader when every run is there. Any other bitmap the
// decoder refuses (rows cut short, a wrong header) is refused: Qt's reader would show what is
// missing as whatever its memory held.
QImage decodeClipboardBitmap(const QByteArray &dib);

} // namespace corvantile
