// Clipboards that another program fills with something hard to swallow. Whatever it holds,
// and even when its owner stops answering, the tool stays responsive and loses nothing it held.

#include "support/desktop.h"
#include "support/process_memory.h"

#include <csignal>
#include <optional>
#include <zlib.h>

using namespace corvantile::test;

namespace {

void appendChunk(QByteArray &png, const char *type, const QByteArray &data)
{
    const quint32 length = qToBigEndian(static_cast<quint32>(data.size()));
    png.append(reinterpret_cast<const char *>(&length), 4);
    const QByteArray typed = QByteArray(type) + data;
    png.append(typed);
    const quint32 crc = qToBigEndian(static_cast<quint32>(crc32(
        0, reinterpret_cast<const Bytef *>(typed.constData()), static_cast<uInt>(typed.size()))));
    png.append(reinterpret_cast<const char *>(&crc), 4);
}

// The start of a PNG of the given size, up to its image header: RGB, 8 bits a channel, unless
// told otherwise.
QByteArray pngStart(quint32 width, quint32 height, char depth = 8, char colourType = 2,
                    bool interlaced = false)
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(width, header.data());
    qToBigEndian<quint32>(height, header.data() + 4);
    header[8] = depth;
    header[9] = colourType;
    header[12] = interlaced ? 1 : 0;
    appendChunk(png, "IHDR", header);
    return png;
}

