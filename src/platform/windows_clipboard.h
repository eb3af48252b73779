#pragma once

#include <QImage>

namespace corvantile {

// Whether the Windows clipboard offers the standard bitmap format (number 2). Windows offers
// it for every device-independent bitmap as well.
bool windowsClipboardOffersBitmap();

// The clipboard's bitmap, read as the device-independent bitmap that Windows keeps with it,
// or a null image when it cannot be opened or read.
QImage windowsClipboardBitmap();

} // namespace corvantile
