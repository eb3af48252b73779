#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace corvantile {

// Lets pictures of up to `bytes` decoded bytes (at four bytes a pixel) be read: Qt's own
// default refuses anything over 128 MB, which an 8K screenshot nearly reaches. The bound
// never exceeds a quarter of the machine's memory, since a pasted picture is held about three
// times over (decoded, shown, drawn on).
void allowPicturesUpTo(qint64 bytes);

// The decoded size, in bytes, of the largest picture that may be read.
qint64 pictureBytesLimit();
// Whether a picture of that size fits the limit once it has four bytes a pixel (an empty one
// does).
bool fitsPictureLimit(qint64 width, qint64 height);

} // namespace corvantile
