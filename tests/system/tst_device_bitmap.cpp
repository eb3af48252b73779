#include "support/test_images.h"
#include "system/device_bitmap.h"
#include "system/picture_decode.h"
#include "system/picture_limit.h"
#include "system/picture_stream.h"
#include "system/received_data.h"
#include "system/x11_transfer.h"

#include <QImageReader>
#include <QTest>
#include <QtEndian>
#include <csignal>
#include <thread>
#ifndef Q_OS_WIN
#include <unistd.h>
#endif

using namespace corvantile;
using corvantile::test::patternImage;
using corvantile::test::pngBytes;

namespace {

void put(QByteArray &bytes, quint32 value, int size = 4)
{
    for (int i = 0; i < size; ++i)
        bytes.append(char(value >> (8 * i)));
}

// A 3 x 2 bitmap as the clipboard holds it: info header, masks, colour table, padded rows.
QByteArray bitmap(int header, int bits, quint32 compression, const QList<quint32> &masks,
                  bool topDown, const QList<QRgb> &palette, const QList<quint32> &pixels)
{
    QByteArray dib;
    put(dib, quint32(header));
    put(dib, 3);
    put(dib, quint32(topDown ? -2 : 2));
    put(dib, 1, 2);
    put(dib, quint32(bits), 2);
    put(dib, compression);
    put(dib, 0);
    put(dib, 0);
    put(dib, 0);
    put(dib, quint32(palette.size()));
    put(dib, 0);
    for (quint32 mask : masks)
        if (header > 40 || compression == 3)
            put(dib, mask);
    const int masksAfter = header == 40 && compression == 3 ? 12 : 0;
    dib.append(QByteArray(qMax(0, header + masksAfter - int(dib.size())), '\0'));
    for (QRgb colour : palette)
        put(dib, colour & 0xffffff);
    for (int row = 0; row < 2; ++row) {
        const int y = topDown ? row : 1 - row;
        QByteArray line;
        for (int x = 0; x < 3; ++x)
            put(line, pixels[y * 3 + x], bits / 8);
        dib.append(line.leftJustified((line.size() + 3) / 4 * 4, '\0'));
    }
    return dib;
}

// An owner of the X11 clipboard as a script says: what it offers, whether it answers, and the
// data it gives for any target, in one piece.
class ScriptedOwner : public SelectionChannel
{
public:
    QStringList offered;
    QByteArray data;
    bool answers = true;
    QByteArray asked; // the last target asked for

    bool hasOwner() override { return true; }
    bool convert(const QByteArray &target, std::chrono::milliseconds, const JobProgress &,
                 bool &given) override
    {
        asked = target;
        given = answers;
        return answers;
    }
    Property takeProperty(const std::function<bool(const char *, qint64)> &take) override
    {
        if (asked == "TARGETS")
            return Property::Atoms; // the names come from atomNames()
        return take(data.constData(), data.size()) ? Property::Data : Property::None;
    }
    bool waitForIncrement(std::chrono::milliseconds, const JobProgress &) override { return false; }
    QStringList atomNames(const QByteArray &) override { return offered; }
};

} // namespace

