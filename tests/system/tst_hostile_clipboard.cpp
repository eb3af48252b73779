// Clipboards that another program fills with something hard to swallow. Whatever it holds,
// and even when its owner stops answering, the tool stays responsive and loses nothing it held.

#include "support/desktop.h"
#include "support/test_images.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <QtEndian>
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

// A white RGB picture of the given size as PNG, compressed row by row so that even a huge one
// never has to exist as pixels.
QByteArray hugeWhitePng(int width, int height)
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(width), header.data());
    qToBigEndian<quint32>(static_cast<quint32>(height), header.data() + 4);
    header[8] = 8; // bits a channel
    header[9] = 2; // RGB
    appendChunk(png, "IHDR", header);
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
    void initTestCase();
    void hostileOffer_data();
    void hostileOffer();
};

void tst_HostileClipboard::initTestCase()
{
    requireTools(QStringLiteral("Xvfb xclip xdotool import"));
}

void tst_HostileClipboard::hostileOffer_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("freezeOwner");
    QTest::addColumn<int>("view");        // what the view shows afterwards
    QTest::addColumn<QRgb>("newPixel");   // the new picture's top-left pixel, when it shows
    QTest::addColumn<bool>("secondSlot"); // whether the paste filled the next buffer
    const QString png = QStringLiteral("image/png");
    // A picture that is offered but does not decode is a failed read: the view keeps its own.
    QTest::newRow("corrupt PNG") << QByteArray("\x89PNG\r\n\x1a\nthis is no picture", 26) << png
                                 << false << int(View::KeepsPattern) << QRgb(0) << false;
    QTest::newRow("empty PNG") << QByteArray() << png << false << int(View::KeepsPattern) << QRgb(0)
                               << false;
    QTest::newRow("1 x 1") << pngBytes(solid(1, 1, qRgb(200, 30, 40))) << png << false
                           << int(View::ShowsNew) << qRgb(200, 30, 40) << true;
    QTest::newRow("40000 x 10") << pngBytes(solid(40000, 10, qRgb(20, 90, 200))) << png << false
                                << int(View::ShowsNew) << qRgb(20, 90, 200) << true;
    // Beyond what the scroll bars can reach, and so beyond what the tool decodes: refused, not
    // a crash, and what the view showed stays.
    QTest::newRow("34000 x 34000") << hugeWhitePng(34000, 34000) << png << false
                                   << int(View::KeepsPattern) << QRgb(0) << false;
    QTest::newRow("text only") << QByteArray("just words") << QStringLiteral("UTF8_STRING") << false
                               << int(View::Blank) << QRgb(0) << false;
    QTest::newRow("owner stops answering") << pngBytes(solid(500, 400, qRgb(0, 255, 0))) << png
                                           << true << int(View::KeepsPattern) << QRgb(0) << false;
}

void tst_HostileClipboard::hostileOffer()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, target);
    QFETCH(bool, freezeOwner);
    QFETCH(int, view);
    QFETCH(QRgb, newPixel);
    QFETCH(bool, secondSlot);

    Desktop x;
    QVERIFY(x.display.start());
    // First a good screenshot, in the view and in slot 0.
    QVERIFY(x.clipboard.offer(patternImage(300, 200)));
    QVERIFY(x.program.start());
    x.program.click(spot::pasteButton);
    const QRect probe(spot::viewPicture, QSize(120, 60));
    QTRY_COMPARE_WITH_TIMEOUT(x.program.screenPart(probe).pixel(10, 20), patternPixel(10, 20),
                              10000);
    const QImage slotZero = x.program.screenPart(spot::firstSlot);
    const QImage emptySlot = x.program.screenPart(spot::secondSlot);

    QProcess *owner = x.clipboard.offer(bytes, target);
    QVERIFY(owner);
    if (freezeOwner)
        ::kill(static_cast<pid_t>(owner->processId()), SIGSTOP);

    // Paste, then type into the width box at once: the time until the typed digit shows is
    // how long the window was unable to react.
    const QRect widthBox(spot::widthBox - QPoint(38, 7), QSize(76, 14));
    const QImage widthBefore = x.program.screenPart(widthBox);
    QElapsedTimer timer;
    timer.start();
    x.program.click(spot::pasteButton);
    x.program.click(spot::widthBox);
    x.display.xdotool(QStringLiteral("type 7"));
    QTRY_VERIFY_WITH_TIMEOUT(x.program.screenPart(widthBox) != widthBefore, 90000);
    const qint64 blocked = timer.elapsed();
    qInfo("the window reacted again after %lld ms", blocked);
    QVERIFY2(blocked < 6500, qPrintable(QStringLiteral("blocked for %1 ms").arg(blocked)));

    const QImage shown = x.program.screenPart(probe);
    switch (View(view)) {
    case View::Blank:
        QCOMPARE(shown.pixel(10, 20), shown.pixel(100, 50));
        QVERIFY(shown.pixel(10, 20) != patternPixel(10, 20));
        break;
    case View::KeepsPattern:
        QCOMPARE(shown.pixel(10, 20), patternPixel(10, 20));
        QCOMPARE(shown.pixel(100, 50), patternPixel(100, 50));
        break;
    case View::ShowsNew:
        QCOMPARE(shown.pixel(0, 0), newPixel);
        break;
    }
    QCOMPARE(x.program.screenPart(spot::firstSlot), slotZero); // what the tool held is still there
    QCOMPARE(x.program.screenPart(spot::secondSlot) != emptySlot, secondSlot);

    // The buffer counter: a paste whose bitmap test failed (the owner did not answer) counts
    // as a bitmap paste that stored nothing, so the next good paste skips a slot. A picture
    // that did not decode is no bitmap paste at all.
    const bool counterRaised = secondSlot || freezeOwner;
    QVERIFY(x.clipboard.offer(patternImage(300, 200)));
    x.program.click(spot::pasteButton);
    const QRect nextSlot = counterRaised ? spot::thirdSlot : spot::secondSlot;
    QTRY_VERIFY_WITH_TIMEOUT(x.program.screenPart(nextSlot) != emptySlot, 10000);
    if (!secondSlot)
        QCOMPARE(x.program.screenPart(spot::secondSlot) == emptySlot, counterRaised);
}

QTEST_GUILESS_MAIN(tst_HostileClipboard)
#include "tst_hostile_clipboard.moc"
