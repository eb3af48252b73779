// The real program on a real X server: another process owns the clipboard, real input events
// drive the window, and what the program puts on the clipboard is read from outside.

#include "support/test_images.h"

#include <QColorSpace>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <memory>
#include <vector>

using namespace corvantile::test;

namespace {

// Where the window's client area has things, in its own coordinates.
const QPoint pasteButton(591 + 40, 145 + 16);
const QPoint createButton(217 + 40, 378 + 14);
const QPoint everyPixelOption(302 + 10 + 6, 367 + 17 + 6);
const QPoint viewPicture(3 + 2 + 2, 4 + 2 + 2); // picScroll, its border, PicInner's border
const QRect firstSlot(578 + 6 + 1, 198 + 14 + 1, 44, 43);

} // namespace

class tst_X11 : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_display;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    QPoint m_window; // the client area's top-left on the screen
    QProcess *m_program = nullptr;

    QProcess *start(const QString &program, const QStringList &arguments,
                    const QHash<QString, QString> &environment = {});
    QByteArray run(const QString &program, const QStringList &arguments, int timeoutMs = 10000);
    void xdotool(const QStringList &arguments) { run(QStringLiteral("xdotool"), arguments); }
    void click(QPoint inWindow);
    QImage screen();
    void ownClipboard(const QImage &image);
    void startProgram();
    void pasteDragAndCreate(const QRect &region);
    QByteArray clipboardText();
    void stopAll();

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void pasteFromAnotherProgram();
    void mainPathFromPasteToClipboard();
    void definitionOutlivesTheProgram();
};

QProcess *tst_X11::start(const QString &program, const QStringList &arguments,
                         const QHash<QString, QString> &environment)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (!m_display.isEmpty())
        env.insert(QStringLiteral("DISPLAY"), m_display);
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        env.insert(it.key(), it.value());
    process->setProcessEnvironment(env);
    process->start(program, arguments);
    if (!process->waitForStarted(5000))
        qFatal("could not start %s", qPrintable(program));
    m_processes.push_back(std::move(process));
    return m_processes.back().get();
}

QByteArray tst_X11::run(const QString &program, const QStringList &arguments, int timeoutMs)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        qWarning("%s %s timed out", qPrintable(program), qPrintable(arguments.join(u' ')));
    }
    return process.readAllStandardOutput();
}

void tst_X11::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (const char *tool : {"Xvfb", "xclip", "xdotool", "import"})
        QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(), tool);
    QVERIFY2(qEnvironmentVariableIsSet("CORVANTILE_BINARY"), "CORVANTILE_BINARY is not set");
}

void tst_X11::init()
{
    // Xvfb picks a free display itself and writes its number to the descriptor given.
    QProcess *xvfb = start(QStringLiteral("Xvfb"),
                           {QStringLiteral("-displayfd"), QStringLiteral("1"),
                            QStringLiteral("-screen"), QStringLiteral("0"),
                            QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                            QStringLiteral("tcp")});
    QTRY_VERIFY_WITH_TIMEOUT(xvfb->canReadLine(), 10000);
    m_display = QStringLiteral(":") + QString::fromLatin1(xvfb->readLine().trimmed());
}

void tst_X11::stopAll()
{
    // Every process this test started, ended by its own id, the X server last.
    for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it) {
        QProcess *p = it->get();
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(3000)) {
                p->kill();
                p->waitForFinished(3000);
            }
        }
    }
    m_processes.clear();
    m_display.clear();
}

void tst_X11::cleanup()
{
    stopAll();
}

void tst_X11::cleanupTestCase()
{
    stopAll();
}

void tst_X11::ownClipboard(const QImage &image)
{
    const QString file = m_dir.filePath(QStringLiteral("shot.png"));
    QVERIFY(image.save(file, "PNG"));
    start(QStringLiteral("xclip"), {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                                    QStringLiteral("clipboard"), QStringLiteral("-t"),
                                    QStringLiteral("image/png"), QStringLiteral("-i"), file});
    // Owned once another program can see the image offered.
    QTRY_VERIFY_WITH_TIMEOUT(run(QStringLiteral("xclip"),
                                 {QStringLiteral("-o"), QStringLiteral("-selection"),
                                  QStringLiteral("clipboard"), QStringLiteral("-t"),
                                  QStringLiteral("TARGETS")})
                                 .contains("image/png"),
                             10000);
}

void tst_X11::startProgram()
{
    m_program = start(qEnvironmentVariable("CORVANTILE_BINARY"), {});
    QByteArray id;
    QTRY_VERIFY_WITH_TIMEOUT(!(id = run(QStringLiteral("xdotool"),
                                        {QStringLiteral("search"), QStringLiteral("--name"),
                                         QStringLiteral("Quenby Corvantile")})
                                        .trimmed())
                                  .isEmpty(),
                             20000);
    id = id.split('\n').first();
    QTRY_VERIFY_WITH_TIMEOUT(run(QStringLiteral("xdotool"),
                                 {QStringLiteral("getwindowgeometry"), QString::fromLatin1(id)})
                                 .contains("688x552"),
                             10000);
    // Without a window manager the window stands where the program put it.
    const QByteArray geometry = run(QStringLiteral("xdotool"),
                                    {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"),
                                     QString::fromLatin1(id)});
    int x = -1;
    int y = -1;
    for (const QByteArray &line : geometry.split('\n')) {
        if (line.startsWith("X="))
            x = line.mid(2).toInt();
        if (line.startsWith("Y="))
            y = line.mid(2).toInt();
    }
    m_window = QPoint(x, y);
    QThread::msleep(500); // let the first paint land
}

