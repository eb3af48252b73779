#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>
#include <array>
#include <atomic>
#include <optional>

namespace corvantile {

// The one reader of what the first bytes of a picture say about the whole: its size, and how
// many bytes its file may take. Every stream that another program controls (the clipboard, a
// file) is judged by it before anything is allocated for the pixels. Its arithmetic never
// overflows: each side is checked against the picture limit before it is multiplied.

// Numbers stored in a header, at a place the caller has checked.
inline quint32 littleEndian(const uchar *at, int bytes = 4)
{
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | at[i];
    return value;
}

inline quint32 bigEndian(const uchar *at, int bytes = 4)
{
    quint32 value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | at[i];
    return value;
}

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
};

// The layout of the bitmap whose info header starts `dib` (`size` bytes are there). Nothing when
// the header is incomplete, not a bitmap's, or declares a picture over the picture limit
// (`overLimit` then says so). The rows themselves need not be there yet.
std::optional<DibLayout> readDibLayout(const uchar *dib, qint64 size, bool *overLimit = nullptr);

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

// Collects a picture's bytes as they arrive from another program or a file, refusing them as
// soon as they cannot be a picture the tool would take: no picture header, a picture over the
// limit, or more bytes than it can need. Nothing is reserved before the header has been
// checked, and no more than the picture limit then; an allocation that fails refuses.
class PictureStream
{
public:
    // bytesRead, when given, follows how many bytes have come.
    explicit PictureStream(std::atomic<qint64> *bytesRead = nullptr) : m_bytesRead(bytesRead) {}

    // Adds a piece; false when the stream is refused from here on.
    bool take(const char *data, qint64 length);
    // The whole stream has come: false when it holds no picture the tool would take.
    bool finish();

    const PictureHeader &header() const { return m_header; }
    QByteArray bytes() { return std::move(m_bytes); }

private:
    bool judge(bool complete);

    std::atomic<qint64> *m_bytesRead;
    QByteArray m_bytes;
    PictureHeader m_header;
    qint64 m_askedQtAt = 0;
};

} // namespace corvantile
