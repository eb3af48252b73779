// The real program on a real X server: another process owns the clipboard, real input events
// drive the window, and what the program puts on the clipboard is read from outside.

#include "support/desktop.h"

#include <QScopeGuard>
#include <csignal>
#include <cstring>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace corvantile::test;

class tst_X11 : public QObject
{
    Q_OBJECT
private:
    std::optional<Desktop> x;
    QProcess *m_program = nullptr;
    QByteArray m_expected;
    // A real drag with the pointer over the region's first pixel to its far corner, on the view
    // whose first picture pixel is on the screen at viewOrigin in the window; then "Every Pixel"
    // and "Create Object".
    void dragAndCreate(QPoint viewOrigin, const QRect &region)
    {
        const QPoint from = x->program.window() + viewOrigin + region.topLeft();
        const QPoint to = from + QPoint(region.width(), region.height());
        QString drag = QStringLiteral("mousemove %1 %2 mousedown 1").arg(from.x()).arg(from.y());
        for (int i = 1; i <= 5; ++i) {
            const QPoint p = from + (to - from) * i / 5;
            drag += QStringLiteral(" mousemove %1 %2 sleep 0.05").arg(p.x()).arg(p.y());
        }
        x->display.xdotool(drag + QStringLiteral(" mouseup 1 sleep 0.3"));
        x->program.click(spot::everyPixelOption);
        x->program.click(spot::createButton);
    }

    // Offers the shot from another process, starts the program and pastes it.
    void startAndPaste(const QImage &shot, const QHash<QString, QString> &environment = {})
    {
        QVERIFY(x->clipboard.offer(shot));
        m_program = x->program.start(environment);
        QVERIFY(m_program);
        QVERIFY(x->program.paste(shot));
    }

    // Starts the program with a pattern screenshot on the clipboard, marks the region and creates
    // its definition, which then stands on the clipboard; m_expected holds it.
    void createDefinition(const QRect &region)
    {
        const QImage shot = patternImage(400, 300);
        startAndPaste(shot);
        dragAndCreate(spot::viewPicture, region);
        m_expected = expectedDefinition(shot, region);
        QTRY_COMPARE_WITH_TIMEOUT(x->clipboard.text(), m_expected, 10000);
    }

    // Ends the program with a termination signal, which closes the window the normal way.
    void endProgramNormally()
    {
        m_program->terminate();
        QVERIFY(m_program->waitForFinished(10000));
        QCOMPARE(m_program->exitStatus(), QProcess::NormalExit);
    }

private slots:
    void initTestCase()
    {
        requireTools(QStringLiteral("Xvfb xclip xdotool import parcellite"),
                     QStringLiteral("CORVANTILE_BINARY CORVANTILE_SAVE_TARGETS_MANAGER "
                                    "CORVANTILE_SLOW_OWNER"));
    }

    void init()
    {
        x.emplace();
        QVERIFY(x->display.start());
    }

    void cleanup() { x.reset(); }

    void pasteFromAnotherProgram()
    {
        const QImage shot = patternImage(800, 600);
        QVERIFY(x->clipboard.offer(shot));
        QVERIFY(x->program.start());
        const QImage slotBefore = x->program.screenPart(spot::firstSlot);
        x->program.click(spot::pasteButton);
        const QRect visible(spot::viewPicture, QSize(550, 300));
        QTRY_COMPARE_WITH_TIMEOUT(x->program.screenPart(visible).pixel(549, 299),
                                  patternPixel(549, 299), 10000);
        // The view holds exactly the image, pixel for pixel, as far as the viewport shows it.
        QCOMPARE(x->program.screenPart(visible), shot.copy(0, 0, 550, 300));
        // Slot 0 now shows a thumbnail instead of its empty face.
        const QImage slotAfter = x->program.screenPart(spot::firstSlot);
        QVERIFY(slotAfter != slotBefore);
        QVERIFY(slotAfter.pixel(5, 5) != slotAfter.pixel(40, 40));
    }

    // `corvantile shot.png` opens with the picture in the view and in the first buffer.
    void pictureFileOnTheCommandLine()
    {
        const QImage shot = patternImage(300, 200);
        QVERIFY(x->program.startWith(shot));
        const QRect visible(spot::viewPicture, QSize(300, 200));
        QTRY_COMPARE_WITH_TIMEOUT(x->program.screenPart(visible), shot, 10000);
        QVERIFY(x->program.screenPart(spot::firstSlot) != x->program.screenPart(spot::secondSlot));
    }

