#include "picture_header.h"

#include "dib_layout.h"
#include "picture_limit.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>

namespace corvantile {
namespace {

constexpr qint64 mebibyte = 1024 * 1024;

// A picture of width x height pixels whose file may hold up to `fileBytes` (plus 1 MiB for
// metadata and framing). fileBytes is only asked for once the sides fit the limit, so that
// it can be worked out without overflow.
template <typename FileBytes>
PictureHeader declared(qint64 width, qint64 height, FileBytes fileBytes)
{
    PictureHeader header;
    header.says = PictureHeader::Says::Refused;
    if (width <= 0 || height <= 0)
        return header;
    header.width = width;
    header.height = height;
    if (!fitsPictureLimit(width, height)) {
        header.overLimit = true;
        return header;
    }
    header.says = PictureHeader::Says::Declared;
    header.mostBytes = qint64(fileBytes()) + mebibyte;
    return header;
}

PictureHeader refused()
{
    return {PictureHeader::Says::Refused};
}

// The image header, the first chunk: width, height, bit depth, colour type and interlacing.
// Its rows are filtered (one byte each) and deflated, and deflate may grow data a little
// (stored blocks), as may the chunk framing; interlaced rows come in seven passes.
PictureHeader pngHeader(const uchar *b, qint64 size)
{
    if (size < 29)
        return {};
    if (bigEndian(b + 12) != bigEndian(reinterpret_cast<const uchar *>("IHDR")))
        return refused();
    const qint64 width = bigEndian(b + 16);
    const qint64 height = bigEndian(b + 20);
    const int depth = b[24];
    const int colourType = b[25];
    constexpr int channelsOf[] = {1, 0, 3, 1, 2, 0, 4};
    const int channels = colourType < 7 ? channelsOf[colourType] : 0;
    if (channels == 0 || depth == 0 || depth > 16)
        return refused();
    const bool interlaced = b[28] != 0;
    return declared(width, height, [=] {
        const qint64 rows = interlaced ? 2 * height + 7 : height;
        const qint64 raw = ((width * channels * depth + 7) / 8 + 1) * rows;
        return raw + raw / 256;
    });
}

// The 14-byte file header ("BM", the file's size, where the rows begin), then the bitmap.
PictureHeader bmpHeader(const uchar *b, qint64 size)
{
    if (size < 14)
        return {};
    DibLayout layout;
    switch (readDib(b + 14, size - 14, layout)) {
    case DibRead::NeedMore:
        return {};
    case DibRead::Invalid:
        return refused();
    case DibRead::OverLimit:
    case DibRead::Layout:
        break;
    }
    const qint64 rowsAt = std::max<qint64>(littleEndian(b + 10), 14 + layout.pixelsAt);
    if (rowsAt > undeclaredBytesLimit)
        return refused();
    return declared(layout.width, layout.height, [&] { return rowsAt + layout.pixelBytes; });
}

bool isFrameHeader(int marker)
{
    // Start of frame: C0 to CF, except C4 (Huffman tables), C8 (reserved) and CC (arithmetic
    // coding conditions).
    return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
}

// The markers after the start of image, each segment skipped by its length, up to the start
// of frame that gives the size. Metadata (EXIF, colour profiles, thumbnails) may come first.
PictureHeader jpegHeader(const uchar *b, qint64 size)
{
    qint64 at = 2;
    for (;;) {
        if (at + 2 > size)
            return {};
        if (b[at] != 0xff)
            return refused();
        const int marker = b[at + 1];
        if (marker == 0xff) { // a fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7)) { // no length
            at += 2;
            continue;
        }
        if (marker == 0xd8 || marker == 0xd9 || marker == 0xda || marker == 0x00)
            return refused(); // the image, or its end, before any frame header
        if (at + 4 > size)
            return {};
        const qint64 length = bigEndian(b + at + 2, 2);
        if (length < 2)
            return refused();
        if (isFrameHeader(marker)) {
            if (at + 9 > size)
                return {};
            const qint64 height = bigEndian(b + at + 5, 2);
            const qint64 width = bigEndian(b + at + 7, 2);
            const qint64 frameAt = at;
            // Compressed, a pixel never needs more than its four bytes uncompressed.
            return declared(width, height, [=] { return frameAt + width * height * 4; });
        }
        at += 2 + length;
    }
}

// The logical screen of the GIF: the size of every frame's canvas.
PictureHeader gifHeader(const uchar *b, qint64 size)
{
    if (size < 10)
        return {};
    const qint64 width = littleEndian(b + 6, 2);
    const qint64 height = littleEndian(b + 8, 2);
    return declared(width, height, [=] { return width * height * 4; });
}

// A RIFF container that says its own length, with one of three kinds of first chunk: lossy
// (VP8), lossless (VP8L) or extended (VP8X, whose canvas is the picture).
PictureHeader webpHeader(const uchar *b, qint64 size)
{
    if (size < 30)
        return {};
    const qint64 fileBytes = qint64(littleEndian(b + 4)) + 8;
    const quint32 chunk = bigEndian(b + 12);
    qint64 width = 0;
    qint64 height = 0;
    if (chunk == bigEndian(reinterpret_cast<const uchar *>("VP8 "))) {
        if (b[23] != 0x9d || b[24] != 0x01 || b[25] != 0x2a)
            return refused();
        width = littleEndian(b + 26, 2) & 0x3fff;
        height = littleEndian(b + 28, 2) & 0x3fff;
    } else if (chunk == bigEndian(reinterpret_cast<const uchar *>("VP8L"))) {
        if (b[20] != 0x2f)
            return refused();
        const quint32 bits = littleEndian(b + 21);
        width = (bits & 0x3fff) + 1;
        height = ((bits >> 14) & 0x3fff) + 1;
    } else if (chunk == bigEndian(reinterpret_cast<const uchar *>("VP8X"))) {
        width = qint64(littleEndian(b + 24, 3)) + 1;
        height = qint64(littleEndian(b + 27, 3)) + 1;
    } else {
        return refused();
    }
    return declared(width, height, [=] { return fileBytes; });
}

struct Signature
{
    QByteArrayView magic;
    qint64 at;
    PictureHeader (*read)(const uchar *, qint64);
};

const Signature signatures[] = {
    {QByteArrayView("\x89PNG\r\n\x1a\n", 8), 0, pngHeader},
    {QByteArrayView("BM"), 0, bmpHeader},
    {QByteArrayView("\xff\xd8\xff", 3), 0, jpegHeader},
    {QByteArrayView("GIF87a"), 0, gifHeader},
    {QByteArrayView("GIF89a"), 0, gifHeader},
    {QByteArrayView("RIFF"), 0, nullptr}, // with WEBP at 8, below
};

// Whether `head` is, or may still become, the start of a format read here.
bool mayBeKnown(QByteArrayView head)
{
    for (const Signature &s : signatures) {
        const qsizetype n = std::min(head.size(), s.magic.size());
        if (head.first(n) == s.magic.first(n))
            return true;
    }
    return false;
}

// What Qt's image reader finds of the size in the bytes so far.
PictureHeader qtHeader(QByteArrayView head, bool complete)
{
    QByteArray bytes = QByteArray::fromRawData(head.data(), head.size());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid())
        return complete ? refused() : PictureHeader{};
    const qint64 seen = head.size();
    return declared(size.width(), size.height(),
                    [&] { return seen + qint64(size.width()) * size.height() * 4; });
}

} // namespace

PictureHeader readKnownPictureHeader(QByteArrayView head, bool complete)
{
    const auto *b = reinterpret_cast<const uchar *>(head.data());
    const qint64 size = head.size();
    PictureHeader header;
    for (const Signature &s : signatures) {
        if (!head.startsWith(s.magic))
            continue;
        if (s.read)
            header = s.read(b, size);
        else if (size < 12)
            header = {};
        else if (head.sliced(8, 4) == QByteArrayView("WEBP"))
            header = webpHeader(b, size);
        else
            header = refused();
        break;
    }
    if (header.says == PictureHeader::Says::NeedMore && complete)
        header.says = PictureHeader::Says::Refused;
    return header;
}

PictureHeader readPictureHeader(QByteArrayView head, bool complete)
{
    if (mayBeKnown(head))
        return readKnownPictureHeader(head, complete);
    return qtHeader(head, complete);
}

bool mayBeKnownPicture(QByteArrayView head)
{
    return mayBeKnown(head);
}

PictureHeader readQtPictureHeader(QByteArrayView head, bool complete)
{
    return qtHeader(head, complete);
}

} // namespace corvantile