class tst_DeviceBitmap : public QObject
{
    Q_OBJECT
private slots:
    void decodesAsGdiReads_data()
    {
        QTest::addColumn<QByteArray>("dib");
        QTest::addColumn<QList<QRgb>>("expected"); // empty: not read
        const QList<QRgb> six = {qRgb(16, 32, 48), qRgb(255, 0, 0),     qRgb(0, 255, 0),
                                 qRgb(0, 0, 255),  qRgb(255, 255, 255), qRgb(0, 0, 0)};
        const QList<quint32> bgr = {0x102030, 0xff0000, 0x00ff00, 0x0000ff, 0xffffff, 0};
        const QList<quint32> rgbOrder = {0x302010, 0x0000ff, 0x00ff00, 0xff0000, 0xffffff, 0};
        const QList<quint32> redFirst = {0xff0000, 0xff00, 0xff};
        // What GDI reads from 5-6-5 pixels: each channel's bits repeated.
        const QList<quint32> rgb565 = {0xffff, 0xf800, 0x8410, 0x07e0, 0x001f, 0};
        const QList<QRgb> gdi565 = {qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(132, 130, 132),
                                    qRgb(0, 255, 0),     qRgb(0, 0, 255), qRgb(0, 0, 0)};
        QTest::newRow("24 bits, padded rows") << bitmap(40, 24, 0, {}, false, {}, bgr) << six;
        QTest::newRow("32 bits, alpha 0") << bitmap(40, 32, 0, {}, false, {}, bgr) << six;
        QTest::newRow("top-down rows") << bitmap(40, 24, 0, {}, true, {}, bgr) << six;
        QTest::newRow("bit fields") << bitmap(40, 32, 3, redFirst, false, {}, bgr) << six;
        QTest::newRow("bit fields, red low")
            << bitmap(40, 32, 3, {0xff, 0xff00, 0xff0000}, false, {}, rgbOrder) << six;
        QTest::newRow("52-byte header") << bitmap(52, 32, 3, redFirst, false, {}, bgr) << six;
        QTest::newRow("56-byte header") << bitmap(56, 32, 3, redFirst, false, {}, bgr) << six;
        QTest::newRow("108-byte header") << bitmap(108, 32, 3, redFirst, false, {}, bgr) << six;
        QTest::newRow("124-byte header, top-down")
            << bitmap(124, 32, 3, redFirst, true, {}, bgr) << six;
        QTest::newRow("16 bits, 5-6-5")
            << bitmap(40, 16, 3, {0xf800, 0x07e0, 0x001f}, false, {}, rgb565) << gdi565;
        QTest::newRow("16 bits, 5-5-5")
            << bitmap(40, 16, 0, {}, false, {}, {0x7fff, 0x7c00, 0x4210, 0x03e0, 0x001f, 0})
            << QList<QRgb>{qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(132, 132, 132),
                           qRgb(0, 255, 0),     qRgb(0, 0, 255), qRgb(0, 0, 0)};
        QTest::newRow("8-bit palette")
            << bitmap(40, 8, 0, {}, false, six, {0, 1, 2, 3, 4, 5}) << six;
        QTest::newRow("run-length is not read")
            << bitmap(40, 8, 1, {}, false, six, {0, 1, 2, 3, 4, 5}) << QList<QRgb>();
        QTest::newRow("cut short")
            << bitmap(40, 24, 0, {}, false, {}, bgr).left(60) << QList<QRgb>();
        // A colour table on a bitmap of more than 8 bits is a hint for palette screens: the rows
        // follow it, as Windows and Qt read them.
        const QList<QRgb> hint = {qRgb(0xaa, 0xbb, 0xcc), qRgb(1, 2, 3)};
        QTest::newRow("24 bits with a colour table")
            << bitmap(40, 24, 0, {}, false, hint, bgr) << six;
        QTest::newRow("32 bits with a colour table, top-down")
            << bitmap(40, 32, 0, {}, true, hint, bgr) << six;
        QTest::newRow("bit fields with a colour table")
            << bitmap(40, 32, 3, redFirst, false, hint, bgr) << six;
        // Sides whose rows' bytes overflow 64 bits when multiplied: over the limit, not read.
        QByteArray huge = bitmap(40, 32, 0, {}, false, {}, bgr);
        qToLittleEndian<qint32>(0x7fffffff, huge.data() + 4);
        qToLittleEndian<qint32>(0x7fffffff, huge.data() + 8);
        QTest::newRow("2147483647 x 2147483647") << huge << QList<QRgb>();
        qToLittleEndian<qint32>(-0x7fffffff, huge.data() + 8);
        QTest::newRow("2147483647 x 2147483647, top-down") << huge << QList<QRgb>();
    }

