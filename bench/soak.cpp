// The soak: 1,000 cycles of paste (two screenshots in turn, each owned by another program),
// drag, Create Object and bring-back from a buffer, on a real X server with Qt's xcb platform.
// Resident memory after cycle 100 and after cycle 1,000 may differ by at most 5%.

#include "support/desktop.h"
#include "support/form_driver.h"
#include "support/process_memory.h"
#include "support/test_images.h"
#include "system/picture_decode.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProcess>
#include <cstdio>

using namespace corvantile;
using namespace corvantile::test;

namespace {

// Runs the event loop until the condition holds; false after ten seconds.
template <typename Condition> bool processUntil(Condition condition)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > 10000)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

QString pointerAt(QWidget *widget, QPoint at)
{
    const QPoint global = widget->mapToGlobal(at);
    return QStringLiteral("mousemove %1 %2 ").arg(global.x()).arg(global.y());
}

// Waits until another program holds the clipboard and offers a picture. While the tool
// still holds it, it must keep answering, so the event loop runs in between.
bool waitForImageOffer()
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (QGuiApplication::clipboard()->ownsClipboard())
            continue;
        // Asked from outside, as any other program would: what the owner offers.
        QProcess targets;
        targets.start(QStringLiteral("xclip"),
                      {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                       QStringLiteral("-t"), QStringLiteral("TARGETS"), QStringLiteral("-o")});
        if (!targets.waitForFinished(1000)) {
            targets.kill();
            targets.waitForFinished();
            continue;
        }
        const QStringList offered =
            QString::fromLatin1(targets.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        if (!pictureFormat(offered).isEmpty())
            return true;
    }
    return false;
}

int fail(int cycle, const char *what)
{
    std::fprintf(stderr, "soak: cycle %d: %s\n", cycle, what);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // progress shows as it happens
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 1000;
    Desktop x;
    if (!x.display.start()) {
        std::fprintf(stderr, "soak: could not start Xvfb\n");
        return 2;
    }
    qputenv("DISPLAY", x.display.name().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);

    const QByteArray shots[] = {pngBytes(patternImage(800, 600)),
                                pngBytes(patternImage(640, 480).mirrored(true, false))};
    FormDriver d(systemClipboard());
    QTest::qWait(200);

    long at100 = 0;
    QElapsedTimer timer;
    timer.start();
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        // Paste what another program holds.
        QProcess *owner = x.clipboard.offer(shots[cycle % 2], QStringLiteral("image/png"), false);
        if (!owner || !waitForImageOffer())
            return fail(cycle, "the clipboard was not offered");
        // Real input through the X server, as a user gives it.
        const auto click = [&](QWidget *widget, QPoint at) {
            x.display.xdotool(pointerAt(widget, at) + QStringLiteral("click 1"));
        };
        const qint64 before = d.PicInner->picture().cacheKey();
        click(d.Command1, d.Command1->rect().center());
        if (!processUntil([&] { return d.PicInner->picture().cacheKey() != before; }))
            return fail(cycle, "the paste showed nothing");

        // Drag a region, then create its definition.
        const QPoint from(20 + cycle % 50, 30 + cycle % 40);
        const QPoint to = from + QPoint(40 + cycle % 30, 25 + cycle % 20);
        const QPoint border(d.PicInner->borderWidth(), d.PicInner->borderWidth());
        x.display.xdotool(pointerAt(d.PicInner, from + border) + QStringLiteral("mousedown 1"));
        for (int step = 1; step <= 4; ++step)
            x.display.xdotool(pointerAt(d.PicInner, from + border + (to - from) * step / 4));
        x.display.xdotool(QStringLiteral("mouseup 1"));
        const QString corner = QStringLiteral("%1, %2").arg(from.x()).arg(from.y());
        if (!processUntil([&] { return d.txtCoords->text() == corner; }))
            return fail(cycle, "the drag marked no region");
        const QString previous = d.txtObject->toPlainText();
        click(d.btnCreate, d.btnCreate->rect().center());
        if (!processUntil([&] {
                return d.txtObject->toPlainText() != previous &&
                       QGuiApplication::clipboard()->ownsClipboard();
            }))
            return fail(cycle, "Create Object gave nothing");

        // Bring a screenshot back from a buffer.
        ImageBox *slot = d.ImgBuffer[static_cast<size_t>(cycle % 8)];
        const qint64 shown = d.PicInner->picture().cacheKey();
        click(slot, slot->rect().center());
        if (!processUntil([&] {
                return d.PicInner->picture().cacheKey() != shown &&
                       d.PicInner->picture().size() == slot->pictureSize();
            }))
            return fail(cycle, "the buffer did not come back");
        owner->waitForFinished(2000); // it lets go once Create Object took the clipboard

        if (cycle == 100)
            at100 = residentBytes();
        if (cycle % 100 == 0)
            std::printf("cycle %4d: resident %.1f MB, %.1f s\n", cycle, residentBytes() / 1e6,
                        timer.elapsed() / 1000.0);
    }
    const long atEnd = residentBytes();
    if (cycles < 100)
        return 0;
    const double growth = double(atEnd - at100) / double(at100);
    std::printf("resident memory after cycle 100: %.1f MB, after cycle %d: %.1f MB (%+.2f%%)\n",
                at100 / 1e6, cycles, atEnd / 1e6, growth * 100);
    if (growth > 0.05) {
        std::printf("soak: memory grew by more than 5%%\n");
        return 1;
    }
    return 0;
}
