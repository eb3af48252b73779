// The Windows build's Corvantile.exe under Wine, on an X server of its own, with a Windows
// program of the tests beside it. Another process offers a bitmap, then a PNG; the user pastes
// each, types a region and presses Create Object, and the definition is read back from the
// Windows clipboard, byte for byte. (Wine hands text on to X11 with LF line breaks, so X11's
// copy would not tell.) Bitmaps that Windows programs put on the clipboard paste as GDI reads
// them, and the Zoom preview opens as the active window and closes on Escape.

#include "support/desktop.h"

using namespace corvantile::test;

const QString wine = QStringLiteral("/usr/lib/wine/wine64");

class tst_Wine : public QObject
{
    Q_OBJECT
private:
    Desktop x;
    QString m_prefix;
    QByteArray desk(const QStringList &arguments)
    {
        // Through the script that starts it again when Wine ends it before it has started.
        return x.display.run(QStringLiteral(CORVANTILE_SOURCE_DIR "/scripts/wine-run"),
                             QStringList{qEnvironmentVariable("CORVANTILE_WINDOWS_DESK")} +
                                 arguments);
    }
    // Types the picture's whole region, presses Create Object and compares the definition on
    // the Windows clipboard with the one worked out from the picture.
    void createAndCompare(const QImage &shot, const QRect &region)
    {
        x.program.typeRegionAndCreate(QStringLiteral("%1, %2").arg(region.x()).arg(region.y()),
                                      QString::number(region.width()),
                                      QString::number(region.height()));
        const auto windowsText = [&] {
            const QByteArray utf16 = desk({});
            return QString::fromUtf16(reinterpret_cast<const char16_t *>(utf16.constData()),
                                      utf16.size() / 2)
                .toUtf8();
        };
        QTRY_COMPARE_WITH_TIMEOUT(windowsText(), expectedDefinition(shot, region), 15000);
    }
private slots:
    void initTestCase()
    {
        requireTools(QStringLiteral("Xvfb xclip xdotool import /usr/lib/wine/wine64"),
                     QStringLiteral("CORVANTILE_EXE CORVANTILE_WINDOWS_DESK"));
        QVERIFY(x.display.start());
        // A Wine prefix of this run's own; every Wine process of it (Wine starts its server and
        // services by itself) is ended at the end.
        m_prefix = x.display.filePath(QStringLiteral("wine"));
        qputenv("WINEPREFIX", m_prefix.toLocal8Bit());
        qputenv("WINEDEBUG", "-all");
        QProcess *setup = x.display.start(
            QStringLiteral(CORVANTILE_SOURCE_DIR "/scripts/wine-prefix"), {m_prefix});
        QVERIFY(setup && setup->waitForFinished(180000));
        QCOMPARE(setup->exitCode(), 0);
        x.program.setProgram(wine, {qEnvironmentVariable("CORVANTILE_EXE")});
        QVERIFY(x.program.start());
        QCOMPARE(x.program.window(),
                 corvantile::layout::window.topLeft()); // where the program puts it
    }

    void cleanupTestCase()
    {
        if (!m_prefix.isEmpty())
            x.display.run(QStringLiteral(CORVANTILE_SOURCE_DIR "/scripts/wine-prefix"),
                          {QStringLiteral("--end"), m_prefix});
    }

    void definitionOnTheWindowsClipboard()
    {
        // A bitmap (Windows offers the bitmap format for it) is shown and kept in slot 0.
        const QImage bitmap = patternImage(400, 300).mirrored(true, false);
        QByteArray bmp;
        QBuffer buffer(&bmp);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && bitmap.save(&buffer, "BMP"));
        QVERIFY(x.clipboard.offer(bmp, QStringLiteral("image/bmp")));
        const QImage emptySlot = x.program.screenPart(spot::secondSlot);
        QVERIFY(x.program.paste(bitmap));
        QVERIFY(x.program.screenPart(spot::firstSlot) != emptySlot);

        // A PNG alone is no bitmap: it is shown, and slot 1 stays empty.
        const QImage shot = patternImage(400, 300);
        QVERIFY(x.clipboard.offer(shot));
        QVERIFY(x.program.paste(shot));
        QCOMPARE(x.program.screenPart(spot::secondSlot), emptySlot);
        createAndCompare(shot, QRect(35, 12, 9, 7));
    }

    void windowsBitmapsPasteAsGdiReadsThem_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *kind :
             {"dibv5", "dibv5-alpha", "png-dibv5", "565", "bitfields", "top-down", "palette"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }

    // A Windows program puts each kind of bitmap on the clipboard and says what GDI's GetPixel
    // reads from it; the paste's definition of the whole picture is made of those colours.
    void windowsBitmapsPasteAsGdiReadsThem()
    {
        QFETCH(QString, kind);
        QStringList offer = {QStringLiteral("offer"), kind};
        if (kind == QLatin1String("png-dibv5")) { // a PNG of another picture beside the bitmap
            const QString png = x.display.filePath(QStringLiteral("beside.png"));
            QVERIFY(patternImage(23, 10).save(png));
            offer << QStringLiteral("Z:") + png;
        }
        const QList<QByteArray> lines = desk(offer).split('\n');
        QCOMPARE(lines.value(0), QByteArray("23 10"));
        QImage gdi(23, 10, QImage::Format_RGB32);
        for (int y = 0; y < gdi.height(); ++y) {
            const QList<QByteArray> row = lines.value(1 + y).split(' ');
            QCOMPARE(row.size(), gdi.width());
            for (int x = 0; x < gdi.width(); ++x)
                gdi.setPixel(x, y, 0xff000000u | row[x].toUInt(nullptr, 16));
        }
        QVERIFY(x.program.paste(gdi));
        createAndCompare(gdi, gdi.rect());
    }

    void zoomOpensActiveAndClosesOnEscape()
    {
        const QString zoom = QStringLiteral("search --onlyvisible --name ^Zoom$");
        for (const QString &close : {QStringLiteral("Escape"), QStringLiteral("alt+F4")}) {
            // The preview of slot 1, opened with its key and the menu item's.
            x.program.click(spot::redFromBox);
            x.display.xdotool(QStringLiteral("key ctrl+shift+1 sleep 0.5 key e"));
            QTRY_COMPARE_WITH_TIMEOUT(desk({QStringLiteral("foreground")}).trimmed(),
                                      QByteArray("Zoom"), 10000);
            // The keys go where the active window is (no window manager here moves them there).
            x.display.xdotool(zoom + QStringLiteral(" windowfocus --sync key ") + close);
            QTRY_VERIFY_WITH_TIMEOUT(
                x.display.run(QStringLiteral("xdotool"), words(zoom)).isEmpty(), 10000);
            QVERIFY(desk({QStringLiteral("foreground")}).startsWith("Quenby"));
        }
    }
};

QTEST_GUILESS_MAIN(tst_Wine)
#include "tst_wine.moc"