    void decodesAsGdiReads()
    {
        QFETCH(QByteArray, dib);
        QFETCH(QList<QRgb>, expected);
        const QImage image = decodeDeviceBitmap(dib);
        QCOMPARE(image.isNull(), expected.isEmpty());
        if (image.isNull())
            return;
        QCOMPARE(image.size(), QSize(3, 2));
        for (int i = 0; i < 6; ++i)
            QCOMPARE(QColor(image.pixel(i % 3, i / 3)), QColor(expected[i]));
    }

    // The clipboard's bitmap: what the decoder reads, a run-length one through Qt's reader
    // when every run is there, and nothing that either would have to guess.
    void clipboardBitmapsWholeOrRefused_data()
    {
        QTest::addColumn<QByteArray>("dib");
        QTest::addColumn<bool>("read");
        const QList<QRgb> six = {qRgb(16, 32, 48), qRgb(255, 0, 0),     qRgb(0, 255, 0),
                                 qRgb(0, 0, 255),  qRgb(255, 255, 255), qRgb(0, 0, 0)};
        // Each row three runs of one pixel and its end, the last the bitmap's end.
        QByteArray runs = bitmap(40, 8, 1, {}, false, six, {0, 1, 2, 3, 4, 5});
        runs.truncate(40 + 6 * 4);
        runs += QByteArray::fromHex("0103010401050000"
                                    "0100010101020001");
        QTest::newRow("24 bits") << bitmap(40, 24, 0, {}, false, {},
                                           {0x102030, 0xff0000, 0x00ff00, 0x0000ff, 0xffffff, 0})
                                 << true;
        QTest::newRow("run-length, every run there") << runs << true;
        QTest::newRow("run-length, cut short") << runs.left(runs.size() - 5) << false;
        QTest::newRow("run-length, a run of given colours past the end")
            << runs.left(40 + 24) + QByteArray::fromHex("0009aabb") << false;
        // 52 bytes: the header of a 3 x 2 bitmap of 24 bits, and twelve of its sixteen bytes.
        QTest::newRow("rows cut short, 52 bytes")
            << bitmap(40, 24, 0, {}, false, {}, {0, 0, 0, 0, 0, 0}).left(40) +
                   QByteArray(12, '\x11')
            << false;
    }

    void clipboardBitmapsWholeOrRefused()
    {
        QFETCH(QByteArray, dib);
        QFETCH(bool, read);
        const QImage image = decodeClipboardBitmap(dib);
        QCOMPARE(!image.isNull(), read);
        if (read) {
            QCOMPARE(image.size(), QSize(3, 2));
            QCOMPARE(QColor(image.pixel(0, 0)), QColor(qRgb(16, 32, 48)));
            QCOMPARE(QColor(image.pixel(2, 1)), QColor(qRgb(0, 0, 0)));
        }
    }

