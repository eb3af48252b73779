// The Windows build's Corvantile.exe under Wine, on an X server of its own: another process
// offers a bitmap, then a PNG, on the clipboard; the user pastes each, types a region and
// presses Create Object, and the definition is read back from the Windows clipboard by a
// Windows program, byte for byte. (Wine hands text on to X11 with LF line breaks, so X11's
// copy would not tell.)

#include "support/desktop.h"
#include "support/test_images.h"

#include <QBuffer>
#include <QScopeGuard>
#include <QTest>

using namespace corvantile::test;

const QString wine = QStringLiteral("/usr/lib/wine/wine64");

class tst_Wine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void definitionOnTheWindowsClipboard();
};

void tst_Wine::initTestCase()
{
    requireTools(QStringLiteral("Xvfb xclip xdotool import /usr/lib/wine/wine64"),
                 QStringLiteral("CORVANTILE_EXE CORVANTILE_CLIPBOARD_TEXT"));
}

void tst_Wine::definitionOnTheWindowsClipboard()
{
    Desktop x;
    QVERIFY(x.display.start());
    // A Wine prefix of this run's own; its processes are ended by their ids at the end.
    const QString prefix = x.display.filePath(QStringLiteral("wine"));
    qputenv("WINEPREFIX", prefix.toLocal8Bit());
    qputenv("WINEDEBUG", "-all");
    // Every Wine process of the prefix: Wine starts its server and services by itself.
    const auto endWine = qScopeGuard([&] {
        x.display.run(QStringLiteral(CORVANTILE_SOURCE_DIR "/scripts/wine-prefix"),
                      {QStringLiteral("--end"), prefix});
    });
    QProcess *setup =
        x.display.start(QStringLiteral(CORVANTILE_SOURCE_DIR "/scripts/wine-prefix"), {prefix});
    QVERIFY(setup && setup->waitForFinished(180000));
    QCOMPARE(setup->exitCode(), 0);

    x.program.setProgram(wine, {qEnvironmentVariable("CORVANTILE_EXE")});
    QVERIFY(x.program.start());
    QCOMPARE(x.program.window(), corvantile::layout::window.topLeft()); // where the program puts it
    const QRect view(spot::viewPicture, QSize(20, 30));

    // A bitmap (Windows offers the bitmap format for it) is shown and kept in slot 0.
    const QImage bitmap = patternImage(400, 300).mirrored(true, false);
    QByteArray bmp;
    QBuffer buffer(&bmp);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && bitmap.save(&buffer, "BMP"));
    QVERIFY(x.clipboard.offer(bmp, QStringLiteral("image/bmp")));
    const QImage emptySlot = x.program.screenPart(spot::secondSlot);
    x.program.click(spot::pasteButton);
    QTRY_COMPARE_WITH_TIMEOUT(x.program.screenPart(view).pixel(10, 20), bitmap.pixel(10, 20),
                              15000);
    QVERIFY(x.program.screenPart(spot::firstSlot) != emptySlot);

    // A PNG alone is no bitmap: it is shown, and slot 1 stays empty.
    const QImage shot = patternImage(400, 300);
    QVERIFY(x.clipboard.offer(shot));
    x.program.click(spot::pasteButton);
    QTRY_COMPARE_WITH_TIMEOUT(x.program.screenPart(view).pixel(10, 20), patternPixel(10, 20),
                              15000);
    QCOMPARE(x.program.screenPart(spot::secondSlot), emptySlot);

    x.program.typeRegionAndCreate(QStringLiteral("35, 12"), QStringLiteral("9"),
                                  QStringLiteral("7"));
    const QByteArray expected = expectedDefinition(shot, QRect(35, 12, 9, 7));
    const auto windowsText = [&] {
        const QByteArray utf16 =
            x.display.run(wine, {qEnvironmentVariable("CORVANTILE_CLIPBOARD_TEXT")});
        return QString::fromUtf16(reinterpret_cast<const char16_t *>(utf16.constData()),
                                  utf16.size() / 2)
            .toUtf8();
    };
    QTRY_COMPARE_WITH_TIMEOUT(windowsText(), expected, 15000);
}

QTEST_GUILESS_MAIN(tst_Wine)
#include "tst_wine.moc"