void tst_X11::click(QPoint inWindow)
{
    const QPoint at = m_window + inWindow;
    xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
             QStringLiteral("click"), QStringLiteral("1")});
    QThread::msleep(300);
}

QImage tst_X11::screen()
{
    const QString file = m_dir.filePath(QStringLiteral("screen.png"));
    run(QStringLiteral("import"),
        {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:") + file});
    QImage image = QImage(file).convertToFormat(QImage::Format_RGB32);
    image.setColorSpace(QColorSpace()); // the PNG's colour tags are not part of the pixels
    return image;
}

void tst_X11::pasteFromAnotherProgram()
{
    const QImage shot = patternImage(800, 600);
    ownClipboard(shot);
    startProgram();
    const QImage slotBefore = screen().copy(QRect(m_window + firstSlot.topLeft(), firstSlot.size()));
    click(pasteButton);
    const QRect visible(m_window + viewPicture, QSize(550, 300));
    QTRY_COMPARE_WITH_TIMEOUT(screen().pixel(visible.bottomRight()), patternPixel(549, 299), 10000);
    const QImage view = screen().copy(visible);
    QCOMPARE(view, shot.copy(0, 0, 550, 300));
    // Slot 0 now shows a thumbnail instead of its empty face.
    const QImage slotAfter = screen().copy(QRect(m_window + firstSlot.topLeft(), firstSlot.size()));
    QVERIFY(slotAfter != slotBefore);
    QVERIFY(slotAfter.pixel(5, 5) != slotAfter.pixel(40, 40));
}

// The definition of a region of a screenshot, every pixel sampled, default bounds, worked out
// from the picture's own pixels.
QByteArray expectedDefinition(const QImage &shot, const QRect &region)
{
    QByteArray text = ":Object MappedObject   // Test at coords " +
                      QByteArray::number(region.x()) + ", " + QByteArray::number(region.y()) +
                      "\r\n";
    for (int y = 0; y < region.height(); ++y) {
        QByteArrayList entries;
        for (int x = 0; x < region.width(); ++x) {
            const QRgb p = shot.pixel(region.x() + x, region.y() + y);
            const int peak = std::max({qRed(p), qGreen(p), qBlue(p)});
            if (peak > 0)
                entries << QByteArray::number(peak) + '=' + QByteArray::number(x) + ',' +
                               QByteArray::number(y);
        }
        if (!entries.isEmpty())
            text += entries.join('|') + "\r\n";
    }
    return text + ":End Object ";
}

// Pastes the pattern screenshot that the clipboard holds, marks the region with a real drag,
// chooses "Every Pixel" and presses "Create Object".
void tst_X11::pasteDragAndCreate(const QRect &region)
{
    click(pasteButton);
    QTRY_COMPARE_WITH_TIMEOUT(
        screen().pixel(m_window.x() + viewPicture.x() + 10, m_window.y() + viewPicture.y() + 20),
        patternPixel(10, 20), 10000);
    // A real drag across the region, in a few steps.
    const QPoint from = m_window + viewPicture + region.topLeft();
    const QPoint to = from + QPoint(region.width(), region.height());
    xdotool({QStringLiteral("mousemove"), QString::number(from.x()), QString::number(from.y())});
    xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
    for (int i = 1; i <= 5; ++i) {
        const QPoint p = from + (to - from) * i / 5;
        xdotool({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
        QThread::msleep(50);
    }
    xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    QThread::msleep(300);
    click(everyPixelOption);
    click(createButton);
}

QByteArray tst_X11::clipboardText()
{
    return run(QStringLiteral("xclip"),
               {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
}

void tst_X11::mainPathFromPasteToClipboard()
{
    const QImage shot = patternImage(640, 480);
    ownClipboard(shot);
    startProgram();
    const QRect region(120, 40, 30, 22);
    pasteDragAndCreate(region);
    QTRY_COMPARE_WITH_TIMEOUT(clipboardText(), expectedDefinition(shot, region), 10000);
}

void tst_X11::definitionOutlivesTheProgram()
{
    // A clipboard manager, as desktops run one; its history goes to a home of its own.
    const QString home = m_dir.filePath(QStringLiteral("home"));
    QProcess *manager =
        start(QStringLiteral("parcellite"), {QStringLiteral("-n")}, {{QStringLiteral("HOME"), home}});
    QVERIFY(manager->state() == QProcess::Running);
    const QImage shot = patternImage(400, 300);
    ownClipboard(shot);
    startProgram();
    const QRect region(33, 44, 12, 9);
    pasteDragAndCreate(region);
    const QByteArray expected = expectedDefinition(shot, region);
    QTRY_COMPARE_WITH_TIMEOUT(clipboardText(), expected, 10000);
    // Parcellite takes its copy when it next looks at the clipboard, and keeps a history file.
    const auto managerHasIt = [&] {
        QFile history(home + QStringLiteral("/.local/share/parcellite/history"));
        return history.open(QIODevice::ReadOnly) && history.readAll().contains(expected.left(60));
    };
    QTRY_VERIFY_WITH_TIMEOUT(managerHasIt(), 10000);

    // Closed (a termination signal closes the window the normal way).
    m_program->terminate();
    QVERIFY(m_program->waitForFinished(10000));
    QCOMPARE(m_program->exitStatus(), QProcess::NormalExit);
    QTRY_COMPARE_WITH_TIMEOUT(clipboardText(), expected, 10000);
}

QTEST_GUILESS_MAIN(tst_X11)
#include "tst_x11.moc"
