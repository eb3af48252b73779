#include "picture_decode.h"

#include "dib_layout.h"
#include "picture_header.h"
#include "picture_limit.h"

#include <QImageReader>
#include <QMessageLogContext>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

namespace corvantile {
namespace {

// Qt's decoders say that a picture is damaged only as a warning: a JPEG cut short still
// decodes, grey from where its data ends. The warnings given on a decoding thread are caught
// there and looked at; every other message goes on to whoever handled it before.
thread_local bool *damageSeen = nullptr;
std::atomic<QtMessageHandler> earlierHandler = nullptr;

// Only the JPEG reader needs this: libpng's errors never come here (it prints them itself), but
// each ends its read at once, and the read then fails.
bool tellsOfDamage(const QMessageLogContext &context, const QString &message)
{
    const QLatin1String category(context.category ? context.category : "");
    return category == QLatin1String("qt.gui.imageio.jpeg") &&
           (message.startsWith(QLatin1String("Corrupt JPEG data")) ||
            message.startsWith(QLatin1String("Premature end")) ||
            message.startsWith(QLatin1String("Invalid")));
}

void watchDecoderMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (damageSeen && type == QtWarningMsg && tellsOfDamage(context, message)) {
        *damageSeen = true;
        return;
    }
    if (const QtMessageHandler earlier = earlierHandler) {
        earlier(type, context, message);
        return;
    }
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

class DamageWatch
{
public:
    DamageWatch()
    {
        watchDecoderDamage();
        damageSeen = &m_seen;
    }
    ~DamageWatch() { damageSeen = nullptr; }
    DamageWatch(const DamageWatch &) = delete;
    DamageWatch &operator=(const DamageWatch &) = delete;

    bool seen() const { return m_seen; }

private:
    bool m_seen = false;
};

// The bytes as the decoder reads them, a piece at a time: once the job is cancelled, or the
// decoder has reported damage, every read fails, and the decoder gives up at its next read
// rather than decode the rest of a picture nobody will see. Not a QBuffer: Qt's JPEG reader
// takes a QBuffer's whole array at once, past any read that could fail.
class StoppableBuffer : public QIODevice
{
public:
    StoppableBuffer(const QByteArray &bytes, const std::atomic<bool> *cancelled,
                    const DamageWatch &damage)
        : m_bytes(bytes), m_cancelled(cancelled), m_damage(damage)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool stopped() const { return m_cancelled && *m_cancelled; }
    qint64 size() const override { return m_bytes.size(); }
    bool seek(qint64 to) override
    {
        if (to < 0 || to > m_bytes.size() || !QIODevice::seek(to))
            return false;
        m_at = to;
        return true;
    }

protected:
    qint64 readData(char *data, qint64 length) override
    {
        if (stopped() || m_damage.seen())
            return -1;
        const qint64 piece = std::clamp<qint64>(m_bytes.size() - m_at, 0, length);
        std::memcpy(data, m_bytes.constData() + m_at, size_t(piece));
        m_at += piece;
        return piece;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    const QByteArray &m_bytes;
    qint64 m_at = 0;
    const std::atomic<bool> *m_cancelled;
    const DamageWatch &m_damage;
};

// Whether an uncompressed bitmap file holds every row its header promises: Qt's reader shows
// the rows that are missing as black.
bool bitmapRowsComplete(const QByteArray &bytes)
{
    if (!bytes.startsWith("BM") || bytes.size() < 18)
        return true;
    const auto *b = reinterpret_cast<const uchar *>(bytes.constData());
    const std::optional<DibLayout> layout = readDibLayout(b + 14, bytes.size() - 14);
    if (!layout)
        return true;
    const qint64 rowsAt = std::max<qint64>(littleEndian(b + 10), 14 + layout->pixelsAt);
    if (layout->runLength())
        return rowsAt <= bytes.size() &&
               runLengthComplete(b + rowsAt, bytes.size() - rowsAt, *layout);
    return rowsAt + layout->pixelBytes <= bytes.size();
}

// Whether a GIF holds every block it begins, up to its trailer: Qt's reader shows what a GIF
// cut short leaves out as black. Its blocks: the screen descriptor and any colour table, then
// extensions and images, each a run of sub-blocks that a zero length ends, then 0x3b.
bool gifBlocksComplete(const QByteArray &bytes)
{
    if (!bytes.startsWith("GIF8"))
        return true;
    const auto *b = reinterpret_cast<const uchar *>(bytes.constData());
    const qint64 size = bytes.size();
    const auto colourTable = [](uchar flags) { return flags & 0x80 ? 3 << ((flags & 7) + 1) : 0; };
    if (size < 13)
        return false;
    qint64 at = 13 + colourTable(b[10]);
    const auto subBlocks = [&] {
        while (at < size && b[at] != 0)
            at += 1 + b[at];
        ++at; // the zero that ends them
    };
    while (at < size) {
        switch (b[at]) {
        case 0x3b:
            return true;
        case 0x21: // an extension: its label, then its sub-blocks
            at += 2;
            subBlocks();
            break;
        case 0x2c: // an image: its descriptor, any colour table, the code size, the data
            if (at + 10 > size)
                return false;
            at += 10 + colourTable(b[at + 9]) + 1;
            subBlocks();
            break;
        default:
            return false;
        }
    }
    return at == size; // some writers leave out the trailer after the last whole block
}

// Whether a JPEG that declares far more pixels than its bytes could describe (a few kilobytes
// that claim 33000 x 33000, say) ends early. Every block of it is read once, at an eighth of
// its size and kept only for a column eight pixels wide, which costs a fraction of the time
// and next to no memory: the reader reports where its data runs out, and the picture is
// refused before its full size is ever allocated. A real JPEG of flat colour may be that small
// too; it is only read twice.
bool jpegCutShort(const QByteArray &bytes, const PictureHeader &header,
                  const std::atomic<bool> *cancelled)
{
    if (!bytes.startsWith("\xff\xd8\xff") ||
        qint64(bytes.size()) * 32 >= header.width * header.height)
        return false;
    DamageWatch damage;
    StoppableBuffer buffer(bytes, cancelled, damage);
    QImageReader reader(&buffer, "jpeg");
    // Whole blocks of eight, so the reader can scale while it clips; rows of a last partial
    // block are left to the full read, which also sees any damage there.
    const int columns = int(std::min<qint64>(header.width, 8));
    const int rows = int(header.height >= 8 ? header.height / 8 * 8 : header.height);
    reader.setClipRect(QRect(0, 0, columns, rows));
    reader.setScaledSize(QSize(std::max(1, columns / 8), std::max(1, rows / 8)));
    reader.setQuality(0); // the fast inverse transform: the pixels are not kept
    QImage column;
    return !reader.read(&column) || damage.seen();
}

DecodedPicture outcome(ReadOutcome outcome)
{
    return {outcome, QImage()};
}

} // namespace

// The handler that was there is known before this one takes its place, so that no message is
// lost to a handler not yet known; meanwhile Qt's own prints it.
void watchDecoderDamage()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        earlierHandler = qInstallMessageHandler(nullptr);
        qInstallMessageHandler(watchDecoderMessages);
    });
}

