#include "picture_limit.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace corvantile {
namespace {

qint64 limitBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;

qint64 physicalMemoryBytes()
{
#ifdef Q_OS_WIN
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? qint64(status.ullTotalPhys) : 0;
#else
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? qint64(pages) * pageSize : 0;
#endif
}

} // namespace

void allowPicturesUpTo(qint64 bytes)
{
    const qint64 memory = physicalMemoryBytes();
    qint64 limit = memory > 0 ? std::min(bytes, memory / 4) : bytes;
    // Qt counts its limit in whole megabytes, so it is rounded down to one.
    const qint64 megabytes = std::clamp<qint64>(limit / (1024 * 1024), 1, INT_MAX);
    QImageReader::setAllocationLimit(static_cast<int>(megabytes));
    limitBytes = megabytes * 1024 * 1024;
}

qint64 pictureBytesLimit()
{
    return limitBytes;
}

bool fitsPictureLimit(qint64 width, qint64 height)
{
    // Divided rather than multiplied: a header may declare sides whose product overflows.
    return width <= 0 || height <= 0 || width <= pictureBytesLimit() / 4 / height;
}

namespace {

constexpr qint64 mebibyte = 1024 * 1024;
constexpr qsizetype otherHeaderLimit = 64 * 1024;

quint32 bigEndian32(const QByteArray &b, int at)
{
    return quint32(quint8(b[at])) << 24 | quint32(quint8(b[at + 1])) << 16 |
           quint32(quint8(b[at + 2])) << 8 | quint8(b[at + 3]);
}

quint32 littleEndian(const QByteArray &b, int at, int bytes)
{
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | quint8(b[at + i]);
    return value;
}

// A picture of width x height pixels whose file may hold up to `fileBytes`.
PictureHeader declared(qint64 width, qint64 height, qint64 fileBytes)
{
    if (width <= 0 || height <= 0 || !fitsPictureLimit(width, height))
        return {PictureHeader::Says::Refused, 0};
    return {PictureHeader::Says::Declared, fileBytes + mebibyte};
}

// The image header: width, height, bit depth, colour type and interlacing. Its rows are
// filtered (one byte each) and deflated, and deflate may grow data a little (stored blocks),
// as may the chunk framing.
PictureHeader pngHeader(const QByteArray &head)
{
    if (head.size() < 29)
        return {};
    if (head.mid(12, 4) != "IHDR")
        return {PictureHeader::Says::Refused, 0};
    const qint64 width = bigEndian32(head, 16);
    const qint64 height = bigEndian32(head, 20);
    const int depth = quint8(head[24]);
    const int channels = std::array{1, 0, 3, 1, 2, 0, 4}.at(std::min<size_t>(quint8(head[25]), 6));
    if (channels == 0 || depth == 0 || depth > 16)
        return {PictureHeader::Says::Refused, 0};
    // Interlaced rows come in seven passes, each row with its filter byte.
    const qint64 rows = head[28] ? 2 * height + 7 : height;
    const qint64 raw = ((width * channels * depth + 7) / 8 + 1) * rows;
    return declared(width, height, raw + raw / 256);
}

// The file header and then the info header: 12 bytes long in the oldest form, with 16-bit
// sizes, else 40 or more with 32-bit ones (a negative height: rows from the top). Run-length
// coded rows may take up to twice their plain size.
PictureHeader bmpHeader(const QByteArray &head)
{
    if (head.size() < 18)
        return {};
    const quint32 infoSize = littleEndian(head, 14, 4);
    const bool core = infoSize == 12;
    if (head.size() < (core ? 26 : 34))
        return {};
    if (!core && infoSize < 40)
        return {PictureHeader::Says::Refused, 0};
    const qint64 width = core ? littleEndian(head, 18, 2) : qint32(littleEndian(head, 18, 4));
    const qint64 height =
        std::abs(core ? qint64(littleEndian(head, 20, 2)) : qint32(littleEndian(head, 22, 4)));
    const int bits = int(littleEndian(head, core ? 24 : 28, 2));
    if (bits == 0 || bits > 32)
        return {PictureHeader::Says::Refused, 0};
    const quint32 compression = core ? 0 : littleEndian(head, 30, 4);
    const qint64 rows = ((width * bits + 31) / 32) * 4 * height;
    return declared(width, height, compression == 1 || compression == 2 ? 2 * rows : rows);
}

} // namespace

PictureHeader readPictureHeader(const QByteArray &head, bool complete)
{
    static const QByteArray png("\x89PNG\r\n\x1a\n", 8);
    static const QByteArray bmp("BM");
    PictureHeader header;
    if (head.startsWith(png))
        header = pngHeader(head);
    else if (head.startsWith(bmp))
        header = bmpHeader(head);
    else if (!png.startsWith(head) && !bmp.startsWith(head)) {
        if (head.size() < otherHeaderLimit && !complete)
            return {};
        QBuffer buffer;
        buffer.setData(head);
        QImageReader reader(&buffer);
        const QSize size = reader.size();
        if (!size.isValid())
            return {PictureHeader::Says::Refused, 0};
        header = declared(size.width(), size.height(), qint64(size.width()) * size.height() * 4);
    }
    if (header.says == PictureHeader::Says::NeedMore && complete)
        header.says = PictureHeader::Says::Refused;
    return header;
}

} // namespace corvantile
