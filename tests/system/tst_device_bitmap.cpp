#include "system/device_bitmap.h"

#include <QTest>
#include <QtEndian>

using namespace corvantile;

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
};

QTEST_APPLESS_MAIN(tst_DeviceBitmap)
#include "tst_device_bitmap.moc"
