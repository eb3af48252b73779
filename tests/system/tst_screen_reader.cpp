// The real program as a screen reader reaches it: through the AT-SPI bus of a private D-Bus
// session, on a private X server, with another process owning the clipboard. The driver
// (atspi_driver.py) uses nothing but AT-SPI: actions, editable text and text.

#include "object_definition/definition_check.h"
#include "support/desktop.h"

using namespace corvantile::test;

// Runs a driver inside a private D-Bus session with the AT-SPI bus and the program, and gives
// its output once it is done.
static QByteArray driven(corvantile::test::Display &display, const QString &driver,
                         const QStringList &arguments, const QHash<QString, QString> &env = {})
{
    const QString here = QStringLiteral(CORVANTILE_SOURCE_DIR "/tests/system/");
    QProcess *session =
        display.start(QStringLiteral("dbus-run-session"),
                      QStringList{QStringLiteral("--"), here + QStringLiteral("atspi_session.sh"),
                                  qEnvironmentVariable("CORVANTILE_BINARY"), here + driver} +
                          arguments,
                      env);
    if (!session || !session->waitForFinished(120000))
        return {};
    const QByteArray out = session->readAllStandardOutput();
    if (session->exitCode() != 0)
        qWarning("%s", (out + session->readAllStandardError().right(2000)).constData());
    else if (qEnvironmentVariableIsSet("CORVANTILE_SHOW_SPOKEN"))
        qInfo("%s", out.constData()); // what the reader heard, for a person looking into a row
    return session->exitCode() == 0 ? out : QByteArray();
}