QString pictureFormat(const QStringList &offered)
{
    if (offered.contains(QLatin1String("image/png")))
        return QStringLiteral("image/png");
    const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
    for (const QString &format : offered)
        if (format.startsWith(QLatin1String("image/")) && readable.contains(format.toLatin1()))
            return format;
    return QString();
}

DecodedPicture takenPicture(const QImage &image)
{
    if (image.isNull())
        return outcome(ReadOutcome::NotPicture);
    if (!fitsPictureLimit(image.width(), image.height()))
        return outcome(ReadOutcome::TooLarge);
    // Converted once here, so every later pixel read is a plain 32-bit load.
    DecodedPicture taken{ReadOutcome::Decoded, image.format() == QImage::Format_RGB32
                                                   ? image
                                                   : image.convertToFormat(QImage::Format_RGB32)};
    if (taken.image.isNull())
        return outcome(ReadOutcome::NoMemory);
    return taken;
}

DecodedPicture decodePicture(const QByteArray &bytes, const std::atomic<bool> *cancelled)
{
    try {
        const PictureHeader header = readPictureHeader(bytes, true);
        if (header.says != PictureHeader::Says::Declared || bytes.size() > header.mostBytes)
            return outcome(header.overLimit ? ReadOutcome::TooLarge : ReadOutcome::NotPicture);
        if (!bitmapRowsComplete(bytes) || !gifBlocksComplete(bytes))
            return outcome(ReadOutcome::Damaged);
        if (jpegCutShort(bytes, header, cancelled))
            return outcome(cancelled && *cancelled ? ReadOutcome::Cancelled : ReadOutcome::Damaged);
        DamageWatch damage;
        StoppableBuffer buffer(bytes, cancelled, damage);
        QImageReader reader(&buffer);
        QImage image;
        const bool read = reader.read(&image);
        if (buffer.stopped())
            return outcome(ReadOutcome::Cancelled);
        if (!read || damage.seen())
            return outcome(ReadOutcome::Damaged);
        // A picture whose header promised pixels that Qt could not hold: no memory for it.
        if (image.isNull())
            return outcome(ReadOutcome::NoMemory);
        return takenPicture(image);
    } catch (const std::bad_alloc &) {
        return outcome(ReadOutcome::NoMemory);
    }
}

} // namespace corvantile