    // What the first bytes of a picture say about the whole, before any pixel is read: sides
    // whose products overflow, and headers that declare far more than is sent, are judged
    // without overflow and without reserving what they declare.
    void judgesHeaders_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<int>("says"); // PictureHeader::Says
        QTest::addColumn<bool>("overLimit");
        const int needMore = int(PictureHeader::Says::NeedMore),
                  refused = int(PictureHeader::Says::Refused),
                  declared = int(PictureHeader::Says::Declared);
        const auto png = [](quint32 width, quint32 height, char depth, char colour, char lace) {
            QByteArray head("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
            head.append(QByteArray(13, '\0'));
            qToBigEndian(width, head.data() + 16);
            qToBigEndian(height, head.data() + 20);
            head[24] = depth;
            head[25] = colour;
            head[28] = lace;
            return head + QByteArray(4, '\0'); // the checksum is not read here
        };
        const auto bmp = [](qint32 width, qint32 height, int bits, quint32 compression) {
            QByteArray head("BM", 2);
            head.append(QByteArray(12, '\0'));
            qToLittleEndian<quint32>(54, head.data() + 10);
            head.append(bitmap(40, bits, compression, {}, false, {}, {0, 0, 0, 0, 0, 0}).left(40));
            qToLittleEndian(width, head.data() + 18);
            qToLittleEndian(height, head.data() + 22);
            return head;
        };
        QTest::newRow("PNG, 16-bit RGBA, 4294967295 x 4294967295")
            << png(0xffffffff, 0xffffffff, 16, 6, 0) << false << refused << true;
        QTest::newRow("PNG, 1-bit grey, 2147483647 x 2147483647")
            << png(0x7fffffff, 0x7fffffff, 1, 0, 0) << false << refused << true;
        QTest::newRow("PNG, 16-bit RGBA interlaced, 33185 x 33185, 29 bytes and no more")
            << png(33185, 33185, 16, 6, 1) << true << declared << false;
        QTest::newRow("BMP, 32 bits, 2147483647 x 2147483647")
            << bmp(0x7fffffff, 0x7fffffff, 32, 0) << false << refused << true;
        QTest::newRow("BMP, run-length, 2147483647 x -2147483647")
            << bmp(0x7fffffff, -0x7fffffff, 8, 1) << false << refused << true;
        QTest::newRow("BMP header still coming")
            << bmp(10, 10, 24, 0).left(20) << false << needMore << false;
        QTest::newRow("JPEG frame header after 120 KB")
            << QByteArray("\xff\xd8", 2) + QByteArray("\xff\xe1\xea\x62", 4) +
                   QByteArray(60000, 'x') + QByteArray("\xff\xe1\xea\x62", 4) +
                   QByteArray(60000, 'x') + QByteArray("\xff\xc0\0\x11\x08\x01\x2c\x01\x90", 9)
            << false << declared << false;
        QTest::newRow("JPEG whose frame header says 65535 x 65535")
            << QByteArray("\xff\xd8\xff\xc2\0\x11\x08\xff\xff\xff\xff", 11) << false << refused
            << true;
    }

    void judgesHeaders()
    {
        QFETCH(QByteArray, head);
        QFETCH(bool, complete);
        QFETCH(int, says);
        QFETCH(bool, overLimit);
        // The limit an ordinary desktop gets: 33316 x 33066 screen pixels.
        allowPicturesUpTo(qint64(33316) * 33066 * 4);
        const PictureHeader header = readKnownPictureHeader(head, complete);
        QCOMPARE(int(header.says), says);
        QCOMPARE(header.overLimit, overLimit);
        // Fed to a stream, nothing near what it declares is reserved up front.
        PictureStream stream;
        const bool taken =
            stream.take(head.constData(), head.size()) && (!complete || stream.finish());
        QCOMPARE(taken, says != int(PictureHeader::Says::Refused));
        QCOMPARE_LE(stream.bytes().capacity(), qint64(8) * 1024 * 1024);
    }