class tst_ScreenReader : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        requireTools(QStringLiteral(
            "Xvfb xclip xdotool orca dbus-run-session /usr/libexec/at-spi-bus-launcher"));
    }

    void mainPathAndBuffersThroughAtSpi_data()
    {
        QTest::addColumn<int>("scale");
        QTest::newRow("buffer brought back by its action") << 1;
        // At 2 the reader is told where the controls are in the screen's pixels, and its click on
        // a buffer lands on it.
        QTest::newRow("x2, buffer clicked where the reader is told it is") << 2;
    }

    void mainPathAndBuffersThroughAtSpi()
    {
        QFETCH(int, scale);
        Desktop x;
        QVERIFY(x.display.start(QSize(1700, 1300)));
        const QImage shot = patternImage(640, 480);
        QVERIFY(x.clipboard.offer(shot));
        const QString second = x.display.filePath(QStringLiteral("second.png"));
        QVERIFY(patternImage(300, 200).save(second));
        const QByteArray out =
            scale == 1 ? driven(x.display, QStringLiteral("atspi_driver.py"), {second})
                       : driven(x.display, QStringLiteral("atspi_driver.py"),
                                {second, QStringLiteral("--click")},
                                {{QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale)}});
        QVERIFY(!out.isEmpty());

        QHash<QByteArray, QByteArray> said;
        for (const QByteArray &line : out.split('\n'))
            // An object's name may hold ": " itself ("Accept Values from:").
            if (const qsizetype colon =
                    line.startsWith("extent ") ? line.lastIndexOf(": ") : line.indexOf(": ");
                colon > 0)
                said.insert(line.left(colon), line.mid(colon + 2));
        const QByteArray expected = expectedDefinition(shot, QRect(130, 45, 17, 11));
        for (const char *box : {"Red from", "Red to", "Green from", "Green to", "Blue from",
                                "Blue to", "Width", "Height", "Coords"})
            QCOMPARE(said.value(QByteArray("box ") + box), QByteArray(box));
        QCOMPARE(said.value("view"), QByteArray("640 \xc3\x97 480"));
        // The result box reads with its line breaks as the document holds them; the clipboard
        // has the definition byte for byte.
        QCOMPARE(said.value("definition"), "'" + QByteArray(expected).replace("\r\n", "\\n") + "'");
        QCOMPARE(said.value("announced"), QByteArray("187 pixels kept"));
        QCOMPARE(QByteArray::fromHex(said.value("clipboard")), expected);
        QCOMPARE(said.value("second view"), QByteArray("300 \xc3\x97 200"));
        QCOMPARE(said.value("brought back"), QByteArray("640 \xc3\x97 480"));
        QCOMPARE(said.value("by its key"), QByteArray("300 \xc3\x97 200"));
        // The whole tree: every object with a role has a name, no two siblings share one, and
        // one object has the focus.
        QVERIFY2(said.value("tree") == "0 nameless, 0 shared, 1 focused", out.constData());
        // A review of the window reads each frame's caption where it stands, and each picture
        // with what it holds; the three "To:" are told apart by the box each labels.
        for (const char *caption : {"Coords", "Width", "Height", "Object Name", "Sample",
                                    "Black Pixels", "Click on ScreenShot"})
            QCOMPARE(said.value(QByteArray("caption ") + caption), QByteArray(caption));
        QCOMPARE(said.value("review Screenshot buffer 1"),
                 QByteArray("Screenshot buffer 1: 640 \xc3\x97 480"));
        QCOMPARE(said.value("review Screenshot buffer 3"),
                 QByteArray("Screenshot buffer 3: empty"));
        QVERIFY(said.value("review Clip box").startsWith("Clip box: "));
        for (const char *colour : {"red", "green", "blue"})
            QCOMPARE(said.value(QByteArray("label ") + colour),
                     QByteArray(colour).left(1).toUpper() + QByteArray(colour).mid(1) + " to");
        // An open menu is the window's child, named, its first item named in full.
        const QByteArray menu = said.value("menu");
        QVERIFY2(menu.startsWith("Menu of buffer 1 [popup menu] at ") &&
                     !menu.startsWith("Menu of buffer 1 [popup menu] at -1") &&
                     menu.endsWith(" of the window, first item Delete Image of buffer 1"),
                 menu.constData());
        QCOMPARE(said.value("menu parent"),
                 QByteArray("Quenby Corvantile - For use with Runewright by Dravenholt"));
        if (scale == 1)
            return;
        // The empty view, larger than its viewport, is told as far as the viewport shows it.
        const auto toldRect = [&said](const QByteArray &key) {
            const QList<QByteArray> r = said.value(key).split(' ');
            return r.size() == 4 ? QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt())
                                 : QRect();
        };
        const QRect viewTold = toldRect("empty Screenshot view");
        const QRect viewportTold = toldRect("empty Screenshot viewport");
        QVERIFY2(!viewTold.isEmpty() && viewportTold.contains(viewTold),
                 qPrintable(QStringLiteral("view %1 %2 %3 %4 in viewport %5 %6 %7 %8")
                                .arg(viewTold.x())
                                .arg(viewTold.y())
                                .arg(viewTold.width())
                                .arg(viewTold.height())
                                .arg(viewportTold.x())
                                .arg(viewportTold.y())
                                .arg(viewportTold.width())
                                .arg(viewportTold.height())));
        // The result box's bars are named too.
        for (const char *bar : {"extent Scroll definition horizontally [scroll bar]",
                                "extent Scroll definition vertically [scroll bar]"})
            QVERIFY2(said.contains(bar), bar);
        const QList<QByteArray> window = said.value("window").split(' ');
        QCOMPARE(window.size(), 2);
        const QPoint at(window[0].toInt(), window[1].toInt());
        // Every control, caption and frame. A caption is as wide as its text: only its place
        // is the layout's.
        for (const auto &[name, control] :
             {std::pair{"Screenshot buffer 1 [image]", "ImgBuffer0"},
              {"Screenshot buffer 8 [image]", "ImgBuffer7"},
              {"Width [text]", "txtWidth"},
              {"Width [panel]", "Frame1"},
              {"Create Object [push button]", "btnCreate"},
              {"Scroll screenshot vertically [scroll bar]", "VScroll1"},
              {"Include black pixels [check box]", "chkUseBlack"},
              {"Every Pixel [radio button]", "Option1"},
              {"Every Other Pixel [radio button]", "Option2"},
              {"Object Name [panel]", "Frame4"},
              {"Sample [panel]", "Frame6"},
              {"Black Pixels [panel]", "Frame7"},
              {"Click on ScreenShot [panel]", "Frame5"},
              {"Object name [text]", "txtObjectName"},
              {"Object definition [text]", "txtObject"},
              {"Status line [status bar]", "lblCoords"},
              {"Accept Values from: [label]", "Label2"},
              {"RED [label]", "Label4"},
              {"To: red [label]", "Label3"},
              {"GREEN [label]", "Label6"},
              {"To: green [label]", "Label5"},
              {"BLUE [label]", "Label8"},
              {"To: blue [label]", "Label7"},
              {"Right click for Options [label]", "Label1"}}) {
            const QRect drawn = corvantile::layout::inWindow(control);
            const QRect expected(at + drawn.topLeft() * scale, drawn.size() * scale);
            const QList<QByteArray> told = said.value(QByteArray("extent ") + name).split(' ');
            QVERIFY2(told.size() == 4, name);
            const QRect extent(told[0].toInt(), told[1].toInt(), told[2].toInt(), told[3].toInt());
            if (QByteArray(name).contains("[label]"))
                QCOMPARE(extent.topLeft(), expected.topLeft());
            else
                QCOMPARE(extent, expected);
        }
    }

    // What Orca itself speaks while the window is worked with the keyboard alone: every number
    // box by its own name (an empty one too), the result box, what Paste and Create Object did,
    // selected text whole, and the status line through Orca's status-bar command.
    void spokenByOrca_data()
    {
        QTest::addColumn<int>("scale");
        QTest::newRow("x1") << 1;
        QTest::newRow("x2") << 2;
    }

    void spokenByOrca()
    {
        QFETCH(int, scale);
        Desktop x;
        QVERIFY(scale == 1 ? x.display.start() : x.display.start(QSize(1700, 1300)));
        QVERIFY(x.clipboard.offer(patternImage(640, 480)));
        const QString prefs = x.display.filePath(QStringLiteral("orca"));
        QVERIFY(QDir().mkpath(prefs));
        const QString second = x.display.filePath(QStringLiteral("second.png"));
        QVERIFY(patternImage(300, 200).save(second));
        const QByteArray spoken =
            driven(x.display, QStringLiteral("orca_driver.py"), {prefs, second},
                   {{QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale)}});
        QVERIFY(!spoken.isEmpty());
        const auto said = [&spoken](const QByteArray &line) {
            return spoken.contains("\n" + line) || spoken.startsWith(line);
        };
        for (const char *box : {"Red from", "Red to", "Green from", "Green to", "Blue from",
                                "Blue to", "Width", "Height", "Coords"})
            QVERIFY2(said(box + QByteArray(" text.")), spoken.constData());
        QVERIFY(said("Object definition read only text."));
        QVERIFY(said("notification Pasted 640 \xc3\x97 480, in buffer 1."));
        QVERIFY2(spoken.contains("Nothing found to go to: press Ctrl+F."), spoken.constData());
        // The keyboard's cursor on the screenshot: each pixel heard with its colour.
        for (const QPoint pixel : {QPoint(0, 0), QPoint(10, 0), QPoint(639, 0)}) {
            const QRgb c = patternPixel(pixel.x(), pixel.y());
            QVERIFY2(spoken.contains(QString::asprintf("%d, %d   /   R=%d G=%d B=%d", pixel.x(),
                                                       pixel.y(), qRed(c), qGreen(c), qBlue(c))
                                         .toLatin1()),
                     spoken.constData());
        }
        QVERIFY(spoken.contains(" pixels kept. The definition is on the clipboard."));
        // Where the definition was found, worked out here as the program does it.
        const QImage shot = patternImage(640, 480);
        corvantile::GeneratorInputs inputs;
        inputs.widthText = QStringLiteral("5");
        inputs.heightText = QStringLiteral("4");
        const auto kept = corvantile::keptPixels(corvantile::PicturePixels(shot.copy(10, 20, 5, 4)),
                                                 inputs, QSize(5, 4));
        QVERIFY(kept);
        const std::atomic<bool> cancelled{false};
        const corvantile::MatchSet places =
            corvantile::findDefinition(corvantile::PeakPlane(shot), kept->entries, cancelled);
        const qint64 found = places.count();
        QVERIFY(found > 0);
        QByteArray foundText = found == 1 ? QByteArray("Found at 1 place: ")
                                          : "Found at " + QByteArray::number(found) + " places: ";
        foundText +=
            QByteArray::number(places.at(0).x()) + ", " + QByteArray::number(places.at(0).y());
        QVERIFY2(spoken.contains(foundText), spoken.constData());
        // The clip box with the keys that work on it, then the empty width box on the first Tab
        // into it, and selected text whole.
        QVERIFY2(said("Clip box image.\nno region marked.\nWidth text."), spoken.constData());
        QVERIFY(said("MappedObject selected."));
        QVERIFY(said("10, 20 selected."));
        // A buffer's menu names the buffer, and its deletion is told. The buffers are one stop
        // of the Tab key, each slot telling what it holds; Enter brings one back.
        QVERIFY(said("notification Pasted 300 \xc3\x97 200, in buffer 2."));
        // The menu told as it opens, then its first item, with no key, with its place among the
        // items, and no window named while it is open.
        QVERIFY2(said("Menu of buffer 2 popup menu.\nDelete Image of buffer 2.\n1 of 2."),
                 spoken.constData());
        QVERIFY2(said("Menu of buffer 1 popup menu.\nDelete Image of buffer 1.\n1 of 2.\n"
                      "Entering flat review."),
                 spoken.constData()); // by the Menu key, and Escape says nothing
        QVERIFY(!spoken.contains("1 of 2.\nQuenby"));
        QVERIFY(said("notification Buffer 2 deleted; the view still shows its screenshot."));
        // Each slot is told by its name and what it holds; the keys are left to where-am-I.
        QVERIFY(said("Screenshot buffer 1 image.\n640 \xc3\x97 480.\n"));
        QVERIFY(said("Screenshot buffer 2 image.\nempty.\n"));
        // Create Object while the view shows another screenshot says where the clip is from.
        QVERIFY(said("5 \xc3\x97 4 region at 10, 20, of the earlier screenshot."));
        QVERIFY(spoken.contains("; made from the clip of an earlier screenshot."));
        // Each change heard once.
        QCOMPARE(spoken.count("Buffer 2 deleted; the view still shows its screenshot."), 1);
        QCOMPARE(
            spoken.count("notification Buffer 5 is empty: the view and the region are cleared."),
            1);
        QVERIFY(
            said("notification Buffer 1 brought back, 640 \xc3\x97 480; the region is cleared."));
        // The clip's menu opens on its first item that works (Delete Image is greyed there).
        QVERIFY2(said("Expanded Preview of the clip."), spoken.constData());
        // The sampling frame is named once, as the focus enters it.
        QVERIFY2(said("Sample panel.\nEvery Other Pixel."), spoken.constData());
        // Boxes whose text changes while another control has the focus say nothing of it.
        QVERIFY(!spoken.contains("unselected"));
        // K in the clip's Zoom tells the counts, once: the Zoom's new title is not read too.
        QVERIFY2(spoken.count("Kept pixels: ") == 1 && spoken.contains(" sampled pixels kept."),
                 spoken.constData());
        QVERIFY(!spoken.contains("not sampled: dimmed dialog"));
        // The Zoom's cursor over the kept pixels: a kept one, then one not sampled.
        for (const auto &[x, fate] : {std::pair(0, "kept"), std::pair(1, "not sampled")}) {
            const QRgb c = patternPixel(10 + x, 20);
            QVERIFY2(spoken.contains(QString::asprintf("%d, 0: R=%d G=%d B=%d; %s", x, qRed(c),
                                                       qGreen(c), qBlue(c), fate)
                                         .toLatin1()),
                     spoken.constData());
        }
        // A scroll bar's one value, in per cent: on the focus, where-am-I and in a review.
        // (At scale 2 the whole screenshot may fit, and End leaves the bar at 0.)
        const QByteArray whereAmI = "\nScroll screenshot vertically scroll bar ";
        QVERIFY2(spoken.contains(whereAmI + "100 100 percent.") ||
                     spoken.contains(whereAmI + "0 0 percent."),
                 spoken.constData());
        // On the focus, no sentence is longer than twelve words.
        for (const QByteArray &line :
             spoken.left(spoken.indexOf("Entering flat review.")).split('\n'))
            if (!line.startsWith("notification "))
                for (const QByteArray &sentence : line.split('.'))
                    QVERIFY2(sentence.simplified().count(' ') < 12, line.constData());
        // Flat review reads every frame's caption on the line above its controls, the
        // pictures with what they hold and the bars by their names; no line is blank.
        const qsizetype reviewFrom = spoken.indexOf("Entering flat review.");
        const QByteArray review =
            spoken.mid(reviewFrom, spoken.indexOf("Leaving flat review.") - reviewFrom);
        QVERIFY2(reviewFrom >= 0 && !review.contains("\nblank"), review.constData());
        for (const char *line :
             {"\nCoords\n", "\nWidth\n", "\nHeight\n", "\nObject Name Sample Black Pixels\n",
              "\nClick on ScreenShot\n",
              "\nScreenshot buffer 1: 640 \xc3\x97 480 Screenshot buffer 2: empty\n",
              "\nScroll screenshot horizontally: 0 %\n", "\nScroll definition vertically: 0 %\n"})
            QVERIFY2(review.contains(line), review.constData());
        // Two files named at once: the damaged one's refusal, then the other's opening.
        const qsizetype damaged = spoken.indexOf("Damaged picture: cut.png");
        QVERIFY2(damaged >= 0 && spoken.indexOf("Opened second.png, 300 \xc3\x97 200, in buffer 1",
                                                damaged) > damaged,
                 spoken.constData());
        // The status line, read by Orca's status-bar command, with the pointer on pixel (53, 42).
        const QRgb pixel = patternPixel(53, 42);
        QVERIFY2(said("Status line statusbar.\n" + QString::asprintf("53, 42   /   R=%d G=%d B=%d.",
                                                                     qRed(pixel), qGreen(pixel),
                                                                     qBlue(pixel))
                                                       .toLatin1()),
                 spoken.constData());
    }
};

QTEST_GUILESS_MAIN(tst_ScreenReader)
#include "tst_screen_reader.moc"