// A white picture of the given size as PNG, compressed row by row so that even a huge one
// never has to exist as pixels.
QByteArray hugeWhitePng(int width, int height)
{
    QByteArray png = pngStart(width, height);
    QByteArray row(1 + 3 * width, '\xff');
    row[0] = 0; // no filter
    z_stream z{};
    deflateInit(&z, 9);
    QByteArray out(1 << 20, '\0');
    QByteArray idat;
    for (int y = 0; y <= height; ++y) {
        const bool last = y == height;
        z.next_in = last ? nullptr : reinterpret_cast<Bytef *>(row.data());
        z.avail_in = last ? 0 : static_cast<uInt>(row.size());
        do {
            z.next_out = reinterpret_cast<Bytef *>(out.data());
            z.avail_out = static_cast<uInt>(out.size());
            deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            idat.append(out.constData(), out.size() - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    appendChunk(png, "IDAT", idat);
    appendChunk(png, "IEND", QByteArray());
    return png;
}

QImage solid(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

enum class View { Blank, KeepsPattern, ShowsNew };

} // namespace

class tst_HostileClipboard : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { requireTools(QStringLiteral("Xvfb xclip xdotool import")); }

    void hostileOffer_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("target");
        // xclip, a stopped xclip, or the slow owner's TOTAL CHUNK INTERVAL_MS (and Escape pressed
        // once the paste has run for a second, or at once after xclip).
        QTest::addColumn<QString>("owner");
        QTest::addColumn<int>("view");           // what the view shows afterwards
        QTest::addColumn<QImage>("newPicture");  // what it shows, when the new picture shows
        QTest::addColumn<bool>("secondSlot");    // whether the paste filled the next buffer
        QTest::addColumn<bool>("counterRaised"); // whether the buffer counter moved on
        QTest::addColumn<int>("withinMs");       // how soon the window answers typing again
        QTest::addColumn<int>("peakMiB");        // the most memory the program may hold, or 0
        const QString png = QStringLiteral("image/png");
        const QString xclip = QStringLiteral("xclip");
        const QImage none;
        // The window answers at once whatever the owner does; what it takes is the time xdotool
        // and the screen grabs take. An owner that stalls holds the paste, not the window, for
        // the 2 s silence limit: typing during it is answered as at any other time.
        const int stalled = 2500;
        // A picture that is offered but does not decode is a failed read: the view keeps its own.
        QTest::newRow("corrupt PNG")
            << QByteArray("\x89PNG\r\n\x1a\nthis is no picture", 26) << png << xclip
            << int(View::KeepsPattern) << none << false << false << 2500 << 0;
        QTest::newRow("empty PNG") << QByteArray() << png << xclip << int(View::KeepsPattern)
                                   << none << false << false << 2500 << 0;
        const QImage tiny = solid(1, 1, qRgb(200, 30, 40)),
                     wide = solid(40000, 10, qRgb(20, 90, 200));
        QTest::newRow("1 x 1") << pngBytes(tiny) << png << xclip << int(View::ShowsNew) << tiny
                               << true << true << 2500 << 0;
        QTest::newRow("40000 x 10") << pngBytes(wide) << png << xclip << int(View::ShowsNew) << wide
                                    << true << true << 2500 << 0;
        // Beyond what the scroll bars can reach, and so beyond what the tool decodes: refused, not
        // a crash, and what the view showed stays.
        QTest::newRow("34000 x 34000")
            << hugeWhitePng(34000, 34000) << png << xclip << int(View::KeepsPattern) << none
            << false << false << 2500 << 200;
        // Within the limit, but seconds to decode: Escape ends the paste while the decode goes on,
        // unheeded, in the background.
        QTest::newRow("Escape during a 33000 x 33000 decode")
            << hugeWhitePng(33000, 33000) << png << QStringLiteral("xclip escape")
            << int(View::KeepsPattern) << none << false << true << 2500 << 0;
        QTest::newRow("text only")
            << QByteArray("just words") << QStringLiteral("UTF8_STRING") << xclip
            << int(View::Blank) << none << false << false << 2500 << 0;
        // An owner that stops answering, or never sends what it offers, or stops halfway: the
        // bitmap test failed, so the counter moves on and nothing is stored.
        const QByteArray green = pngBytes(solid(500, 400, qRgb(0, 255, 0)));
        QTest::newRow("owner stops answering")
            << green << png << QStringLiteral("frozen") << int(View::KeepsPattern) << none << false
            << true << stalled << 0;
        QTest::newRow("never sends")
            << green << png << QStringLiteral("0 65536 -1") << int(View::KeepsPattern) << none
            << false << true << stalled << 0;
        QTest::newRow("a piece every 4.9 s")
            << green << png << QStringLiteral("0 256 4900") << int(View::KeepsPattern) << none
            << false << true << stalled << 0;
        // Floods: garbage is refused at its first bytes, and a picture header caps what is read.
        QTest::newRow("2 GB of garbage")
            << QByteArray() << png << QStringLiteral("2000000000 4194304 0")
            << int(View::KeepsPattern) << none << false << false << 2500 << 200;
        QTest::newRow("8K PNG header, then garbage")
            << pngStart(7680, 4320) << png << QStringLiteral("2000000000 4194304 0")
            << int(View::KeepsPattern) << none << false << false << 2500 << 127 + 200;
        // Sides whose number of bytes a pixel overflows 64 bits are over the limit too (a 1-bit
        // grey picture's file would still seem to fit in memory).
        QTest::newRow("2147483647 x 2147483647 PNG header, then garbage")
            << pngStart(0x7fffffff, 0x7fffffff, 1, 0) << png
            << QStringLiteral("2000000000 4194304 0") << int(View::KeepsPattern) << none << false
            << false << 2500 << 200;
        // A header whose rows would need four times the picture limit, and nothing after it: no
        // memory is reserved for what never comes.
        QTest::newRow("33-byte 16-bit interlaced PNG header of 33185 x 33185")
            << pngStart(33185, 33185, 16, 6, true) << png << xclip << int(View::KeepsPattern)
            << none << false << false << 2500 << 200;
        // Pictures that are not whole are refused, not shown half grey.
        const QImage photo = patternImage(400, 300);
        const QByteArray jpeg = pngBytes(photo, "JPEG"), whole = pngBytes(photo);
        const QString jpegType = QStringLiteral("image/jpeg");
        QTest::newRow("JPEG cut short")
            << jpeg.left(jpeg.size() * 2 / 3) << jpegType << xclip << int(View::KeepsPattern)
            << none << false << false << 2500 << 0;
        // A few kilobytes that claim 33000 x 33000 cost no more than their bytes.
        QByteArray claims = jpeg;
        const qsizetype frame = claims.indexOf("\xff\xc0");
        qToBigEndian<quint16>(33000, claims.data() + frame + 5);
        qToBigEndian<quint16>(33000, claims.data() + frame + 7);
        QTest::newRow("JPEG of a few KB that claims 33000 x 33000")
            << claims << jpegType << xclip << int(View::KeepsPattern) << none << false << false
            << 2500 << 200;
        QTest::newRow("PNG cut short")
            << whole.left(whole.size() * 2 / 3) << png << xclip << int(View::KeepsPattern) << none
            << false << false << 2500 << 0;
        // A frame header after 120 KB of metadata is found where it stands.
        QByteArray late = jpeg.left(2);
        for (int i = 0; i < 2; ++i)
            late += QByteArray("\xff\xe2\xea\x62", 4) + QByteArray(60000, 'm');
        late += jpeg.mid(2);
        QTest::newRow("JPEG with 120 KB before its frame header")
            << late << jpegType << xclip << int(View::ShowsNew) << QImage::fromData(jpeg) << true
            << true << 2500 << 0;
        // A slow owner that keeps sending is read to the end: 99.5 MB at about 10 MB/s.
        const QImage desktop = patternImage(7680, 4320).mirrored(true, true);
        const QByteArray bmp = pngBytes(desktop, "BMP");
        QTest::newRow("8K BMP at 10 MB/s")
            << bmp << QStringLiteral("image/bmp") << QStringLiteral("0 262144 25")
            << int(View::ShowsNew) << desktop << true << true << 2500 << 127 + 200;
        // Escape cancels a paste under way: a failed read, with the counter moved on.
        QTest::newRow("Escape during a slow paste")
            << bmp << QStringLiteral("image/bmp") << QStringLiteral("0 262144 25 escape")
            << int(View::KeepsPattern) << none << false << true << 2500 << 127 + 200;
    }

    void hostileOffer()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, target);
        QFETCH(QString, owner);
        QFETCH(int, view);
        QFETCH(QImage, newPicture);
        QFETCH(bool, secondSlot);
        QFETCH(bool, counterRaised);
        QFETCH(int, withinMs);
        QFETCH(int, peakMiB);

        Desktop x;
        QVERIFY(x.display.start());
        // Within an address space of 8 GiB, as on a machine that allows no more, a header that
        // would make the program reserve more must not end it. A program built with the
        // sanitizers reserves terabytes for their shadow memory, and holds more than it would:
        // it runs unbounded, and its memory is not judged.
        const bool sanitized = qEnvironmentVariableIsSet("CORVANTILE_SANITIZED");
        if (!sanitized)
            x.program.setProgram(
                QStringLiteral("prlimit"),
                {QStringLiteral("--as=8589934592"), qEnvironmentVariable("CORVANTILE_BINARY")});
        // First a good screenshot, in the view and in slot 0.
        QVERIFY(x.clipboard.offer(patternImage(300, 200)));
        QProcess *program = x.program.start();
        QVERIFY(program);
        QVERIFY(x.program.paste(patternImage(300, 200)));
        const QImage slotZero = x.program.screenPart(spot::firstSlot);
        const QImage emptySlot = x.program.screenPart(spot::secondSlot);

        if (owner.startsWith(QLatin1String("xclip")) || owner == QLatin1String("frozen")) {
            QProcess *xclip = x.clipboard.offer(bytes, target);
            QVERIFY(xclip);
            if (owner == QLatin1String("frozen"))
                ::kill(static_cast<pid_t>(xclip->processId()), SIGSTOP);
        } else {
            const QString file = x.display.filePath(QStringLiteral("slow"));
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
            out.close();
            QProcess *slow = x.display.start(qEnvironmentVariable("CORVANTILE_SLOW_OWNER"),
                                             QStringList{target, file} + words(owner).mid(0, 3));
            QVERIFY(slow && slow->waitForReadyRead(20000));
        }

        // Paste, then type into the width box at once: the time until the typed digit shows is
        // how long the window was unable to react.
        const QRect widthBox(spot::widthBox - QPoint(38, 7), QSize(76, 14));
        const QImage widthBefore = x.program.screenPart(widthBox);
        const QRect status = corvantile::layout::inWindow("lblCoords");
        const QImage statusBefore = x.program.screenPart(status);
        QElapsedTimer timer;
        timer.start();
        x.program.click(spot::pasteButton);
        const QStringList pace = words(owner);
        if (owner == QLatin1String("frozen") || (pace.size() >= 3 && pace[2] != u'0')) {
            // A long paste shows how far it got. Waiting for that is the test's own time, not
            // the window's: how soon it answers typing is timed from here.
            QTRY_VERIFY_WITH_TIMEOUT(x.program.screenPart(status) != statusBefore, 1500);
            timer.restart();
        }
        if (owner.endsWith(QLatin1String("escape")))
            x.display.xdotool(QStringLiteral("key Escape"));
        x.program.click(spot::widthBox);
        x.display.xdotool(QStringLiteral("type 7"));
        QTRY_VERIFY_WITH_TIMEOUT(x.program.screenPart(widthBox) != widthBefore, 90000);
        const qint64 blocked = timer.elapsed();
        qInfo("the window reacted again after %lld ms; at most %ld MiB held", blocked,
              highWaterMiB(program->processId()));
        QVERIFY2(blocked < withinMs, qPrintable(QStringLiteral("blocked for %1 ms").arg(blocked)));
        // The paste is over when the status line stands still: while it runs, its progress
        // counts the seconds (a refusal stays for 1.5 s), and its outcome then stays.
        QImage lastStatus = x.program.screenPart(status);
        QElapsedTimer still;
        still.start();
        while (still.elapsed() < 2500 && timer.elapsed() < 120000) {
            QTest::qWait(100);
            if (const QImage now = x.program.screenPart(status); now != lastStatus) {
                lastStatus = now;
                still.restart();
            }
        }
        QVERIFY(lastStatus != statusBefore); // the outcome is in the status line
        if (peakMiB > 0 && !sanitized)
            QCOMPARE_LE(highWaterMiB(program->processId()), peakMiB);

        const QImage shown = x.program.screenPart(QRect(spot::viewPicture, QSize(120, 60)));
        switch (View(view)) {
        case View::Blank:
            QCOMPARE(shown.pixel(10, 20), shown.pixel(100, 50));
            QVERIFY(shown.pixel(10, 20) != patternPixel(10, 20));
            break;
        case View::KeepsPattern:
            QCOMPARE(shown.pixel(10, 20), patternPixel(10, 20));
            QCOMPARE(shown.pixel(100, 50), patternPixel(100, 50));
            break;
        case View::ShowsNew: {
            const QRect part = shown.rect() & newPicture.rect();
            QCOMPARE(shown.copy(part), newPicture.copy(part).convertToFormat(shown.format()));
            break;
        }
        }
        // What the tool held is still there.
        QCOMPARE(x.program.screenPart(spot::firstSlot), slotZero);
        QCOMPARE(x.program.screenPart(spot::secondSlot) != emptySlot, secondSlot);

        // The buffer counter: a paste whose bitmap test failed (the owner did not answer) counts
        // as a bitmap paste that stored nothing, so the next good paste skips a slot. A picture
        // that did not decode is no bitmap paste at all.
        QVERIFY(x.clipboard.offer(patternImage(300, 200)));
        x.program.click(spot::pasteButton);
        const QRect nextSlot = counterRaised ? spot::thirdSlot : spot::secondSlot;
        QTRY_VERIFY_WITH_TIMEOUT(x.program.screenPart(nextSlot) != emptySlot, 10000);
        if (!secondSlot)
            QCOMPARE(x.program.screenPart(spot::secondSlot) == emptySlot, counterRaised);
    }

    // The paste key in a text box while the owner of the clipboard's text is stopped: the
    // window goes on answering, and Escape ends the wait.
    void stoppedTextOwner()
    {
        Desktop x;
        QVERIFY(x.display.start());
        QVERIFY(x.program.start());
        QProcess *xclip = x.clipboard.offer(QByteArray("42"), QStringLiteral("UTF8_STRING"));
        QVERIFY(xclip);
        ::kill(static_cast<pid_t>(xclip->processId()), SIGSTOP);
        const QRect widthBox(spot::widthBox - QPoint(38, 7), QSize(76, 14));
        const QRect status = corvantile::layout::inWindow("lblCoords");
        x.program.click(spot::widthBox);
        const QImage widthBefore = x.program.screenPart(widthBox);
        QElapsedTimer timer;
        timer.start();
        x.display.xdotool(QStringLiteral("key ctrl+v"));
        x.display.xdotool(QStringLiteral("type 7"));
        QTRY_VERIFY_WITH_TIMEOUT(x.program.screenPart(widthBox) != widthBefore, 2500);
        qInfo("the window reacted again after %lld ms", timer.elapsed());
        const QImage statusBefore = x.program.screenPart(status);
        x.display.xdotool(QStringLiteral("key Escape"));
        QTRY_VERIFY_WITH_TIMEOUT(x.program.screenPart(status) != statusBefore, 1000);
        ::kill(static_cast<pid_t>(xclip->processId()), SIGCONT);
    }
};

QTEST_GUILESS_MAIN(tst_HostileClipboard)
#include "tst_hostile_clipboard.moc"