    // The command line: options that answer and end, files named in every way, and displays
    // that cannot be reached.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        // "bad": $DISPLAY names one that nobody serves; "silent": one whose socket takes the
        // connection and never answers
        QTest::addColumn<QString>("display");
        QTest::addColumn<int>("exitCode");   // -1: the window opens and stays
        QTest::addColumn<QString>("output"); // what it writes first, or what the status says
        const auto row = [](const char *tag, const char *arguments, const char *display,
                            int exitCode, const char *output) {
            QTest::newRow(tag) << words(QString::fromLatin1(arguments))
                               << QString::fromLatin1(display) << exitCode
                               << QString::fromLatin1(output);
        };
        row("--help", "--help", "", 0, "Usage: corvantile");
        row("-h", "-h", "", 0, "Usage: corvantile");
        row("--version", "--version", "", 0, "corvantile 1.00");
        row("--help before any display is asked for", "--help", "bad", 0, "Usage: corvantile");
        row("an unknown option", "--frobnicate", "", 2, "corvantile: unknown option --frobnicate");
        row("a display that nobody serves", "", "bad", 1, "corvantile: cannot open the display");
        row("a display that takes the connection and never answers", "", "silent", 1,
            "corvantile: cannot open the display");
        row("an unknown option with no display", "--bogus", "bad", 2,
            "corvantile: unknown option --bogus");
        row("Qt's own options with no display", "-style fusion -reverse", "bad", 1,
            "corvantile: cannot open the display");
        row("a file named like a Qt option, after --", "-- -reverse", "", -1, "picture");
        row("-display names the display to use, for the clipboard too", "-display REAL", "bad", -1,
            "paste");
        row("a FIFO is refused at once", "fifo", "", -1, "Not a picture file: fifo");
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, display);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        const QString dir = x->display.filePath(QString());
        const QImage shot = patternImage(300, 200);
        QVERIFY(shot.save(dir + QStringLiteral("/-reverse"), "PNG"));
        QVERIFY(::mkfifo(QFile::encodeName(dir + QStringLiteral("/fifo")), 0600) == 0);
        for (QString &argument : arguments)
            if (argument == QLatin1String("REAL"))
                argument = x->display.name();
        QHash<QString, QString> environment;
        if (display == QLatin1String("bad"))
            environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":4999"));
        // A socket that is listened on, but never accepted or answered.
        const char silentPath[] = "/tmp/.X11-unix/X4998";
        const int silent =
            display == QLatin1String("silent") ? ::socket(AF_UNIX, SOCK_STREAM, 0) : -1;
        const auto closeSilent = qScopeGuard([&] {
            if (silent >= 0) {
                ::close(silent);
                ::unlink(silentPath);
            }
        });
        if (silent >= 0) {
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::strcpy(address.sun_path, silentPath);
            ::unlink(silentPath);
            QVERIFY(::bind(silent, reinterpret_cast<const sockaddr *>(&address), sizeof address) ==
                    0);
            QVERIFY(::listen(silent, 4) == 0);
            environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":4998"));
        }
        const QString binary = qEnvironmentVariable("CORVANTILE_BINARY");
        if (exitCode >= 0) {
            QProcess *program = x->display.start(binary, arguments, environment);
            QVERIFY(program && program->waitForFinished(10000));
            QCOMPARE(program->exitStatus(), QProcess::NormalExit);
            QCOMPARE(program->exitCode(), exitCode);
            const QByteArray said =
                exitCode == 0 ? program->readAllStandardOutput() : program->readAllStandardError();
            QVERIFY2(said.contains(output.toUtf8()), said.constData());
            return;
        }
        // Started from the folder that holds the files, so that they can be named as they are.
        x->program.setProgram(QStringLiteral("sh"),
                              QStringList{QStringLiteral("-c"),
                                          QStringLiteral("cd \"$1\" && shift && exec \"$@\""),
                                          QStringLiteral("sh"), dir, binary} +
                                  arguments);
        if (output == QLatin1String("paste"))
            QVERIFY(x->clipboard.offer(shot));
        QElapsedTimer started;
        started.start();
        m_program = x->program.start(environment);
        QVERIFY(m_program);
        const QRect visible(spot::viewPicture, QSize(300, 200));
        if (output == QLatin1String("paste")) {
            QVERIFY(x->program.paste(shot));
        } else if (output == QLatin1String("picture")) {
            QTRY_COMPARE_WITH_TIMEOUT(x->program.screenPart(visible), shot, 10000);
        } else {
            // The window is up and says why at once; a FIFO never holds it up.
            qInfo("the window was up after %lld ms", started.elapsed());
            const QRect status = corvantile::layout::inWindow("lblCoords").adjusted(4, 3, -4, -3);
            const auto saysSomething = [&] {
                const QImage part = x->program.screenPart(status);
                for (int px = 0; px < part.width(); ++px)
                    if (part.pixel(px, part.height() / 2) != part.pixel(0, 0))
                        return true;
                return false;
            };
            QTRY_VERIFY_WITH_TIMEOUT(saysSomething(), 1000);
        }
        QElapsedTimer ending;
        ending.start();
        m_program->terminate();
        QVERIFY(m_program->waitForFinished(1000));
        qInfo("it ended %lld ms after SIGTERM", ending.elapsed());
    }

    // A signal or the window's close while a paste waits on an owner that drips a byte every
    // 1.5 s ends the program at once, with no loop spinning meanwhile.
    void endsDuringAPaste_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("window destroyed by another client") << 0;
    }

    void endsDuringAPaste()
    {
        QFETCH(int, signal);
        const QString file = x->display.filePath(QStringLiteral("drip.png"));
        QVERIFY(patternImage(300, 200).save(file));
        QProcess *owner = x->display.start(qEnvironmentVariable("CORVANTILE_SLOW_OWNER"),
                                           {QStringLiteral("image/png"), file, QStringLiteral("0"),
                                            QStringLiteral("1"), QStringLiteral("1500")});
        QVERIFY(owner && owner->waitForReadyRead(20000));
        m_program = x->program.start();
        QVERIFY(m_program);
        x->program.click(spot::pasteButton);
        QTest::qWait(1000);
        const auto cpuTicks = [&] {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(m_program->processId()));
            if (!stat.open(QIODevice::ReadOnly))
                return -1LL;
            const QList<QByteArray> fields = stat.readAll().split(')').last().split(' ');
            return fields.value(12).toLongLong() + fields.value(13).toLongLong();
        };
        const qint64 before = cpuTicks();
        QTest::qWait(1000);
        const qint64 busy = cpuTicks() - before; // in clock ticks, 100 a second
        qInfo("%lld%% of a core while the paste waited", busy);
        QCOMPARE_LE(busy, 10);
        QElapsedTimer ending;
        ending.start();
        if (signal == 0)
            x->display.xdotool(QStringLiteral("search --name Quenby windowclose"));
        else
            ::kill(pid_t(m_program->processId()), signal);
        QVERIFY(m_program->waitForFinished(1000));
        qInfo("it ended %lld ms after the signal", ending.elapsed());
    }

    void mainPathFromPasteToClipboard() { createDefinition(QRect(120, 40, 30, 22)); }

    void definitionOutlivesTheProgram()
    {
        // A clipboard manager, as desktops run one; its history goes to a home of its own.
        const QString home = x->display.filePath(QStringLiteral("home"));
        QVERIFY(x->display.start(QStringLiteral("parcellite"), {QStringLiteral("-n")},
                                 {{QStringLiteral("HOME"), home}}));
        createDefinition(QRect(33, 44, 12, 9));
        if (QTest::currentTestFailed())
            return;
        // Parcellite takes its copy when it next looks at the clipboard, and keeps a history file.
        const auto managerHasIt = [&] {
            QFile history(home + QStringLiteral("/.local/share/parcellite/history"));
            return history.open(QIODevice::ReadOnly) &&
                   history.readAll().contains(m_expected.left(60));
        };
        QTRY_VERIFY_WITH_TIMEOUT(managerHasIt(), 10000);
        endProgramNormally();
        if (QTest::currentTestFailed())
            return;
        QTRY_COMPARE_WITH_TIMEOUT(x->clipboard.text(), m_expected, 10000);
    }

    // A manager that only keeps what a closing program hands over (it never looks at the
    // clipboard by itself), so the definition survives only if it is handed over on the way
    // out; one that never answers holds the end up for a second at most.
    void definitionIsHandedToTheClipboardManager_data()
    {
        QTest::addColumn<bool>("answers");
        QTest::newRow("a manager that answers") << true;
        QTest::newRow("a manager that never answers") << false;
    }

    void definitionIsHandedToTheClipboardManager()
    {
        QFETCH(bool, answers);
        QProcess *manager =
            x->display.start(qEnvironmentVariable("CORVANTILE_SAVE_TARGETS_MANAGER"),
                             answers ? QStringList() : QStringList{QStringLiteral("--silent")});
        QVERIFY(manager);
        QTRY_VERIFY_WITH_TIMEOUT(manager->canReadLine(), 10000);
        QCOMPARE(manager->readLine(), QByteArray("ready\n"));
        createDefinition(QRect(70, 20, 9, 14));
        if (QTest::currentTestFailed())
            return;
        QElapsedTimer ending;
        ending.start();
        endProgramNormally(); // right after Create Object
        if (QTest::currentTestFailed())
            return;
        qInfo("it ended %lld ms after SIGTERM", ending.elapsed());
        if (!answers) {
            QCOMPARE_LT(ending.elapsed(), 3000); // not the toolkit's five seconds
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(manager->canReadLine(), 5000);
        QVERIFY(manager->readLine().startsWith("saved"));
        QCOMPARE(x->clipboard.text(), m_expected);
    }
    // Under a locale whose decimal point is a comma the typed numbers still read "." as the point:
    // the corner 2.5 (a half, which rounds to the even 2), a width of 3.6 (4 columns copied, 3
    // walked), a height of 1.2e1 and a lower red bound of 3.5 (which is 4).
    void numbersUnderADecimalCommaLocale()
    {
        const QImage shot = patternImage(400, 300);
        startAndPaste(shot, {{QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8")}});
        x->program.typeInto(spot::redFromBox, QStringLiteral("3.5"));
        x->program.typeRegionAndCreate(QStringLiteral("2.5e0, 2.0e1"), QStringLiteral("3.6"),
                                       QStringLiteral("1.2e1"));
        QTRY_COMPARE_WITH_TIMEOUT(x->clipboard.text(),
                                  expectedDefinition(shot, QRect(2, 20, 3, 12), "2.5e0, 2.0e1", 4),
                                  10000);
    }

    // Two 5K screens side by side: far over Qt's default limit for one picture, and it pastes
    // whole. A region typed near its bottom-right corner gives that corner's exact pixels.
    void largeScreenshotPastesWhole()
    {
        QImage shot(10240, 4320, QImage::Format_RGB32);
        shot.fill(qRgb(40, 50, 60));
        const QRect region(10200, 4290, 40, 30);
        for (int y = region.top() - 5; y <= region.bottom(); ++y)
            for (int x = region.left() - 5; x <= region.right(); ++x)
                shot.setPixel(x, y, patternPixel(x, y));
        QVERIFY(x->clipboard.offer(shot));
        QVERIFY(x->program.start());
        const QImage slotBefore = x->program.screenPart(spot::firstSlot);
        x->program.click(spot::pasteButton);
        QTRY_VERIFY_WITH_TIMEOUT(x->program.screenPart(spot::firstSlot) != slotBefore, 20000);
        x->program.typeRegionAndCreate(QStringLiteral("10200, 4290"), QStringLiteral("40"),
                                       QStringLiteral("30"));
        QTRY_COMPARE_WITH_TIMEOUT(x->clipboard.text(), expectedDefinition(shot, region), 10000);
    }

    // At 1.5 the screenshot is shown one pixel for one screen pixel, and a drag with the real
    // pointer from one screen pixel to another marks exactly the screenshot pixels under it.
    void pointerMarksPixelsOnAScaledScreen()
    {
        x.emplace();
        QVERIFY(x->display.start(QSize(1280, 1024)));
        x->program.setScale(1.5);
        const QImage shot = patternImage(640, 480);
        QVERIFY(x->clipboard.offer(shot));
        QVERIFY(x->program.start());
        x->program.click(spot::pasteButton);
        // Where the picture's first pixel is on the screen, as a user sees it.
        std::optional<QPoint> origin;
        const auto findOrigin = [&] {
            const QImage near = x->program.screenPart(QRect(0, 0, 40, 40));
            for (int y = 0; y + 2 < near.height() && !origin; ++y)
                for (int x = 0; x + 2 < near.width() && !origin; ++x)
                    if (near.copy(x, y, 3, 3) == shot.copy(0, 0, 3, 3))
                        origin = QPoint(x, y);
            return origin.has_value();
        };
        QTRY_VERIFY_WITH_TIMEOUT(findOrigin(), 10000);
        QCOMPARE(x->program.screenPart(QRect(*origin, QSize(600, 400))), shot.copy(0, 0, 600, 400));
        const QRect region(121, 41, 30, 22);
        dragAndCreate(*origin, region);
        QTRY_COMPARE_WITH_TIMEOUT(x->clipboard.text(), expectedDefinition(shot, region), 10000);
    }
};

QTEST_GUILESS_MAIN(tst_X11)
#include "tst_x11.moc"