    // A stream that grows piece by piece never holds room for more than its picture may take:
    // what its header allows, or, before a header says anything, the bytes it must come within.
    // An owner that sends without end is cut there with no more than that held.
    void aStreamHoldsNoMoreThanItsPictureMay_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // sent in pieces of 64 KiB, then again and again
        QTest::addColumn<bool>("endless");
        const QByteArray bitmap = pngBytes(patternImage(2000, 1500), "BMP");
        QTest::newRow("a bitmap, sent whole") << bitmap << false;
        QTest::newRow("a bitmap, then more without end") << bitmap << true;
        QTest::newRow("no header, without end") << QByteArray(64 * 1024, 'x') << true;
    }

    void aStreamHoldsNoMoreThanItsPictureMay()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, endless);
        allowPicturesUpTo(qint64(33316) * 33066 * 4);
        PictureStream stream;
        const qint64 piece = 64 * 1024;
        bool taken = true;
        qint64 sent = 0;
        while (taken && (sent < bytes.size() || endless)) {
            const qint64 from = sent % bytes.size();
            const qint64 length = std::min(piece, bytes.size() - from);
            taken = stream.take(bytes.constData() + from, length);
            sent += length;
        }
        QCOMPARE(taken, !endless);
        const qint64 most = stream.header().says == PictureHeader::Says::Declared
                                ? stream.header().mostBytes
                                : undeclaredBytesLimit;
        QVERIFY2(
            stream.bytes().capacity() <= most + piece,
            qPrintable(
                QStringLiteral("%1 held, %2 may be").arg(stream.bytes().capacity()).arg(most)));
        QVERIFY(!endless || sent <= most + piece);
        QCOMPARE(!endless && stream.finish(), !endless);
    }

    // The clipboard's text: UTF-8 when offered, else Latin-1; none offered is empty; an owner
    // that does not answer, or sends more than the limit, gives nothing.
    void readsTheClipboardsText_data()
    {
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("answers");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("text");
        const QByteArray utf8 = QStringLiteral("Gr\u00fc\u00dfe, 12").toUtf8();
        QTest::newRow("UTF-8 first") << QStringList{"STRING", "UTF8_STRING"} << utf8 << true << true
                                     << QStringLiteral("Gr\u00fc\u00dfe, 12");
        QTest::newRow("a MIME type of UTF-8")
            << QStringList{"text/plain;charset=utf-8"} << utf8 << true << true
            << QStringLiteral("Gr\u00fc\u00dfe, 12");
        QTest::newRow("Latin-1 alone") << QStringList{"STRING"} << QByteArray("Gr\xfc\xdf", 4)
                                       << true << true << QStringLiteral("Gr\u00fc\u00df");
        QTest::newRow("no text offered")
            << QStringList{"image/png"} << utf8 << true << true << QString();
        QTest::newRow("the owner does not answer")
            << QStringList{"UTF8_STRING"} << utf8 << false << false << QString();
        QTest::newRow("more than the limit")
            << QStringList{"UTF8_STRING"} << QByteArray(textLimitBytes + 1, 'x') << true << false
            << QString();
    }

    void readsTheClipboardsText()
    {
        QFETCH(QStringList, offered);
        QFETCH(QByteArray, data);
        QFETCH(bool, answers);
        QFETCH(bool, read);
        QFETCH(QString, text);
        ScriptedOwner owner;
        owner.offered = offered;
        owner.data = data;
        owner.answers = answers;
        JobProgress progress;
        const std::optional<QString> got =
            transferText(owner, progress, std::chrono::milliseconds(100));
        QCOMPARE(got.has_value(), read);
        if (got)
            QCOMPARE(*got, text);
    }

    // A pipe that another program writes into, as the Wayland clipboard hands data over: all of
    // it when the writer closes; a writer that falls silent past the limit, or a cancel, stops
    // the read; a piece refused ends it.
    void readsAPipe_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<int>("gapMs");        // before each piece
        QTest::addColumn<int>("holdMs");       // after the last, before the writer closes
        QTest::addColumn<bool>("cancelFirst"); // the user cancels once the first piece came
        QTest::addColumn<int>("takesAtMost");  // bytes, or the read refuses
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QByteArray>("taken");
        const QList<QByteArray> three{"abc", QByteArray(70000, 'd'), "ef"};
        const QByteArray all = three[0] + three[1] + three[2];
        const int picture = int(ReadOutcome::Received), silent = int(ReadOutcome::OwnerSilent),
                  cancelled = int(ReadOutcome::Cancelled);
        QTest::newRow("all of it, then closed")
            << three << 0 << 0 << false << (1 << 20) << picture << all;
        QTest::newRow("drips, each piece within the limit")
            << three << 60 << 0 << false << (1 << 20) << picture << all;
        QTest::newRow("closed at once with nothing")
            << QList<QByteArray>() << 0 << 0 << false << (1 << 20) << picture << QByteArray();
        QTest::newRow("silent past the limit")
            << three << 0 << 400 << false << (1 << 20) << silent << all;
        QTest::newRow("cancelled while it sends")
            << three << 150 << 0 << true << (1 << 20) << cancelled << three[0];
        QTest::newRow("a piece refused")
            << three << 50 << 0 << false << 1000 << int(ReadOutcome::Refused) << QByteArray("abc");
    }

    void readsAPipe()
    {
#ifdef Q_OS_WIN
        QSKIP("the clipboard comes through a pipe on Wayland only");
#else
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(int, gapMs);
        QFETCH(int, holdMs);
        QFETCH(bool, cancelFirst);
        QFETCH(int, takesAtMost);
        QFETCH(int, outcome);
        QFETCH(QByteArray, taken);
        int ends[2];
        QVERIFY(::pipe(ends) == 0);
        ::signal(SIGPIPE, SIG_IGN); // the writer of a refused read writes into a closed pipe
        JobProgress progress;
        std::thread writer([&] {
            for (const QByteArray &piece : pieces) {
                std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
                if (::write(ends[1], piece.constData(), size_t(piece.size())) != piece.size())
                    break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
            ::close(ends[1]);
        });
        QByteArray got;
        const ReadOutcome read = readPipe(ends[0], progress, std::chrono::milliseconds(200),
                                          [&](const char *data, qint64 length) {
                                              if (got.size() + length > takesAtMost)
                                                  return false;
                                              got.append(data, length);
                                              if (cancelFirst)
                                                  progress.cancelled = true;
                                              return true;
                                          });
        ::close(ends[0]); // a writer still writing now fails
        writer.join();
        QCOMPARE(int(read), outcome);
        QCOMPARE(got, taken);
#endif
    }

    // Whole pictures of each format decode; a picture cut short, damaged, over the limit or no
    // picture at all is refused, and says why. A decode of a job that was cancelled stops at
    // its first read.
    void decodesWholePicturesOnly_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("outcome"); // ReadOutcome
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<QImage>("exactly"); // the pixels a lossless picture decodes to
        const QImage picture = patternImage(40, 30);
        const QSize none(0, 0), whole(40, 30); // a refused picture is a null image
        const auto row = [](const char *tag, const QByteArray &bytes, ReadOutcome outcome,
                            QSize size, bool cancelled = false, const QImage &exactly = {}) {
            QTest::newRow(tag) << bytes << int(outcome) << size << cancelled << exactly;
        };
        const QByteArray png = pngBytes(picture), bmp = pngBytes(picture, "BMP");
        const QImage pixels = picture.convertToFormat(QImage::Format_RGB32);
        row("PNG", png, ReadOutcome::Decoded, whole, false, pixels);
        row("BMP", bmp, ReadOutcome::Decoded, whole, false, pixels);
        // The reader seeks past a gap to where the header says the pixels begin.
        QByteArray gap = bmp;
        const quint32 pixelsAt = qFromLittleEndian<quint32>(gap.constData() + 10);
        gap.insert(pixelsAt, QByteArray(100, '\xee'));
        qToLittleEndian<quint32>(pixelsAt + 100, gap.data() + 10);
        qToLittleEndian<quint32>(quint32(gap.size()), gap.data() + 2);
        row("BMP with a gap before its pixels", gap, ReadOutcome::Decoded, whole, false, pixels);
        // Qt writes no GIF: one white pixel, as the smallest GIF files are made.
        row("GIF",
            QByteArray("GIF89a\1\0\1\0\x80\0\0\xff\xff\xff\0\0\0,\0\0\0\0\1\0\1\0\0"
                       "\2\2\x44\1\0;",
                       35),
            ReadOutcome::Decoded, QSize(1, 1));
        const QByteArray gif = corvantile::test::gifBytes(picture);
        row("GIF of many blocks", gif, ReadOutcome::Decoded, whole);
        row("PNG, the job cancelled", png, ReadOutcome::Cancelled, none, true);
        row("BMP, the job cancelled", bmp, ReadOutcome::Cancelled, none, true);
        row("GIF, the job cancelled", gif, ReadOutcome::Cancelled, none, true);
        row("GIF cut in half", gif.left(gif.size() / 2), ReadOutcome::Damaged, none);
        row("GIF cut before its last block's end", gif.left(gif.size() - 3), ReadOutcome::Damaged,
            none);
        row("PNG cut short", png.left(png.size() * 2 / 3), ReadOutcome::Damaged, none);
        QByteArray crc = png;
        crc[crc.size() / 2] = char(crc[crc.size() / 2] ^ 0x55);
        row("PNG with a bad checksum", crc, ReadOutcome::Damaged, none);
        row("PNG header and nothing else", png.left(33), ReadOutcome::Damaged, none);
        row("BMP whose rows are cut short", bmp.left(bmp.size() - 100), ReadOutcome::Damaged, none);
        QByteArray huge = png.left(33);
        qToBigEndian<quint32>(40000, huge.data() + 16);
        qToBigEndian<quint32>(40000, huge.data() + 20);
        row("PNG declaring 40000 x 40000", huge, ReadOutcome::TooLarge, none);
        row("text", "no picture at all", ReadOutcome::NotPicture, none);
        row("nothing", QByteArray(), ReadOutcome::NotPicture, none);
        if (QImageReader::supportedImageFormats().contains("jpeg")) {
            const QByteArray jpeg = pngBytes(picture, "JPEG");
            row("JPEG", jpeg, ReadOutcome::Decoded, whole);
            row("JPEG cut short", jpeg.left(jpeg.size() * 2 / 3), ReadOutcome::Damaged, none);
            row("JPEG, the job cancelled", jpeg, ReadOutcome::Cancelled, none, true);
            // A few hundred bytes that claim 9000 x 9000: refused from a read at an eighth.
            QByteArray claims = jpeg;
            const qsizetype frame = claims.indexOf("\xff\xc0");
            QVERIFY(frame > 0);
            qToBigEndian<quint16>(9000, claims.data() + frame + 5);
            qToBigEndian<quint16>(9000, claims.data() + frame + 7);
            row("JPEG that claims 9000 x 9000", claims, ReadOutcome::Damaged, none);
            row("JPEG that claims 9000 x 9000, the job cancelled", claims, ReadOutcome::Cancelled,
                none, true);
            // Narrower than the eight-pixel column it is first read in.
            QByteArray narrow = pngBytes(patternImage(5, 40), "JPEG");
            qToBigEndian<quint16>(60000, narrow.data() + narrow.indexOf("\xff\xc0") + 5);
            row("JPEG 5 wide that claims 60000 rows", narrow, ReadOutcome::Damaged, none);
            // Flat colour: as few bytes for its pixels as a picture cut short, but whole.
            QImage flat(3000, 2000, QImage::Format_RGB32);
            flat.fill(qRgb(90, 140, 200));
            const QByteArray flatJpeg = pngBytes(flat, "JPEG");
            QVERIFY(flatJpeg.size() * 32 < 3000 * 2000);
            row("flat JPEG of 3000 x 2000", flatJpeg, ReadOutcome::Decoded, QSize(3000, 2000));
        }
    }

    void decodesWholePicturesOnly()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, outcome);
        QFETCH(QSize, size);
        QFETCH(bool, cancelled);
        QFETCH(QImage, exactly);
        allowPicturesUpTo(qint64(10000) * 10000 * 4);
        const std::atomic<bool> cancel{cancelled};
        const DecodedPicture decoded = decodePicture(bytes, &cancel);
        QCOMPARE(int(decoded.outcome), outcome);
        QCOMPARE(decoded.image.size(), size);
        if (decoded.outcome == ReadOutcome::Decoded)
            QCOMPARE(decoded.image.format(), QImage::Format_RGB32);
        if (!exactly.isNull())
            QCOMPARE(decoded.image, exactly);
    }
};

QTEST_APPLESS_MAIN(tst_DeviceBitmap)
#include "tst_device_bitmap.moc"
