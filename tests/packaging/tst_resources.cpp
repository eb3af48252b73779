#include "main_window/form1.h"
#include "preview/frm_egg.h"

#include <QFile>
#include <QIcon>
#include <QImageReader>
#include <QTest>
#include <QtEndian>

using namespace corvantile;

class tst_Resources : public QObject
{
    Q_OBJECT
private slots:
    void icoHoldsFourImages()
    {
        QFile file(QStringLiteral(CORVANTILE_SOURCE_DIR "/resources/corvantile.ico"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray ico = file.readAll();
        const auto word = [&](int at) { return qFromLittleEndian<quint16>(ico.constData() + at); };
        QCOMPARE(word(0), quint16(0));
        QCOMPARE(word(2), quint16(1)); // an icon, not a cursor
        QCOMPARE(word(4), quint16(4));
        QList<std::pair<int, int>> images; // size and colour count of each entry
        for (int i = 0; i < 4; ++i) {
            const int entry = 6 + 16 * i;
            const int size = static_cast<uchar>(ico.at(entry));
            const int colours = static_cast<uchar>(ico.at(entry + 2));
            images << std::pair{size, colours == 0 ? 256 : colours};
            QCOMPARE(int(word(entry + 6)), colours == 16 ? 4 : 8); // bits a pixel
        }
        QCOMPARE(images, (QList<std::pair<int, int>>{{16, 16}, {16, 256}, {32, 16}, {32, 256}}));

        // And an ordinary reader sees the same four pictures.
        QImageReader reader(&file, "ico");
        file.seek(0);
        QCOMPARE(reader.imageCount(), 4);
    }

    // The program's icon on Windows: the window's four images as they are, then the same art
    // at the sizes Explorer asks for, in 32 bits.
    void applicationIconHoldsEverySize()
    {
        QFile window(QStringLiteral(CORVANTILE_SOURCE_DIR "/resources/corvantile.ico"));
        QFile application(QStringLiteral(CORVANTILE_APP_ICON));
        QVERIFY(window.open(QIODevice::ReadOnly) && application.open(QIODevice::ReadOnly));
        const QByteArray windowIco = window.readAll(), ico = application.readAll();
        QCOMPARE(qFromLittleEndian<quint16>(ico.constData() + 4), quint16(7));
        for (int i = 0; i < 4; ++i) // the same entries, bar where their data lies
            QCOMPARE(ico.mid(6 + 16 * i, 12), windowIco.mid(6 + 16 * i, 12));
        QImageReader reader(&application, "ico");
        application.seek(0);
        QList<int> sizes;
        for (int i = 0; i < reader.imageCount(); ++i) {
            QVERIFY(reader.jumpToImage(i));
            const QImage image = reader.read();
            QCOMPARE(image.width(), image.height());
            sizes << image.width();
        }
        QCOMPARE(sizes, (QList<int>{16, 16, 32, 32, 24, 48, 256}));
    }

    void windowCarriesTheIcon()
    {
        Form1 form;
        const QList<QSize> sizes = form.windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)));
        QVERIFY(sizes.contains(QSize(32, 32)));
    }

    void hiddenPictureIsFixed()
    {
        const QImage picture = frmEgg::picture();
        QCOMPARE(picture.size(), QSize(300, 300));
        QCOMPARE(picture.format(), QImage::Format_RGB888);
        const QImage stored(QStringLiteral(CORVANTILE_SOURCE_DIR "/resources/hidden_picture.png"));
        QCOMPARE(picture, stored.convertToFormat(QImage::Format_RGB888));
    }
};

QTEST_MAIN(tst_Resources)
#include "tst_resources.moc"
