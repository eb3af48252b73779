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

// What the first bytes of a picture file say about the whole, so that a read from another
// program can stop as soon as the stream cannot be a picture the tool would take.
struct PictureHeader
{
    enum class Says {
        NeedMore, // too few bytes yet to tell
        Refused,  // no picture header, or a picture over the limit
        Declared, // a picture of a size within the limit; mostBytes bounds its file
    };
    Says says = Says::NeedMore;
    qint64 mostBytes = 0;
};

// Reads the header at the start of `head`. complete: `head` is the whole stream, so a header
// still unknown is no header. A PNG or a BMP declares its size in its first few dozen bytes;
// for another format Qt's image reader looks for it in up to the first 64 KiB. A declared
// picture's file may take what its pixels need uncompressed, plus 1 MiB.
PictureHeader readPictureHeader(const QByteArray &head, bool complete);

} // namespace corvantile
