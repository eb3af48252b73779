#pragma once

#include <QByteArrayView>
#include <QtGlobal>

namespace corvantile {

// The one reader of what the first bytes of a picture say about the whole: its size, and how
// many bytes its file may take. Every stream that another program controls (the clipboard, a
// file) is judged by it before anything is allocated for the pixels. Its arithmetic never
// overflows: each side is checked against the picture limit before it is multiplied.

struct PictureHeader
{
    enum class Says {
        NeedMore, // too few bytes yet to tell
        Refused,  // no picture header the tool knows, or a picture over the limit
        Declared, // a picture of a size within the limit; mostBytes bounds its file
    };
    Says says = Says::NeedMore;
    qint64 width = 0;
    qint64 height = 0;
    qint64 mostBytes = 0;
    bool overLimit = false; // refused for its declared size

    friend bool operator==(const PictureHeader &, const PictureHeader &) = default;
};

// How many bytes a stream may bring before its header has said what it holds.
constexpr qint64 undeclaredBytesLimit = 16 * 1024 * 1024;

// Reads the header of a PNG, a BMP file, a JPEG, a GIF or a WebP at the start of `head`,
// wherever in the stream its size stands (a JPEG's frame header may follow long metadata).
// complete: `head` is the whole stream, so a header still unknown is none. A declared
// picture's file may take what its pixels need uncompressed, plus 1 MiB. Other formats give
// NeedMore (or Refused when complete).
PictureHeader readKnownPictureHeader(QByteArrayView head, bool complete);

// The same, and for any other format that Qt reads, the size Qt's reader finds in the bytes so
// far (asked again as the stream grows, up to undeclaredBytesLimit).
PictureHeader readPictureHeader(QByteArrayView head, bool complete);

// Whether `head` is, or may still become, the start of a format readKnownPictureHeader reads.
bool mayBeKnownPicture(QByteArrayView head);

// What Qt's image reader finds of the size in the bytes so far, for the formats read by Qt only.
PictureHeader readQtPictureHeader(QByteArrayView head, bool complete);

} // namespace corvantile
